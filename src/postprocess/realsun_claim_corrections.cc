#include "postprocess/realsun_claim_corrections.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/chart_store.h"
#include "core/code_tables.h"
#include "core/number_text.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr std::string_view kReleasedPrescriptionUtf8 = "釋出處方箋";

bool IsDayCare(std::string_view case_type) { return case_type == "D2" || case_type == "A3"; }

template <typename Integer>
std::optional<Integer> IntegerOf(std::string_view text) {
  std::optional<int64_t> value = ParseInteger(text);
  if (!value || *value < std::numeric_limits<Integer>::min() ||
      *value > std::numeric_limits<Integer>::max()) {
    return std::nullopt;
  }
  return static_cast<Integer>(*value);
}

// A number × 100 as the 16-bit field holds it: 1 when the text is no number.
int16_t Hundredths(std::string_view text) {
  int32_t rounded = RoundHalfUp(NumberOr(text, 1) * 100);
  return static_cast<int16_t>(std::clamp<int32_t>(rounded, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

float SingleOf(std::string_view text) {
  double value = NumberOr(text, 0);
  return std::fabs(value) <= std::numeric_limits<float>::max() ? static_cast<float>(value) : 0.0f;
}

// The first character of the text followed by a blank: a blank for an empty text.
char FirstOrBlank(std::string_view text) { return text.empty() ? ' ' : text.front(); }

template <size_t Size>
void SetText(PackedRecord<Size>& record, TextField field, std::string_view text) {
  record.Set(field, big5::CutBytes(text, field.capacity));
}

// An execution time of the claim (yyymmddhhnn): the seconds are always 01.
void SetExecutionTime(OrderRecord& order, DateTimeField field, std::string_view text) {
  if (text.empty()) return;
  DateTime value = RocStampToDateTime(std::string(text) + "01");
  if (value != 0) order.Set(field, value);
}

}  // namespace

ClaimCopay ClaimCopayOf(const Claim& claim) {
  ClaimCopay copay;
  copay.code = claim.Field("d15");
  int position = CopayPosition(copay.code);
  if (position < 0) {
    copay.known = false;
    copay.code = "000";
    copay.payment_class = '0';
  } else {
    copay.payment_class = CopayClassOf[static_cast<size_t>(position)];
  }
  if (IsDayCare(claim.case_type)) copay.payment_class = '3';
  return copay;
}

std::optional<ClaimDays> ClaimDaysOf(const Claim& claim) {
  std::optional<int16_t> drug_days = IntegerOf<int16_t>(claim.Field("d27"));
  std::optional<int16_t> total_days = IntegerOf<int16_t>(claim.Field("d44"));
  if (!drug_days || !total_days) return std::nullopt;
  return ClaimDays{*drug_days, *total_days};
}

DateTime ClaimVisitDay(const Claim& claim) {
  return RocDateToDate(claim.Field(claim.case_type == "08" ? "d10" : "d9"));
}

bool VisitMatchesClaim(const VisitRecord& visit, std::string_view sequence, DateTime day) {
  return day != 0 && big5::Trim(visit.Get(visit_field::kCardSequence)) == sequence &&
         std::floor(visit.Get(visit_field::kVisitDateTime)) == std::floor(day);
}

void CorrectVisitFromClaim(VisitRecord& visit, const Claim& claim, int32_t patient,
                           const ClaimCopay& copay, const ClaimDays& days) {
  using namespace visit_field;
  visit.Set(kPatientNumber, patient);
  SetText(visit, kDoctorId, claim.Field("d30"));
  SetText(visit, kPharmacistId, claim.Field("d31"));
  if (copay.payment_class != ' ') visit.Set(kPaymentClass, copay.payment_class);
  SetText(visit, kCopayCode, copay.code);
  visit.Set(kVisitFlags, kClaimedVisitFlags);
  visit.Set(kCopayAmount, IntegerOf<int16_t>(claim.Field("d40")).value_or(0));
  if (big5::Trim(visit.Get(kPharmacistName)) != big5::Literal(kReleasedPrescriptionUtf8)) {
    visit.Set(kDrugPoints, IntegerOf<int32_t>(claim.Field("d32")).value_or(0));
  }
  visit.Set(kTreatmentPoints, IntegerOf<int32_t>(claim.Field("d33")).value_or(0));
  visit.Set(kMaterialPoints, IntegerOf<int32_t>(claim.Field("d34")).value_or(0));
  SetText(visit, kDepartment, claim.Field("d8"));
  const int refills = days.drug_days != 0 ? days.total_days / days.drug_days : 0;
  visit.Set(kRefillNumber, refills != 0 ? std::to_string(refills).front() : ' ');
  SetText(visit, kCaseType, claim.case_type);
  SetText(visit, kSpecialTreatment1, claim.Field("d4"));
  SetText(visit, kSpecialTreatment2, claim.Field("d5"));
  SetText(visit, kSpecialTreatment3, claim.Field("d6"));
  SetText(visit, kSpecialTreatment4, claim.Field("d7"));
  visit.Set(kPaymentCategory, FirstOrBlank(claim.Field("d14")));
  if (IsDayCare(claim.case_type)) visit.Set(kVisitCategory, "AC");
  SetText(visit, kProcedure1, claim.Field("d24"));
  SetText(visit, kProcedure2, claim.Field("d25"));
  SetText(visit, kProcedure3, claim.Field("d26"));
  visit.Set(kDrugDays, days.drug_days);
  visit.Set(kFirstPrescriptionDate,
            claim.case_type == "08" ? RocDateToDate(claim.Field("d9")) : DateTime{0});
  visit.Set(kNewbornBirthDate, RocDateToDate(claim.Field("d45")));
  visit.Set(kTotalRefillDays, days.total_days);
  SetText(visit, kClaimValue, claim.Field("d48"));
}

bool UpdateOrderFromClaim(OrderRecord& order, std::string_view order_text,
                          std::string_view case_type) {
  std::vector<ClaimOrderLine> lines;
  ReadClaimOrderLines(order_text, lines);
  return UpdateOrderFromClaim(order, lines, case_type);
}

bool UpdateOrderFromClaim(OrderRecord& order, const std::vector<ClaimOrderLine>& order_lines,
                          std::string_view case_type) {
  using namespace order_field;
  const std::string code = big5::Trim(order.Get(kInsuranceCode));
  if (code.empty()) return false;
  auto line = std::find_if(order_lines.begin(), order_lines.end(),
                           [&code](const ClaimOrderLine& line) { return line.code() == code; });
  if (line == order_lines.end()) return false;
  auto field = [&line](int number) -> const std::string& { return line->values[number]; };

  order.Set(kDays, IntegerOf<int16_t>(field(1)).value_or(0));
  order.Set(kDispensingLetter, FirstOrBlank(field(2)));
  order.Set(kOrderCategory, FirstOrBlank(field(3)));
  order.Set(kDoseTimes100, Hundredths(field(5)));
  SetText(order, kSite, field(6));
  SetText(order, kFrequencyText, field(7));
  order.Set(kPaymentPercent, Hundredths(field(8)));
  SetText(order, kRoute, field(9));
  order.Set(kTotalQuantity, SingleOf(field(10)));
  if (case_type != "01") order.Set(kUnitPrice, SingleOf(field(11)));
  SetExecutionTime(order, kExecutionStart, field(14));
  SetExecutionTime(order, kExecutionEnd, field(15));
  SetText(order, kExecutingStaff, field(16));
  order.Set(kMark187, FirstOrBlank(field(17)));
  order.Set(kMark188, FirstOrBlank(field(18)));
  SetText(order, kReservedText189, field(19));
  const std::string mark = field(20);
  if (mark.size() > 1) order.Set(kDepartmentPrefix, std::string_view(mark).substr(0, 2));
  return true;
}

}  // namespace zuvo
