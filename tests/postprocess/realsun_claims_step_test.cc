#include "postprocess/realsun_claims_step.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/byte_layout.h"
#include "core/chart_fixture.h"
#include "postprocess/claims_fixture.h"
#include "support/folder_files.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ClaimTree;
using testing::ClaimXml;
using testing::DoubleBytes;
using ::testing::ElementsAre;
using testing::I16At;
using testing::I32At;
using testing::OrderAt;
using testing::VisitAt;

DateTime At(int day, int hour) { return *EncodeDateTime({2019, 1, day, hour, 0, 0, 0}); }

std::string Text(std::string_view text) {
  return std::string(1, char(text.size())) + std::string(text);
}

float FloatAt(const std::string& bytes, size_t at) {
  float value;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}
double DoubleAt(const std::string& bytes, size_t at) {
  double value;
  std::memcpy(&value, bytes.data() + at, 8);
  return value;
}

// Day care (D2) for patient 7 on 3 January, card 0005: both visits of that day and card, with
// an order line claimed and one not; a claim of an unknown ID; a refill (08) for patient 8; an
// ordinary visit (01) of patient 12 with a co-payment code no table knows.
std::string JanuaryClaims() {
  return ClaimXml("D2",
                  {{"d3", "A123456789"},
                   {"d4", "G5"},
                   {"d8", "04"},
                   {"d9", "1080103"},
                   {"d14", "1"},
                   {"d15", "003"},
                   {"d24", "48011C"},
                   {"d27", " 7 "},
                   {"d29", "0005"},
                   {"d30", "D120000001"},
                   {"d31", "E220000002"},
                   {"d32", "321"},
                   {"d33", "230"},
                   {"d34", "15"},
                   {"d40", "0"},
                   {"d44", "21"},
                   {"d45", "1071201"},
                   {"d48", "ABCDEFGHIJKL"}},
                  {{{"p1", "7"},
                    {"p2", "1"},
                    {"p4", " A000000100 "},
                    {"p5", "0.5"},
                    {"p7", "TID"},
                    {"p8", "100.00"},
                    {"p9", "PO"},
                    {"p10", "10.5"},
                    {"p11", "2.35"},
                    {"p14", "10801011230"},
                    {"p15", "10801011245"},
                    {"p16", "F123456789"},
                    {"p17", "Y"},
                    {"p19", "NOTE"},
                    {"p20", "01"}},
                   {{"p1", "1"}, {"p4", "X999"}}}) +
         ClaimXml("01", {{"d3", "Z999999999"},
                         {"d9", "1080103"},
                         {"d27", "3"},
                         {"d44", "3"},
                         {"d29", "0001"}}) +
         ClaimXml("08", {{"d3", "B223456780"},
                         {"d9", "1071115"},
                         {"d10", "1080110"},
                         {"d15", "D10"},
                         {"d27", "28"},
                         {"d44", "84"},
                         {"d29", "0002"}}) +
         ClaimXml("01",
                  {{"d3", "C100000001"},
                   {"d9", "1080120"},
                   {"d15", "Q99"},
                   {"d27", "3"},
                   {"d44", "3"},
                   {"d29", "0003"}},
                  {{{"p1", "3"}, {"p4", "A000000100"}, {"p11", "4.0"}}});
}

class ClaimsStepTest : public ::testing::Test, public ClaimTree {
 protected:
  ClaimsStepTest() {
    // Patient 7's note is long: rewriting the record must not append it again.
    AddPatient(7, "A123456789", std::string(150, 'n'));
    AddPatient(8, "b223456780");
    AddPatient(12, "C100000001");
    ChartEntry released = Visit(7, At(3, 15), "0005", {"A000000100"});
    released.visit.Set(visit_field::kPharmacistName, big5::Literal("釋出處方箋"));
    visits = WriteVisits(
        {Visit(7, At(3, 9), "0005", {"A000000100", "B000000200"}), released,
         Visit(7, At(4, 9), "0005", {"A000000100"}), Visit(7, At(3, 10), "0006", {"A000000100"}),
         Visit(8, At(10, 9), "0002", {}), Visit(12, At(20, 9), "0003", {"A000000100"})});
    WriteArchive("10801", testing::ClaimDocumentXml(JanuaryClaims()));
  }
  std::vector<ChartPosition> visits;
};

