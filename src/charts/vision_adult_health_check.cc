#include "charts/vision_adult_health_check.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <vector>

#include "charts/vision_health_check_answers.h"
#include "core/number_text.h"
#include "core/pe_markup.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"

namespace zuvo {
namespace {

// How a CO18R.DBF field becomes an exam item.
enum class ItemShape {
  kPlain,           // the trimmed value
  kAnswer,          // the answer table's text of the value's code
  kUrineProtein,    // UrineProteinCode of the value
  kInnerItem,       // an item whose data is one inner item `inner` holding the value
  kGlucoseGroup,    // inner group `inner` with Glucose (AC) = value and Glucose (PC) empty
  kMetabolicGrade,  // computed, always written: the Assessment text of the grade
};

struct ItemRule {
  std::string_view field;
  std::string_view name_utf8;
  ItemShape shape;
  HealthCheckAnswers answers = HealthCheckAnswers::kYesNo;
  std::string_view inner_utf8 = {};
};

using enum ItemShape;
using A = HealthCheckAnswers;

// In the order the exam record lists them.
constexpr ItemRule kItemRules[] = {
    {"RLNO", "委託代檢醫事代號", kPlain},
    {"LCITYNO", "戶籍地", kPlain},
    {"RCBC", "B、C型肝炎已受檢", kAnswer, A::kYesNo},
    {"RHP", "病史高血壓", kAnswer, A::kNoneHas},
    {"RDM", "病史糖尿病", kAnswer, A::kNoneHas},
    {"RHBF", "病史高血脂症", kAnswer, A::kNoneHas},
    {"RHTD", "病史心臟病", kAnswer, A::kNoneHas},
    {"RBSK", "病史腦中風", kAnswer, A::kNoneHas},
    {"RHKD", "病史腎臟病", kAnswer, A::kNoneHas},
    {"RSM", "吸菸", kAnswer, A::kSmoking},
    {"RDR", "喝酒", kAnswer, A::kDrinking},
    {"RBT", "嚼檳榔", kAnswer, A::kBetelNut},
    {"RSPT", "運動", kAnswer, A::kExercise},
    {"RDC1", "憂鬱檢測：第一題", kAnswer, A::kYesNo},
    {"RDC2", "憂鬱檢測：第二題", kAnswer, A::kYesNo},
    {"RHT", "身高", kPlain},
    {"RWT", "體重", kPlain},
    {"RBP2", "收縮壓", kInnerItem, A::kYesNo, "BP(systolic)"},
    {"RBP1", "舒張壓", kInnerItem, A::kYesNo, "BP(diastolic)"},
    {"RWTE", "腰圍", kPlain},
    {"RBMI", "BMI", kInnerItem, A::kYesNo, "BMI"},
    {"RUPRO", "尿液蛋白質", kUrineProtein},
    {"RSU", "血糖", kGlucoseGroup, A::kYesNo, "血糖"},
    {"RCH", "總膽固醇", kInnerItem, A::kYesNo, "TC"},
    {"RTR", "三酸甘油酯", kInnerItem, A::kYesNo, "Triglyceride"},
    {"RLCH", "低密度脂蛋白膽固醇", kInnerItem, A::kYesNo, "LDL"},
    {"RHCH", "高密度脂蛋白膽固醇", kInnerItem, A::kYesNo, "HDL"},
    {"RSGOT", "GOT", kInnerItem, A::kYesNo, "GOT"},
    {"RSGPT", "GPT", kInnerItem, A::kYesNo, "GPT"},
    {"RCR", "肌酸酐", kInnerItem, A::kYesNo, "Creatinine(b)"},
    {"REGFR", "腎絲球過濾率(eGFR)", kInnerItem, A::kYesNo, "eGFR"},
    {"RBHP", "B型肝炎表面抗原(HBsAg)", kAnswer, A::kSerology},
    {"RCHP", "C型肝炎抗體(Anti-HCV)", kAnswer, A::kSerology},
    {"RQSK", "健康諮詢：戒菸", kAnswer, A::kYesNo},
    {"RQDK", "健康諮詢：節酒", kAnswer, A::kYesNo},
    {"RQBU", "健康諮詢：戒檳榔", kAnswer, A::kYesNo},
    {"RLSPT", "健康諮詢：規律運動", kAnswer, A::kYesNo},
    {"RMBDWT", "健康諮詢：維持正常體重", kAnswer, A::kYesNo},
    {"RHET", "健康諮詢：健康飲食", kAnswer, A::kYesNo},
    {"RLPN", "健康諮詢：事故傷害預防", kAnswer, A::kYesNo},
    {"ROHT", "健康諮詢：口腔保健", kAnswer, A::kYesNo},
    {"RRBP", "血壓檢查結果與建議", kAnswer, A::kAssessment},
    {"RRSUB", "血糖檢查結果與建議", kAnswer, A::kAssessment},
    {"RRTC", "血脂肪檢查結果與建議", kAnswer, A::kAssessment},
    {"RRBCU", "腎功能檢查結果與建議", kAnswer, A::kAssessment},
    {"RRLF", "肝功能檢查結果與建議", kAnswer, A::kAssessment},
    {"", "代謝症候群檢查結果與建議", kMetabolicGrade},
    {"RRBHP", "B型肝炎檢查結果與建議", kAnswer, A::kHepatitisAdvice},
    {"RRCHP", "C型肝炎檢查結果與建議", kAnswer, A::kHepatitisAdvice},
    {"RMTS", "憂鬱檢測", kAnswer, A::kDepressionScreen},
};

constexpr std::string_view kGroupNameUtf8 = "成人健檢";
constexpr std::string_view kHealthCheckCodes[] = {"21",        "22",        "25",       "27",
                                                  "21+L1001C", "25+L1001C", "27+L1001C"};

PEItem Leaf(std::string_view name_utf8, std::string data) {
  return PEItem{big5::Literal(name_utf8), std::move(data), {}};
}

std::optional<PEItem> ItemOf(const ItemRule& rule, const DbfTable& row, int grade) {
  if (rule.shape == kMetabolicGrade) {
    return Leaf(rule.name_utf8,
                HealthCheckAnswerText(A::kAssessment, static_cast<char>('0' + grade)));
  }
  std::string value = big5::Trim(row.RawField(rule.field));
  if (value.empty()) return std::nullopt;
  switch (rule.shape) {
    case kPlain:
      return Leaf(rule.name_utf8, std::move(value));
    case kAnswer:
      return Leaf(rule.name_utf8, HealthCheckAnswerText(rule.answers, value.front()));
    case kUrineProtein:
      return Leaf(rule.name_utf8, UrineProteinCode(value));
    case kInnerItem: {
      PEItem outer = Leaf(rule.name_utf8, {});
      outer.items.push_back(Leaf(rule.inner_utf8, std::move(value)));
      return outer;
    }
    case kGlucoseGroup: {
      PEItem inner = Leaf(rule.inner_utf8, {});
      inner.items.push_back(Leaf("Glucose (AC)", std::move(value)));
      inner.items.push_back(Leaf("Glucose (PC)", {}));
      PEItem outer = Leaf(rule.name_utf8, {});
      outer.items.push_back(std::move(inner));
      return outer;
    }
    case kMetabolicGrade:
      break;
  }
  return std::nullopt;
}

double ReadingOf(const DbfTable& row, std::string_view field) {
  return NumberOr(big5::Trim(row.RawField(field)), 0);
}

}  // namespace

bool IsAdultHealthCheckCode(std::string_view insurance_code) {
  return std::find(std::begin(kHealthCheckCodes), std::end(kHealthCheckCodes), insurance_code) !=
         std::end(kHealthCheckCodes);
}

int MetabolicSyndromeGrade(const MetabolicReadings& readings, char sex) {
  constexpr int kHighestGrade = 4;
  const bool male = std::toupper(static_cast<unsigned char>(sex)) == 'M';
  int risks = 0;
  risks += readings.waist >= (male ? 90 : 80);
  risks += readings.hdl < (male ? 40 : 50);
  risks += readings.systolic >= 130;
  risks += readings.diastolic >= 85;
  risks += readings.glucose >= 100;
  risks += readings.triglyceride >= 100;
  return std::min(1 + risks, kHighestGrade);
}

void AddAdultHealthCheck(DbfTable& health_checks, std::string_view patient_number,
                         std::string_view visit_date, std::string& exam_text, OrderRecord& order,
                         char sex) {
  const std::string& group_name = big5::Literal(kGroupNameUtf8);
  if (exam_text.find("<n>" + group_name + "</n>") != std::string::npos) return;
  if (!health_checks.Locate("KCSTMR", big5::Trim(patient_number), "RDATE",
                            big5::Trim(visit_date))) {
    return;
  }
  const DbfTable& row = health_checks;
  const int grade = MetabolicSyndromeGrade(
      {ReadingOf(row, "RWTE"), ReadingOf(row, "RHCH"), ReadingOf(row, "RBP2"),
       ReadingOf(row, "RBP1"), ReadingOf(row, "RSU"), ReadingOf(row, "RTR")},
      sex);

  std::string items;
  for (const ItemRule& rule : kItemRules) {
    if (std::optional<PEItem> item = ItemOf(rule, row, grade)) items += WritePEItem(*item);
  }
  exam_text += "<PE><n>" + group_name + "</n><data>" + items + "</data></PE>";

  order.Set(order_field::kExecutingStaff, big5::Trim(row.RawField("RLNO")));
  const std::string upload_date = big5::Trim(row.RawField("RULDT"));
  if (upload_date.empty()) {
    order.Set(order_field::kPreparationNote, "");
  } else {
    order.Set(order_field::kFlags3, static_cast<int16_t>(order.Get(order_field::kFlags3) |
                                                         kOrderFlagsHealthCheckUploaded));
    order.Set(order_field::kPreparationNote,
              big5::Literal("<上傳日期") + upload_date + big5::Literal(">"));
  }
}

}  // namespace zuvo
