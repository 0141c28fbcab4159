#include "charts/realsun_order_line.h"

#include <algorithm>
#include <limits>

#include "catalogue/mx_status.h"
#include "catalogue/realsun_fixed_drug.h"
#include "charts/order_frequency.h"
#include "charts/order_kind.h"
#include "charts/order_points.h"
#include "charts/order_record_basics.h"
#include "charts/realsun_payment_percentage.h"
#include "charts/realsun_visit_row.h"
#include "charts/referral_remarks.h"
#include "core/chart_store.h"
#include "core/code_tables.h"
#include "core/number_text.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

namespace f = order_field;
namespace kind = order_kind;

constexpr int16_t kOneDose = 100;
constexpr int16_t kFlags2NotDrug = 0x0400;
constexpr int kPackageUnitTab = 1;
constexpr std::string_view kEmergencyCase = "02";

int16_t ClampInt16(double value) {
  return static_cast<int16_t>(std::clamp<double>(value, std::numeric_limits<int16_t>::min(),
                                                 std::numeric_limits<int16_t>::max()));
}

// The code (1-based) of a unit name in `names`; 0 when absent.
template <size_t N>
int CodeOfName(const std::array<std::string_view, N>& names, std::string_view name) {
  for (size_t i = 0; i < N; ++i) {
    if (big5::Literal(names[i]) == name) return static_cast<int>(i) + 1;
  }
  return 0;
}

CatalogueRow RowOfFixedDrug(const tnoMXset& drug) {
  CatalogueRow row;
  row.short_name = drug.name;
  row.insurance_code = drug.insu_code;
  row.order_class = drug.order_class;
  row.cost = drug.cost;
  row.insurance_price = drug.price;
  row.self_price = drug.price;
  row.unit = CodeOfName(PackageUnits, drug.package_unit);
  row.per_unit = CodeOfName(DoseUnits, drug.dose_unit);
  return row;
}

// Offset of the last character of a Big5 text; npos for an empty text.
size_t LastCharacterAt(std::string_view text) {
  size_t last = std::string_view::npos;
  big5::ForEachChar(text, [&](std::string_view, size_t offset) { last = offset; });
  return last;
}

bool LastCharacterIs(std::string_view text, char upper) {
  size_t at = LastCharacterAt(text);
  return at != std::string_view::npos && at + 1 == text.size() &&
         (text[at] == upper || text[at] == upper - 'A' + 'a');
}

// 174–176 and the stamps of a line; `always_staff` writes p24 whatever the dispensing letter.
void SetDispensing(OrderRecord& order, const CatalogueRow& row, const RealSunVisitFacts& visit,
                   const RealSunOrderSettings& settings, bool always_staff) {
  // RealSun lines are stamped with their visit, not with the run: two runs of one clinic write
  // the same bytes.
  SetOrderTimesAndMarks(order, visit.visit_time, visit.visit_time, settings.clinic_type);
  const char letter = row.p2.empty() ? ' ' : row.p2.front();
  order.Set(f::kDispensingLetter, letter);
  const std::string code = big5::Trim(row.insurance_code);
  char category = letter >= 'a' && letter <= 'e' ? '4' : ' ';
  if (IsFreeFeeCode(code)) category = 'G';
  order.Set(f::kOrderCategory, category);
  const bool staff = always_staff || letter != '0';
  order.Set(f::kExecutingStaff, staff ? big5::CutBytes(row.p24, 10) : std::string());
}

// A line of the catalogue row's codes and name, one dose.
OrderLine LineOf(const CatalogueRow& row) {
  OrderLine line;
  line.record.Set(f::kInsuranceCode, row.insurance_code);
  line.record.Set(f::kShortCode, row.short_code);
  line.record.Set(f::kOwnCode, row.own_code);
  line.record.Set(f::kName, row.short_name);
  line.record.Set(f::kDoseTimes100, kOneDose);
  return line;
}

}  // namespace

std::optional<CatalogueRow> FindRealSunOrder(const std::string& code,
                                             const OrderCatalogue& catalogue,
                                             const SectionMap& dupmx) {
  const CatalogueRow* row = catalogue.ByTradeName(code);
  if (row == nullptr) {
    const std::string* dup = dupmx.Find(code);
    if (dup != nullptr && !big5::Trim(*dup).empty()) {
      row = catalogue.ByInsuranceCode(big5::Trim(*dup));
    } else {
      row = catalogue.ByInsuranceCode(code);
    }
  }
  if (row != nullptr) return *row;
  if (std::optional<tnoMXset> fixed = FixedDrug(code)) return RowOfFixedDrug(*fixed);
  return std::nullopt;
}

UsageMarks ReadUsageMarks(std::string_view usage) {
  UsageMarks marks;
  std::string text = big5::Trim(usage);
  if (LastCharacterIs(text, 'X')) {
    marks.free = true;
    text = big5::TrimRight(text.substr(0, text.size() - 1));
  }
  if (LastCharacterIs(text, 'S') &&
      !LastCharacterIs(std::string_view(text).substr(0, text.size() - 1), 'H')) {
    marks.ground = true;
    text = big5::TrimRight(text.substr(0, text.size() - 1));
  }
  marks.usage = std::move(text);
  return marks;
}

