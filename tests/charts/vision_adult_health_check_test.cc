#include "charts/vision_adult_health_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charts/vision_health_check_answers.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "source_tables.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::TempDir;

using Row = testing::SourceRow;

DbfTable WriteHealthChecks(const TempDir& dir, const std::vector<Row>& rows) {
  testing::WriteSourceTable(dir / "CO18R.DBF", testing::kHealthCheckColumns, rows, 12);
  return DbfTable::Open(dir.path(), "co18r.dbf");
}

std::string Item(std::string_view name, std::string_view data) {
  return "<PE><n>" + std::string(name) + "</n><data>" + std::string(data) + "</data></PE>";
}

struct Outcome {
  std::string exam_utf8;
  OrderRecord order;
};

Outcome Convert(DbfTable& table, std::string_view patient, std::string_view date, char sex,
                std::string exam_utf8 = "") {
  Outcome outcome;
  std::string exam = big5::FromUtf8(exam_utf8);
  AddAdultHealthCheck(table, patient, date, exam, outcome.order, sex);
  outcome.exam_utf8 = big5::ToUtf8(exam);
  return outcome;
}

TEST(AdultHealthCheck, SparseRowGivesItsItemsInOrderWithTheNestedShapes) {
  TempDir dir;
  DbfTable table =
      WriteHealthChecks(dir, {{{"KCSTMR", "77"},
                               {"RDATE", "1100301"},
                               {"RLNO", "3501200000"},
                               {"RCBC", "9"},  // a code without text: the item with empty data
                               {"RSM", "9"},   // smoking falls back to the non-smoker text
                               {"RBP2", " 128 "},
                               {"RUPRO", "++"},
                               {"RSU", "105"},
                               {"RHCH", "55"},
                               {"RRBP", "2"},
                               {"RMTS", "1"}}});
  Outcome outcome = Convert(table, "77", "1100301", 'F');
  // Female, HDL 55 (no risk), glucose 105 (risk): grade 2.
  const std::string expected =
      Item("成人健檢",
           Item("委託代檢醫事代號", "3501200000") + Item("B、C型肝炎已受檢", "") +
               Item("吸菸", "1：不吸菸") + Item("收縮壓", Item("BP(systolic)", "128")) +
               Item("尿液蛋白質", "2222") +
               Item("血糖", Item("血糖", Item("Glucose (AC)", "105") + Item("Glucose (PC)", ""))) +
               Item("高密度脂蛋白膽固醇", Item("HDL", "55")) +
               Item("血壓檢查結果與建議", "2：異常：建議:生活型態改善，並定期__個月追蹤") +
               Item("代謝症候群檢查結果與建議", "2：異常：建議:生活型態改善，並定期__個月追蹤") +
               Item("憂鬱檢測", "1：2 題皆答「否」"));
  EXPECT_EQ(outcome.exam_utf8, expected);
  EXPECT_EQ(outcome.order.Get(order_field::kExecutingStaff), "3501200000");
  EXPECT_EQ(outcome.order.Get(order_field::kFlags3), 0);
  EXPECT_EQ(outcome.order.Get(order_field::kPreparationNote), "");
}