TEST_F(ClaimsStepTest, CorrectsPatientVisitsAndOrdersInPlace) {
  const std::string chart_before = ChartBytes();
  const uint64_t patients_size = fs::file_size(store.server_data_folder / "PtData.000");
  ASSERT_EQ(RunStep(), StepResult::kDone);
  const std::string chart = ChartBytes();
  const std::string patients = PatientBytes();
  EXPECT_EQ(chart.size(), chart_before.size());
  EXPECT_EQ(fs::file_size(store.server_data_folder / "PtData.000"), patients_size);

  // Patient 7: class 3 (day care overrides the class 1 of code 003), code 003, fresh checksum.
  const size_t p7 = 7 * 269;
  EXPECT_EQ(patients[p7 + 40], '3');
  EXPECT_EQ(patients.substr(p7 + 41, 4), Text("003"));
  PatientRecord record;
  record.Assign(std::string_view(patients).substr(p7, 269));
  EXPECT_EQ(testing::U32At(patients, p7), PatientChecksum(record));
  // Patient 12: the unknown code Q99 becomes 000 with class 0.
  EXPECT_EQ(patients[12 * 269 + 40], '0');
  EXPECT_EQ(patients.substr(12 * 269 + 41, 4), Text("000"));

  const size_t v = VisitAt(visits[0]);
  EXPECT_EQ(I32At(chart, v + 0), 7);
  EXPECT_EQ(chart.substr(v + 47, 11), Text("D120000001"));
  EXPECT_EQ(chart.substr(v + 69, 11), Text("E220000002"));
  EXPECT_EQ(chart[v + 104], '3');
  EXPECT_EQ(chart.substr(v + 105, 4), Text("003"));
  EXPECT_EQ(I16At(chart, v + 109), 0x1043);
  EXPECT_EQ(I16At(chart, v + 117), 0);
  EXPECT_EQ(I32At(chart, v + 139), 321);
  EXPECT_EQ(I32At(chart, v + 143), 230);
  EXPECT_EQ(I32At(chart, v + 147), 15);
  EXPECT_EQ(chart.substr(v + 151, 3), Text("04"));
  EXPECT_EQ(chart[v + 154], '3');  // 21 div 7
  EXPECT_EQ(chart.substr(v + 155, 3), Text("D2"));
  EXPECT_EQ(chart.substr(v + 158, 3), Text("G5"));
  EXPECT_EQ(chart[v + 161], 0);
  EXPECT_EQ(chart[v + 170], '1');
  EXPECT_EQ(chart.substr(v + 171, 3), Text("AC"));
  EXPECT_EQ(chart.substr(v + 179, 7), Text("48011C"));
  EXPECT_EQ(I16At(chart, v + 209), 7);
  EXPECT_EQ(chart.substr(v + 211, 8), DoubleBytes(0));
  EXPECT_EQ(chart.substr(v + 219, 8), DoubleBytes(43435));  // 2018-12-01
  EXPECT_EQ(I16At(chart, v + 233), 21);
  EXPECT_EQ(chart.substr(v + 244, 11), Text("ABCDEFGHIJ"));

  // The claimed order line; the execution time 108-01-01 12:30 is read with the seconds 01.
  const size_t o = OrderAt(visits[0], 0);
  EXPECT_EQ(I16At(chart, o + 114), 7);
  EXPECT_EQ(chart[o + 174], '1');
  EXPECT_EQ(chart[o + 175], ' ');
  EXPECT_EQ(I16At(chart, o + 64), 50);
  EXPECT_EQ(chart.substr(o + 86, 4), Text("TID"));
  EXPECT_EQ(I16At(chart, o + 105), 10000);
  EXPECT_EQ(chart.substr(o + 107, 3), Text("PO"));
  EXPECT_EQ(FloatAt(chart, o + 116), 10.5f);
  EXPECT_EQ(FloatAt(chart, o + 131), 2.35f);
  const double noon_thirty = 43466 + (12 * 3600 + 30 * 60 + 1.001) / 86400;  // 2019-01-01
  EXPECT_NEAR(DoubleAt(chart, o + 146), noon_thirty, 1e-10);
  EXPECT_NEAR(DoubleAt(chart, o + 154), noon_thirty + 15.0 / 1440, 1e-10);
  EXPECT_EQ(chart.substr(o + 176, 11), Text("F123456789"));
  EXPECT_EQ(chart[o + 187], 'Y');
  EXPECT_EQ(chart[o + 188], ' ');
  EXPECT_EQ(chart.substr(o + 189, 5), Text("NOTE"));
  EXPECT_EQ(chart.substr(o + 203, 2), "01");
  // The line the claim does not name keeps every byte.
  EXPECT_EQ(chart.substr(OrderAt(visits[0], 1), 272),
            chart_before.substr(OrderAt(visits[0], 1), 272));

  // The second visit of that day and card is corrected too, but its released prescription keeps
  // the converted drug points; its order line is corrected.
  EXPECT_EQ(I16At(chart, VisitAt(visits[1]) + 109), 0x1043);
  EXPECT_EQ(I32At(chart, VisitAt(visits[1]) + 139), 999);
  EXPECT_EQ(I16At(chart, OrderAt(visits[1], 0) + 114), 7);
  // Another day, another card: untouched.
  for (size_t other : {2u, 3u}) {
    EXPECT_EQ(chart.substr(VisitAt(visits[other]), 292),
              chart_before.substr(VisitAt(visits[other]), 292));
    EXPECT_EQ(chart.substr(OrderAt(visits[other], 0), 272),
              chart_before.substr(OrderAt(visits[other], 0), 272));
  }

  // After the unknown ID the month goes on: the refill (visit day d10, first prescription d9)...
  const size_t r = VisitAt(visits[4]);
  EXPECT_EQ(chart.substr(r + 155, 3), Text("08"));
  EXPECT_EQ(chart.substr(r + 211, 8), DoubleBytes(43419));  // 2018-11-15
  EXPECT_EQ(chart[r + 154], '3');                           // 84 div 28
  EXPECT_EQ(chart.substr(r + 171, 3), Text("01"));          // visit category unchanged
  // ...and the ordinary visit, whose unit price stays as converted for case type 01.
  const size_t u = VisitAt(visits[5]);
  EXPECT_EQ(chart[u + 104], '0');
  EXPECT_EQ(chart.substr(u + 105, 4), Text("000"));
  EXPECT_EQ(I16At(chart, OrderAt(visits[5], 0) + 114), 3);
  EXPECT_EQ(FloatAt(chart, OrderAt(visits[5], 0) + 131), 9.5f);

  EXPECT_THAT(context.lines(),
              ::testing::IsSupersetOf({"用健保申報檔修正病歷", "申報檔:10801XML.zip",
                                       "病人資料庫內找不到ID:Z999999999", "不明部分負擔碼:Q99",
                                       "病歷修正完成"}));
  EXPECT_TRUE(context.messages().empty());
  EXPECT_EQ(context.elapsed_label(), "耗時: 00:00:00");
  EXPECT_EQ(testing::ReadFileBytes(store.server_data_folder / "INSUdata" / "M10801.XML"),
            testing::ClaimDocumentXml(JanuaryClaims()));
  EXPECT_FALSE(fs::exists(work_tree / kClaimScratchFolderName));
}