OrderLine BuildRealSunOrderLine(const RealSunOrderSlot& slot, const CatalogueRow& row,
                                const RealSunVisitFacts& visit,
                                const RealSunOrderSettings& settings) {
  OrderLine line = LineOf(row);
  OrderRecord& order = line.record;

  const UsageMarks marks = ReadUsageMarks(slot.usage);
  if (marks.ground) order.Set(f::kPreparationNote, big5::Literal("磨粉"));
  const ResolvedFrequency frequency = ResolveFrequency(marks.usage, settings.rates, settings.fixes);
  order.Set(f::kFrequencyText, frequency.code);
  order.Set(f::kFrequencyRate, static_cast<float>(frequency.rate_index));
  order.Set(f::kRoute, "PO");
  const double days = NumberOr(slot.days, 0);
  order.Set(f::kDays, ClampInt16(days));

  const double quantity = NumberOr(slot.quantity, 0);
  double total = quantity;
  if (big5::UpperAscii(frequency.code) == "STAT") {
    order.Set(f::kDoseTimes100, static_cast<int16_t>(ClampInt16(RoundHalfUp(quantity * 100))));
  } else if (row.unit == kPackageUnitTab) {
    total = quantity * days;
  }

  int16_t flags2 = visit.payment_class == '0' ? kOrderFlags2SelfPaid : 0;
  flags2 |= PaymentFlagsOfStatus(row.status);
  if (marks.free) flags2 |= kOrderFlags2NoCharge;

  // Dose by the quantity: whole units a dose from the total, the days and the rate.
  auto dose_from_total = [&] {
    const int rate = frequency.rate_index;
    order.Set(f::kDoseTimes100, days != 0 && rate != 0
                                    ? ClampInt16(RoundHalfUp(total * 100000 / days / rate))
                                    : kOneDose);
  };
  const int16_t line_kind = kind::OfClass(row.order_class);
  auto units = [&](std::string_view dose, std::string_view quantity, std::string_view route) {
    order.Set(f::kDoseUnit, dose);
    order.Set(f::kQuantityUnit, quantity);
    order.Set(f::kRoute, route);
  };
  switch (line_kind) {
    case kind::kDrop:
      units("gtt", "drop", "OU");
      break;
    case kind::kOral:
      if (row.status & mx_status::kOralLiquidByBottle) {
        units("ml", "bot", "PO");
        total = 1;
      } else {
        units("tab", "tab", "PO");
      }
      dose_from_total();
      break;
    case kind::kInjection:
      units("ml", "amp", "IM");
      break;
    case kind::kTopical:
      if (row.unit == kPackageUnitTab) {
        dose_from_total();
        const std::string dx_type = big5::Trim(row.dx_type);
        units("tab", "tab",
              dx_type == big5::Literal("陰道錠") ? "VAG"
              : dx_type == big5::Literal("栓劑") ? "RECT"
                                                 : "XX");
      } else {
        units("gtt", "tube", "SKIN");
      }
      break;
    default:  // treatments, surgery and materials
      flags2 |= kFlags2NotDrug;
      units("", big5::Literal("次(個)"), "XX");
      break;
  }
  order.Set(f::kTotalQuantity, static_cast<float>(total));
  order.Set(f::kFlags1, line_kind);

  const std::string code = big5::Trim(row.insurance_code);
  order.Set(f::kPaymentPercent, PaymentPercentage(line_kind, code, row.insurance_mark,
                                                  visit.case_type == kEmergencyCase,
                                                  visit.birth_date, visit.visit_time));
  order.Set(f::kCost, static_cast<float>(row.cost));
  double price = row.insurance_price;
  if (IsZeroPriceConsultCode(code)) price = 0;
  if (flags2 & kOrderFlags2SelfPaid) price = row.self_price;
  if (flags2 & kOrderFlags2NoCharge) price = 0;
  order.Set(f::kUnitPrice, static_cast<float>(price));
  SetDispensing(order, row, visit, settings, false);
  if (price == 0 && visit.case_type != "D2" && !IsZeroPriceConsultCode(code) &&
      !IsFreeFeeCode(code)) {
    flags2 |= kOrderFlags2NoCharge;
  }
  order.Set(f::kFlags2, flags2);

  if (visit.referral_institution) {
    if (std::optional<ReferralKind> referral = ReferralKindOf(code)) {
      line.remark = RealSunReferralRemark(*referral, *visit.referral_institution);
    }
  }
  return line;
}

OrderLine BuildPreventiveOrderLine(const CatalogueRow& row, const RealSunVisitFacts& visit,
                                   const RealSunOrderSettings& settings) {
  OrderLine line = LineOf(row);
  OrderRecord& order = line.record;
  order.Set(f::kFrequencyRate, 1000.0f);
  order.Set(f::kFrequencyText, "ASORDER");
  order.Set(f::kRoute, "XX");
  order.Set(f::kDays, int16_t{1});
  order.Set(f::kTotalQuantity, 1.0f);
  order.Set(f::kQuantityUnit, big5::Literal("次(個)"));
  order.Set(f::kFlags1, kind::kOpd);
  order.Set(f::kFlags2, kFlags2NotDrug);
  order.Set(f::kPaymentPercent, int16_t{100});
  order.Set(f::kCost, static_cast<float>(row.cost));
  order.Set(f::kUnitPrice, static_cast<float>(row.insurance_price));
  SetDispensing(order, row, visit, settings, true);
  return line;
}

bool HoldsPreventiveOrder(const std::vector<OrderLine>& lines, std::string_view code) {
  const std::string variant =
      code == "21" || code == "25" || code == "27" ? std::string(code) + "+L1001C" : "NOitemX";
  return std::any_of(lines.begin(), lines.end(), [&](const OrderLine& line) {
    const std::string held = big5::UpperAscii(big5::Trim(line.record.Get(f::kInsuranceCode)));
    return held == big5::UpperAscii(code) || held == big5::UpperAscii(variant);
  });
}

}  // namespace zuvo
