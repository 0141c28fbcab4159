#include "charts/vision_prepass_order_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "catalogue/dose_unit.h"
#include "catalogue/mx_status.h"
#include "catalogue/package_unit.h"
#include "charts/order_frequency.h"
#include "charts/order_kind.h"
#include "charts/order_record_basics.h"
#include "core/chart_store.h"
#include "core/number_text.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

namespace kind = order_kind;

// Catalogue status bits that decide the payment flags.
constexpr int64_t kStatusKeptBits =
    0x0001 | mx_status::kOralLiquidByBottle | mx_status::kNicotineProduct;

int16_t ClampInt16(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

// A by-kind default: drop, oral, injection, topical, anything else.
std::string ByKind(int16_t order_kind, std::string_view drop, std::string_view oral,
                   std::string_view injection, std::string_view topical, std::string_view other) {
  switch (order_kind) {
    case kind::kDrop:
      return std::string(drop);
    case kind::kOral:
      return std::string(oral);
    case kind::kInjection:
      return std::string(injection);
    case kind::kTopical:
      return std::string(topical);
    default:
      return std::string(other);
  }
}

// PTFQ "as a number": the count of doses a day written as digits ("3", "0.5"); empty when the
// field holds no number.
std::string NumberText(std::string_view text) {
  std::optional<double> number = ParseNumber(text);
  if (!number) return {};
  if (*number == std::trunc(*number) && std::abs(*number) < 1e15) {
    return std::to_string(static_cast<int64_t>(*number));
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", *number);
  return buffer;
}

std::string VaccinationNote(const CatalogueRow& row, std::string_view route) {
  static const std::string& kVaccineLotMark = big5::Literal("疫苗批號[");
  if (row.document.find(kVaccineLotMark) == std::string::npos) return {};
  static constexpr std::string_view kDoses[] = {"第一次接種", "第二次接種", "第三次接種",
                                                "第四次接種"};
  int64_t dose = IntegerOr(route, 0);
  if (dose < 1 || dose > 4) return {};
  return big5::Literal(kDoses[dose - 1]) + big5::Literal(",疫苗批號[]");
}

}  // namespace

OrderRecord BuildOrderLine(const OrderSourceRow& source, const CatalogueRow* row,
                           const OrderLineSettings& settings) {
  CatalogueRow unknown;
  if (row == nullptr) {
    unknown.short_name = source.drug_code;
    unknown.insurance_code = source.drug_code;
    row = &unknown;
  }
  OrderRecord order;
  order.Set(order_field::kName, row->short_name);
  order.Set(order_field::kInsuranceCode, row->insurance_code);
  int16_t payment_flags = PaymentFlagsOfStatus(row->status);
  const double price = payment_flags == mx_status::kChargedSelfPay ? row->self_price
                       : payment_flags == mx_status::kNoCharge     ? 0
                                                                   : row->insurance_price;
  payment_flags = static_cast<int16_t>(payment_flags | (row->status & kStatusKeptBits));
  order.Set(order_field::kFlags2, payment_flags);
  std::string dose_unit = PerUnitName(row->per_unit);
  std::string quantity_unit = UnitName(row->unit);
  order.Set(order_field::kPreparationNote, VaccinationNote(*row, source.route));

  const int16_t order_kind = kind::OfClass(row->order_class);
  const bool drug = (order_kind & kind::kDrugMask) != 0;
  order.Set(order_field::kFlags1, order_kind);

  order.Set(order_field::kDoseTimes100, ClampInt16(RoundHalfUp(source.dose * 100)));
  if (dose_unit.empty()) dose_unit = ByKind(order_kind, "drop", "tab", "amp", "gtt", "");
  order.Set(order_field::kDoseUnit, dose_unit);

  std::string frequency = source.frequency;
  if (frequency.empty()) frequency = NumberText(source.frequency_count);
  if (frequency.empty() && settings.report_missing_frequency) settings.report_missing_frequency();
  if (frequency == "1") frequency = drug ? "QDHS" : "ASORDER";
  const ResolvedFrequency resolved =
      ResolveFrequency(std::move(frequency), settings.rates, settings.fixes);
  const int rate_index = resolved.rate_index;
  order.Set(order_field::kFrequencyText, resolved.code);
  order.Set(order_field::kFrequencyRate, static_cast<float>(rate_index));

  order.Set(order_field::kPaymentPercent, ClampInt16(RoundHalfUp(source.payment_percent * 100)));
  std::string route =
      settings.routes != nullptr && !source.route.empty() && settings.routes->Contains(source.route)
          ? source.route
          : row->route_name;
  if (route.empty()) route = ByKind(order_kind, "OU", "PO", "IM", "TOPI", "");
  order.Set(order_field::kRoute, route);

  order.Set(order_field::kDays, ClampInt16(source.days));
  order.Set(order_field::kTotalQuantity, static_cast<float>(source.total_quantity));
  if (quantity_unit.empty()) {
    static const std::string& kTimesUnit = big5::Literal("次(個)");
    quantity_unit = ByKind(order_kind, "drop", "tab", "amp", "tube", kTimesUnit);
  }
  order.Set(order_field::kQuantityUnit, quantity_unit);

  if (order.Get(order_field::kDoseTimes100) == 0 && source.days != 0 && rate_index != 0) {
    int16_t dose = 100;
    if (dose_unit == "tab") {
      dose = ClampInt16(RoundHalfUp(source.total_quantity * 100000.0 / source.days / rate_index));
    }
    order.Set(order_field::kDoseTimes100, dose);
  }

  order.Set(order_field::kCost, static_cast<float>(row->cost));
  order.Set(order_field::kUnitPrice, static_cast<float>(price));
  order.Set(order_field::kReserved135, int16_t{0});
  SetOrderTimesAndMarks(order, source.date_time, settings.now, settings.department_prefix);
  order.Set(order_field::kDispensingLetter, '0');
  order.Set(order_field::kOrderCategory, source.claim_mark.empty() ? ' ' : source.claim_mark[0]);
  return order;
}

}  // namespace zuvo
