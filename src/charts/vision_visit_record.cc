#include "charts/vision_visit_record.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "charts/vision_visit_row.h"
#include "core/code_tables.h"
#include "core/number_text.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr size_t kMaxProcedureCodes = 6;
constexpr size_t kSpecialTreatmentCount = 4;
constexpr int16_t kCardFlagSelfPaidWithoutCard = 1;

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

int16_t AmountOf(const std::string& text) {
  return static_cast<int16_t>(std::lround(NumberOr(big5::Trim(text), 0)));
}

}  // namespace

std::string VisionCardSequence(const std::string& lisrs) {
  if (lisrs.size() == 3 && AllDigits(lisrs) && lisrs != "000") return "0" + lisrs;
  if (lisrs.size() == 2 && AllDigits(lisrs) && lisrs != "00") {
    if (lisrs == "33") return "IC31";
    if (lisrs == "23") return "IC21";
    if (lisrs == "24") return "IC22";
    if (lisrs == "25" || lisrs == "26") return "IC23";
    if (lisrs == "27" || lisrs == "28") return "IC24";
    return "IC" + lisrs;
  }
  const std::string upper = big5::UpperAscii(lisrs);
  if (upper == "AU" || upper == "CU") return "IC01";
  if (IsOneOf(upper, {"IC1", "IC2", "IC3", "IC4"})) return "C001";
  return big5::CutBytes(lisrs, 4);
}

VisionVisitRecord BuildVisionVisitRecord(const VisionVisitRow& row, int32_t patient,
                                         DateTime visit_time, int drug_days,
                                         const VisionClinicSettings& clinic,
                                         const MessageSink& sink) {
  namespace f = visit_field;
  VisionVisitRecord result;
  VisitRecord& visit = result.visit;
  const std::string case_type = big5::CutBytes(big5::Trim(row.lcs), 2);
  result.case_type = case_type;
  const bool chronic_refill = case_type == "08";
  const int64_t refill_number = IntegerOr(big5::Trim(row.lldtt), 0);

  // Co-payment class and code.
  std::string copay = big5::CutBytes(big5::Trim(row.lhiid), 3);
  char payment_class = '0';
  if (int position = CopayPosition(copay); position >= 0) {
    payment_class = IsOneOf(case_type, {"D2", "A3", "08"}) ? '3' : CopayClassOf[position];
  } else if (copay.empty() || copay == "00") {
    copay = "000";
  } else if (copay == "C10" && clinic.clinic_id == kVisionSpecialClinicId) {
    payment_class = '3';
  } else {
    Show(sink, "不明部分負擔碼:" + big5::ToUtf8Escaped(copay) + "," + std::to_string(patient));
    copay = "000";
  }
  result.payment_class = payment_class;

  // Card sequence.
  std::string card = VisionCardSequence(big5::Trim(row.lisrs));
  if (chronic_refill) card = big5::Trim(row.lldcn) == "3" ? "IC03" : "IC02";
  int16_t card_flags = 0;
  if (payment_class != '0' && card.empty()) {
    card = "A900";
    card_flags = kCardFlagSelfPaidWithoutCard;
  }
  visit.Set(f::kCardSequence, card);

  // Doctor.
  const std::string doctor_id = big5::Trim(row.ldtid);
  std::string doctor_name = clinic.main_doctor_name;
  std::string doctor_written_id = clinic.main_doctor_id;
  if (!doctor_id.empty()) {
    auto found = clinic.doctor_name_by_id.find(doctor_id);
    if (found != clinic.doctor_name_by_id.end()) {
      doctor_name = found->second;
      doctor_written_id = doctor_id;
    } else {
      Show(sink, "醫師身分證錯誤:" + big5::ToUtf8Escaped(doctor_id) +
                     " 更改為:" + big5::ToUtf8Escaped(clinic.main_doctor_id));
    }
  }
  FillVisitBasics(visit, patient, visit_time,
                  {doctor_name, doctor_written_id, clinic.pharmacist_name, clinic.pharmacist_id});

  const bool refill_case = IsOneOf(case_type, {"04", "E1", "A1", "A5"});
  int16_t flags = kVisitFlagsBase;
  if (refill_case && refill_number > 1) flags |= kVisitFlagRefillRepeat;
  visit.Set(f::kVisitFlags, flags);
  visit.Set(f::kCardFlags, card_flags);
  visit.Set(f::kRegistrationFee, AmountOf(row.a0));
  visit.Set(f::kCopayAmount, static_cast<int16_t>(std::abs(AmountOf(row.a98))));
  visit.Set(f::kFurtherCharge, static_cast<int32_t>(std::lround(NumberOr(big5::Trim(row.a96), 0))));
  visit.Set(f::kDepartment, big5::CutBytes(big5::Trim(row.creat), 2));

  char refill_digit = '0';
  if (refill_number > 1 && (refill_case || chronic_refill)) {
    refill_digit = std::to_string(refill_number).front();
  }
  visit.Set(f::kRefillNumber, refill_digit);
  visit.Set(f::kCaseType, case_type == "04" && drug_days == 0 ? std::string("09") : case_type);

  const std::vector<std::string> special = CommaItems(row.litem);
  const std::array<TextField, kSpecialTreatmentCount> special_fields = {
      f::kSpecialTreatment1, f::kSpecialTreatment2, f::kSpecialTreatment3, f::kSpecialTreatment4};
  for (size_t i = 0; i < kSpecialTreatmentCount; ++i) {
    visit.Set(special_fields[i], i < special.size() ? big5::CutBytes(special[i], 2) : "  ");
  }

  const std::string date = big5::Trim(row.date);
  const std::string first_date = big5::Trim(row.llddt);
  if (IsOneOf(case_type, {"A3", "D2"})) {
    visit.Set(f::kVisitCategory, "AC");
    copay = "009";
  } else if (big5::Trim(row.lldno) == big5::Literal("4800療程") && first_date != date) {
    visit.Set(f::kVisitCategory, "AA");
    visit.Set(f::kFirstPrescriptionDate, RocDateToDate(first_date));
  } else {
    visit.Set(f::kVisitCategory, big5::CutBytes(big5::Trim(row.lids), 2));
  }
  visit.Set(f::kPaymentClass, payment_class);
  visit.Set(f::kCopayCode, copay);

  std::vector<std::string> procedures = CommaItems(row.licd);
  if (procedures.size() > kMaxProcedureCodes) procedures.resize(kMaxProcedureCodes);
  const bool lists_procedures = IsOneOf(case_type, {"03", "C1"});
  const std::array<TextField, 3> procedure_fields = {f::kProcedure1, f::kProcedure2,
                                                     f::kProcedure3};
  for (size_t i = 0; lists_procedures && i < procedure_fields.size() && i < procedures.size();
       ++i) {
    visit.Set(procedure_fields[i], big5::CutBytes(procedures[i], 9));
  }
  result.procedure_codes = std::move(procedures);

  visit.Set(f::kDrugDays, static_cast<int16_t>(drug_days));
  if (chronic_refill) {
    visit.Set(f::kFirstPrescriptionDate, RocDateToDate(first_date));
    const std::string end_date = big5::Trim(row.edate);
    visit.Set(f::kRefillEndText, end_date.size() > 3 ? end_date.substr(3, 4) : std::string());
  }
  visit.Set(f::kOrderMix, ' ');
  return result;
}

}  // namespace zuvo