TEST_F(ClaimsStepTest, RunningTwiceGivesTheSameBytes) {
  flags.SetStepMessages(true);
  ASSERT_EQ(RunStep(), StepResult::kDone);
  const auto first = testing::FolderFiles(dir.path());
  ASSERT_EQ(RunStep(), StepResult::kDone);
  EXPECT_EQ(testing::FolderFiles(dir.path()), first);
  EXPECT_THAT(context.MessageTexts(), ElementsAre("病歷修正完成", "病歷修正完成"));
}

TEST_F(ClaimsStepTest, NonIntegerDaysSkipTheClaimOnly) {
  WriteArchive("10801", testing::ClaimDocumentXml(ClaimXml("01", {{"d3", "A123456789"},
                                                                  {"d9", "1080103"},
                                                                  {"d15", "000"},
                                                                  {"d27", "7.5"},
                                                                  {"d44", "7"},
                                                                  {"d29", "0005"}}) +
                                                  JanuaryClaims()));
  ASSERT_EQ(RunStep(), StepResult::kDone);
  EXPECT_THAT(context.lines(),
              ::testing::Contains("申報日份不是整數:A123456789 1080103 d27=7.5 d44=7"));
  // The later claim of the same visit is applied, and nothing of the skipped one shows.
  EXPECT_EQ(ChartBytes().substr(VisitAt(visits[0]) + 155, 3), Text("D2"));
  EXPECT_EQ(PatientBytes().substr(7 * 269 + 41, 4), Text("003"));
}