TEST(AdultHealthCheck, EveryFieldFilledListsAllFiftyOneItemsInTheirOrder) {
  TempDir dir;
  Row row{{"KCSTMR", "5"}, {"RDATE", "1090102"}};
  for (size_t i = 2; i < testing::kHealthCheckColumns.size(); ++i) {
    row[testing::kHealthCheckColumns[i]] = "2";
  }
  DbfTable table = WriteHealthChecks(dir, {row});
  Outcome outcome = Convert(table, "5", "1090102", 'M');
  const std::vector<std::string> names = {"委託代檢醫事代號",
                                          "戶籍地",
                                          "B、C型肝炎已受檢",
                                          "病史高血壓",
                                          "病史糖尿病",
                                          "病史高血脂症",
                                          "病史心臟病",
                                          "病史腦中風",
                                          "病史腎臟病",
                                          "吸菸",
                                          "喝酒",
                                          "嚼檳榔",
                                          "運動",
                                          "憂鬱檢測：第一題",
                                          "憂鬱檢測：第二題",
                                          "身高",
                                          "體重",
                                          "收縮壓",
                                          "舒張壓",
                                          "腰圍",
                                          "BMI",
                                          "尿液蛋白質",
                                          "血糖",
                                          "總膽固醇",
                                          "三酸甘油酯",
                                          "低密度脂蛋白膽固醇",
                                          "高密度脂蛋白膽固醇",
                                          "GOT",
                                          "GPT",
                                          "肌酸酐",
                                          "腎絲球過濾率(eGFR)",
                                          "B型肝炎表面抗原(HBsAg)",
                                          "C型肝炎抗體(Anti-HCV)",
                                          "健康諮詢：戒菸",
                                          "健康諮詢：節酒",
                                          "健康諮詢：戒檳榔",
                                          "健康諮詢：規律運動",
                                          "健康諮詢：維持正常體重",
                                          "健康諮詢：健康飲食",
                                          "健康諮詢：事故傷害預防",
                                          "健康諮詢：口腔保健",
                                          "血壓檢查結果與建議",
                                          "血糖檢查結果與建議",
                                          "血脂肪檢查結果與建議",
                                          "腎功能檢查結果與建議",
                                          "肝功能檢查結果與建議",
                                          "代謝症候群檢查結果與建議",
                                          "B型肝炎檢查結果與建議",
                                          "C型肝炎檢查結果與建議",
                                          "憂鬱檢測"};
  size_t position = 0;
  for (const std::string& name : names) {
    size_t found = outcome.exam_utf8.find("<PE><n>" + name + "</n>", position);
    ASSERT_NE(found, std::string::npos) << name;
    position = found + 1;
  }
  EXPECT_NE(outcome.exam_utf8.find(Item("喝酒", "2：偶爾喝酒或應酬才喝")), std::string::npos);
  EXPECT_NE(outcome.exam_utf8.find(Item("運動", "2：有，但未達每週 150 分鐘以上(2.5 小時)")),
            std::string::npos);
  EXPECT_NE(outcome.exam_utf8.find(Item("B型肝炎表面抗原(HBsAg)", "2：陽性")), std::string::npos);
  EXPECT_NE(outcome.exam_utf8.find(Item("C型肝炎檢查結果與建議", "2：陽性，建議進一步檢查")),
            std::string::npos);
  EXPECT_NE(outcome.exam_utf8.find(
                Item("憂鬱檢測", "2 題任 1 題答「是」，建議轉介至相關單位接受進一步服務")),
            std::string::npos);
  EXPECT_NE(outcome.exam_utf8.find(Item("病史高血壓", "2：有")), std::string::npos);
  // Uploaded: flags and note.
  EXPECT_EQ(outcome.order.Get(order_field::kFlags3), kOrderFlagsHealthCheckUploaded);
  EXPECT_EQ(big5::ToUtf8(outcome.order.Get(order_field::kPreparationNote)), "<上傳日期2>");
}

TEST(AdultHealthCheck, SecondCallAndMissingRowAddNothing) {
  TempDir dir;
  DbfTable table = WriteHealthChecks(
      dir, {{{"KCSTMR", "9"}, {"RDATE", "1080505"}, {"RULDT", "1080510"}, {"RLNO", "X1"}}});
  Outcome first = Convert(table, "9", "1080505", 'F');
  ASSERT_NE(first.exam_utf8.find("<n>成人健檢</n>"), std::string::npos);
  EXPECT_EQ(big5::ToUtf8(first.order.Get(order_field::kPreparationNote)), "<上傳日期1080510>");

  Outcome second = Convert(table, "9", "1080505", 'F', first.exam_utf8);
  EXPECT_EQ(second.exam_utf8, first.exam_utf8);
  EXPECT_EQ(second.order.Get(order_field::kExecutingStaff), "");
  EXPECT_EQ(second.order.Get(order_field::kFlags3), 0);

  Outcome other_day = Convert(table, "9", "1080506", 'F', "x");
  EXPECT_EQ(other_day.exam_utf8, "x");
  EXPECT_EQ(other_day.order.Get(order_field::kExecutingStaff), "");
}

