#include "charts/realsun_visit_record.h"

#include <algorithm>

#include "charts/realsun_dates.h"
#include "charts/realsun_visit_row.h"
#include "core/code_tables.h"
#include "core/number_text.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

namespace f = visit_field;

constexpr std::string_view kPlaceholderDoctors[] = {"護士小姐", "耀 聖"};
constexpr std::string_view kReleasedPrescription = "釋出處方箋";
constexpr int16_t kCardFlagNoCard = 0x0001;
constexpr int16_t kCardFlagReleased = 0x0002;
constexpr int16_t kRegistrationFee = 100;
constexpr int16_t kCopayAmount = 50;

bool StartsWithX(std::string_view card) {
  return !card.empty() && (card[0] == 'X' || card[0] == 'x');
}

}  // namespace

RealSunDoctors::RealSunDoctors(const std::vector<std::pair<std::string, std::string>>& doctors)
    : doctors_(doctors) {
  for (size_t i = 0; i < doctors_.size(); ++i) {
    by_name_.try_emplace(big5::UpperAscii(doctors_[i].first), i);
  }
}

std::pair<std::string, std::string> RealSunDoctors::Find(const std::string& name) {
  if (auto found = by_name_.find(big5::UpperAscii(name)); found != by_name_.end()) {
    return doctors_[found->second];
  }
  const bool placeholder =
      std::any_of(std::begin(kPlaceholderDoctors), std::end(kPlaceholderDoctors),
                  [&](std::string_view utf8) { return big5::Literal(utf8) == name; });
  if (!name.empty() && !placeholder && known_unknown_.insert(name).second) {
    unknown_.push_back(name);
  }
  return doctors_.empty() ? std::pair<std::string, std::string>{} : doctors_.front();
}

std::string RealSunCardOf(std::string_view card) {
  if (card.size() == 2 && StartsWithX(card)) return "C001";
  if (card == "IC25") return "IC23";
  if (card == "IC27") return "IC24";
  return std::string(card);
}

RealSunVisitRecord BuildRealSunVisitRecord(const RealSunVisitRow& row,
                                           const std::optional<ClaimRow>& claim, int32_t patient,
                                           DateTime visit_time, const RealSunClinicSettings& clinic,
                                           RealSunDoctors& doctors, PatientChartLink& link,
                                           const MessageSink& sink) {
  RealSunVisitRecord result;
  VisitRecord& visit = result.visit;
  auto [doctor_name, doctor_id] = doctors.Find(row.doctor_name);
  FillVisitBasics(visit, patient, visit_time,
                  {doctor_name, doctor_id, clinic.pharmacist_name, clinic.pharmacist_id});
  visit.Set(f::kRefillNumber, '0');

  int16_t flags = kVisitFlagsBase;
  int16_t days = 0;
  std::string case_type = "01";
  std::string card = "SELF";
  std::string copay = "000";
  if (claim) {
    if (claim->transout == "Y" && !claim->back6.empty()) result.referral_code = claim->back6;
    days = static_cast<int16_t>(IntegerOr(claim->days, 0));
    visit.Set(f::kDepartment, big5::CutBytes(claim->h_type, 2));
    case_type = big5::CutBytes(claim->kind, 2);
    if (case_type == "10") case_type = "A3";

    card = RealSunCardOf(claim->card);
    const bool first_stage = IsOneOf(claim->card, {"IC21", "IC22", "IC25", "IC27"});
    if (first_stage) {
      link.Set(link_field::kLastCardSequence, card);
    } else if (IsOneOf(card, {"IC23", "IC24", "IC26", "IC28"})) {
      const std::string remembered = link.Get(link_field::kLastCardSequence);
      if (remembered.rfind("IC", 0) == 0) {
        card = remembered;
        result.second_stage = true;
      } else {
        Show(sink, "沒有第一階段健檢:" + std::to_string(patient));
        link.Set(link_field::kLastCardSequence, "");
      }
    }
    if (case_type == "E1" && StartsWithX(card)) card = "F000";
    copay = big5::CutBytes(claim->pay_code, 3);
    if (copay.empty()) copay = "D10";
    if (claim->type == "A" && card.empty()) card = "A900";

    if (case_type == "08") {
      visit.Set(f::kFirstPrescriptionDate,
                RocDateToDate(RealSunDateText(big5::CutBytes(claim->date_serno, 6))));
      if (claim->card1) {
        visit.Set(f::kRefillEndText, big5::CutBytes(*claim->card1, 4));
      } else {
        result.card1_missing = true;
      }
    }
    const int64_t dispensing = days == 0 ? 0 : IntegerOr(claim->s_days, 0) / days;
    const char dispensing_digit = std::to_string(dispensing).front();
    if (IsOneOf(case_type, {"04", "E1", "A1", "A5"}) && dispensing > 1) {
      visit.Set(f::kRefillNumber, dispensing_digit);
      flags |= kVisitFlagRefillRepeat;
    } else if (case_type == "08" && dispensing > 1) {
      visit.Set(f::kRefillNumber, dispensing_digit);
    }
    if (case_type == "04" && days == 0) case_type = "09";
  } else if (row.type == "1") {
    visit.Set(f::kDepartment, big5::CutBytes(clinic.clinic_type, 2));
    case_type = "VA";
  } else if (row.type == "A" && row.bp.empty()) {
    days = 3;
    card = "A900";
    copay = "D10";
  }
  visit.Set(f::kVisitFlags, flags);
  visit.Set(f::kDrugDays, days);
  visit.Set(f::kCaseType, case_type);
  visit.Set(f::kCardSequence, card);

  char payment_class = '0';
  if (int position = CopayPosition(copay); position >= 0) {
    payment_class = IsOneOf(case_type, {"D2", "A3"}) ? '3' : CopayClassOf[position];
  } else {
    Show(sink, "不明部分負擔碼:" + big5::ToUtf8Escaped(copay));
    copay = "000";
  }
  int16_t card_flags = card == "A900" ? kCardFlagNoCard : 0;
  if (clinic.pharmacist_name == big5::Literal(kReleasedPrescription)) {
    card_flags |= kCardFlagReleased;
  }
  visit.Set(f::kCardFlags, card_flags);
  int16_t fee = kRegistrationFee;
  int16_t copay_amount = IsCopayFreeCode(copay) ? 0 : kCopayAmount;
  if (IsOneOf(case_type, {"A3", "D2", "B1"})) {
    copay = "009";
    fee = 0;
    copay_amount = 0;
  }
  visit.Set(f::kPaymentClass, payment_class);
  visit.Set(f::kCopayCode, copay);
  visit.Set(f::kRegistrationFee, fee);
  visit.Set(f::kCopayAmount, copay_amount);
  visit.Set(f::kVisitCategory, IsOneOf(case_type, {"A3", "D2"}) || row.type == "1" ? "AC" : "01");

  result.case_type = case_type;
  result.payment_class = payment_class;
  result.copay = copay;
  result.card = card;
  return result;
}

}  // namespace zuvo