TEST_F(ClaimsStepTest, StopIsHonouredBetweenClaims) {
  WriteArchive("10802", testing::ClaimDocumentXml(JanuaryClaims()));
  // Events: before the month, before the first claim, before the second claim (stop).
  context.RequestStopAfterEvents(3);
  const std::string before = ChartBytes();
  ASSERT_EQ(RunStep(), StepResult::kDone);
  const std::string chart = ChartBytes();
  EXPECT_EQ(I16At(chart, VisitAt(visits[0]) + 109), 0x1043);
  EXPECT_EQ(chart.substr(VisitAt(visits[4]), 292), before.substr(VisitAt(visits[4]), 292));
  EXPECT_TRUE(fs::exists(store.server_data_folder / "INSUdata" / "M10801.XML"));
  EXPECT_FALSE(fs::exists(store.server_data_folder / "INSUdata" / "M10802.XML"));
}

TEST_F(ClaimsStepTest, MissingChartFileEndsTheStepWithoutCompletion) {
  flags.SetStepMessages(true);
  fs::rename(store.ChartFolder() / "D000000.000", store.ChartFolder() / "moved");
  EXPECT_EQ(RunStep(), StepResult::kStopped);
  const std::string expected =
      "沒有fileCode[0]指定檔案:" + PathToUtf8(store.ChartFolder() / "D000000.000");
  EXPECT_THAT(context.lines(), ::testing::Contains(expected));
  EXPECT_THAT(context.lines(), ::testing::Not(::testing::Contains("病歷修正完成")));
  EXPECT_TRUE(context.messages().empty());
}

TEST_F(ClaimsStepTest, DamagedChainsAreWalkedAndReportedAsTheyAre) {
  // Patient 7's newest entry has an unknown block after its visit record.
  std::string chart = ChartBytes();
  chart[VisitAt(visits[3]) + kVisitRecordSize] = 99;
  testing::WriteFileBytes(store.ChartFolder() / "D000000.000", chart);
  ASSERT_EQ(RunStep(), StepResult::kDone);
  const std::string corrected = ChartBytes();
  EXPECT_THAT(context.lines(),
              ::testing::Contains("病歷讀取錯誤0:" + std::to_string(visits[3].offset)));
  EXPECT_TRUE(context.messages().empty());
  // The chain goes on behind the damaged entry, and the entries after it in the file are found.
  EXPECT_EQ(I16At(corrected, VisitAt(visits[0]) + 109), 0x1043);
  EXPECT_EQ(I16At(corrected, OrderAt(visits[1], 0) + 114), 7);
  EXPECT_EQ(corrected.substr(VisitAt(visits[3]), 292), chart.substr(VisitAt(visits[3]), 292));
  EXPECT_EQ(corrected.substr(VisitAt(visits[4]) + 155, 3), Text("08"));
  EXPECT_EQ(I16At(corrected, OrderAt(visits[5], 0) + 114), 3);
}