TEST(AdultHealthCheck, MetabolicGradeCountsEachRiskAndStopsAtFour) {
  // Every blank: only the low HDL counts.
  EXPECT_EQ(MetabolicSyndromeGrade({}, 'F'), 2);
  EXPECT_EQ(MetabolicSyndromeGrade({0, 60, 0, 0, 0, 0}, 'F'), 1);
  // The waist and HDL limits depend on the sex, 'm' counts as male.
  EXPECT_EQ(MetabolicSyndromeGrade({85, 45, 0, 0, 0, 0}, 'F'), 3);
  EXPECT_EQ(MetabolicSyndromeGrade({85, 45, 0, 0, 0, 0}, 'm'), 1);
  EXPECT_EQ(MetabolicSyndromeGrade({90, 39.9, 0, 0, 0, 0}, 'M'), 3);
  // Systolic and diastolic count separately; limits are inclusive.
  EXPECT_EQ(MetabolicSyndromeGrade({0, 60, 130, 85, 0, 0}, 'F'), 3);
  EXPECT_EQ(MetabolicSyndromeGrade({0, 60, 129, 84, 99, 99}, 'F'), 1);
  EXPECT_EQ(MetabolicSyndromeGrade({100, 10, 140, 90, 120, 200}, 'F'), 4);
}

TEST(AdultHealthCheck, BlankMeasurementsOfAWomanGiveGradeTwoInTheRecord) {
  TempDir dir;
  DbfTable table = WriteHealthChecks(dir, {{{"KCSTMR", "3"}, {"RDATE", "1050101"}}});
  Outcome outcome = Convert(table, "3", "1050101", 'F');
  EXPECT_EQ(outcome.exam_utf8,
            Item("成人健檢",
                 Item("代謝症候群檢查結果與建議", "2：異常：建議:生活型態改善，並定期__個月追蹤")));
}

TEST(HealthCheckAnswers, UrineProteinCodes) {
  EXPECT_EQ(UrineProteinCode("-"), "0000");
  EXPECT_EQ(UrineProteinCode("+"), "1111");
  EXPECT_EQ(UrineProteinCode("+++"), "3333");
  EXPECT_EQ(UrineProteinCode("++++"), "4444");
  EXPECT_EQ(UrineProteinCode("+-"), "9999");
  EXPECT_EQ(UrineProteinCode("+++++"), "9999");
  EXPECT_EQ(UrineProteinCode("ab+-"), "ab+-");
  EXPECT_EQ(UrineProteinCode(""), "9999");
}

TEST(HealthCheckAnswers, CodesWithoutTextAndFallbackTexts) {
  EXPECT_EQ(HealthCheckAnswerText(HealthCheckAnswers::kSerology, '4'), "");
  EXPECT_EQ(big5::ToUtf8(HealthCheckAnswerText(HealthCheckAnswers::kSerology, '3')), "3：未執行");
  EXPECT_EQ(big5::ToUtf8(HealthCheckAnswerText(HealthCheckAnswers::kBetelNut, 'x')), "1：不嚼檳榔");
  EXPECT_EQ(big5::ToUtf8(HealthCheckAnswerText(HealthCheckAnswers::kHepatitisAdvice, '0')),
            "0：無");
  EXPECT_EQ(big5::ToUtf8(HealthCheckAnswerText(HealthCheckAnswers::kAssessment, '4')),
            "4：異常：建議:接受治療");
}

TEST(AdultHealthCheck, HealthCheckCodes) {
  for (const char* code : {"21", "22", "25", "27", "21+L1001C", "25+L1001C", "27+L1001C"}) {
    EXPECT_TRUE(IsAdultHealthCheckCode(code)) << code;
  }
  EXPECT_FALSE(IsAdultHealthCheckCode("23"));
  EXPECT_FALSE(IsAdultHealthCheckCode("22+L1001C"));
}

}  // namespace
}  // namespace zuvo