TEST(ClaimsAcrossChartFiles, EachVisitIsCorrectedInItsOwnFile) {
  ClaimTree tree;
  tree.AddPatient(7, "A123456789");
  ChartEntry filler = ClaimTree::Visit(7, At(2, 9), "0005", {"A000000100"});
  filler.chart_text = std::string(1'000'000, 'x');
  const std::vector<ChartPosition> visits =
      tree.WriteVisits({ClaimTree::Visit(7, At(3, 9), "0005", {"A000000100"}), filler,
                        ClaimTree::Visit(7, At(3, 15), "0005", {"B000000200", "A000000100"})},
                       1);
  ASSERT_EQ(visits[1].file_code, 0);
  ASSERT_EQ(visits[2], (ChartPosition{1, 1}));
  tree.WriteArchive("10801", testing::ClaimDocumentXml(JanuaryClaims()));
  const std::string file0_before = testing::ReadFileBytes(tree.store.ChartFolder() / "D000000.000");
  const std::string file1_before = testing::ReadFileBytes(tree.store.ChartFolder() / "D000000.001");
  ASSERT_EQ(tree.RunStep(), StepResult::kDone);
  const std::string file0 = testing::ReadFileBytes(tree.store.ChartFolder() / "D000000.000");
  const std::string file1 = testing::ReadFileBytes(tree.store.ChartFolder() / "D000000.001");
  EXPECT_EQ(I16At(file0, VisitAt(visits[0]) + 109), 0x1043);
  EXPECT_EQ(I16At(file0, OrderAt(visits[0], 0) + 114), 7);
  EXPECT_EQ(I16At(file1, VisitAt(visits[2]) + 109), 0x1043);
  EXPECT_EQ(I16At(file1, OrderAt(visits[2], 1) + 114), 7);
  // The other day's visit, the line the claim does not name, and the files' sizes stay.
  EXPECT_EQ(file0.substr(VisitAt(visits[1]), 292), file0_before.substr(VisitAt(visits[1]), 292));
  EXPECT_EQ(file1.substr(OrderAt(visits[2], 0), 272),
            file1_before.substr(OrderAt(visits[2], 0), 272));
  EXPECT_EQ(file0.size(), file0_before.size());
  EXPECT_EQ(file1.size(), file1_before.size());
}

TEST_F(ClaimsStepTest, MonthsRunFromTheModesFirstMonthThroughNow) {
  for (const char* month : {"10107", "10108", "10109", "10712", "10803"}) {
    WriteArchive(month, testing::ClaimDocumentXml(""));
  }
  auto copies = [&] {
    std::vector<std::string> names;
    for (const auto& [name, digest] : testing::FolderFiles(store.server_data_folder / "INSUdata")) {
      names.push_back(name);
    }
    return names;
  };
  // Before the split date: from 101/08, not before the opening month, never after this month.
  input.chart = {"", MakeDateMode::kBefore, 6};
  input.folder.start_date = "1010901";
  ASSERT_EQ(RunStep(), StepResult::kDone);
  EXPECT_EQ(input.chart.split_date, "1080216");  // a blank split date is tomorrow
  EXPECT_THAT(copies(), ElementsAre("M10109.XML", "M10712.XML", "M10801.XML"));
  // On and after the split date: from its month.
  input.chart = {"1071231", MakeDateMode::kOnAndAfter, 6};
  ASSERT_EQ(RunStep(), StepResult::kDone);
  EXPECT_THAT(copies(), ElementsAre("M10712.XML", "M10801.XML"));
}

TEST_F(ClaimsStepTest, ConfigurationProblemsStopBeforeAnythingIsWritten) {
  input.folder.his = big5::Literal("展望");
  EXPECT_EQ(RunStep(), StepResult::kStopped);
  input.folder.his = big5::Literal("耀聖");
  input.chart.split_date = "108013";
  EXPECT_EQ(RunStep(), StepResult::kStopped);
  input.chart.split_date = "1080101";
  input.folder.clinic_id = "../x";
  EXPECT_EQ(RunStep(), StepResult::kStopped);
  EXPECT_THAT(context.MessageTexts(),
              ElementsAre("請先選取正確耀聖來源目錄", "切割日期格式錯誤yyymmdd", ::testing::_));
  EXPECT_FALSE(fs::exists(store.server_data_folder / "INSUdata"));
  EXPECT_FALSE(fs::exists(store.patient_index_path));
}

}  // namespace
}  // namespace zuvo
