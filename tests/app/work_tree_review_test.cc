// The review of a converted work tree: over the Vision demo clinic whose visit table is replaced
// by rows planted for each reason a visit is left out (every count worked out by hand from the
// planted rows), and over the RealSun demo clinic.

#include "app/work_tree_review.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/pipeline_run.h"
#include "app/program_folder.h"
#include "app/realsun_pipeline.h"
#include "app/vision_pipeline.h"
#include "core/realsun_date.h"
#include "demo/demo_clinic.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"
#include "support/cli_runner.h"
#include "support/json_reader.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/vision_selection.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::TempDir;

// 2026-12-01 10:00 = ROC 115/12/01: a visit of 116 is in the future.
const DateTime kRunTime = *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});

using Row = std::map<std::string, std::string>;

// Rewrites `table` of `folder` with its own fields: one record per row of `rows`, each the
// table's record `template_record` (1-based) with the row's fields put over it.
void ReplaceRows(const fs::path& folder, const std::string& table_name, int template_record,
                 const std::vector<Row>& rows) {
  std::vector<DbfFieldSpec> specs;
  std::vector<std::string> template_values;
  {
    DbfTable table = DbfTable::Open(folder, table_name);
    for (const DbfField& field : table.Fields()) {
      specs.push_back({field.name, field.type, field.width, field.decimals});
    }
    table.Go(template_record);
    for (const DbfField& field : table.Fields()) {
      template_values.push_back(big5::Trim(table.Text(field.name)));
    }
  }
  DbfWriter writer(folder / table_name, specs);
  for (const Row& row : rows) {
    std::vector<std::string> values = template_values;
    for (size_t i = 0; i < specs.size(); ++i) {
      if (auto found = row.find(specs[i].name); found != row.end()) values[i] = found->second;
    }
    writer.Append(values);
  }
  writer.Close();
}

// The first visit row an ordinary visit can be made from: a number of drug days and one main
// diagnosis that is no preventive-care code.
int OrdinaryVisitRecord(const fs::path& folder) {
  DbfTable table = DbfTable::Open(folder, "CO03L.DBF");
  for (table.First(); !table.Eof(); table.Next()) {
    const std::string main = big5::Trim(table.Text("LABNO"));
    if (!main.empty() && main[0] != '@' && big5::Trim(table.Text("DAYQTY")) == "3") {
      return table.RecordNumber();
    }
  }
  return 0;
}

class WorkTreeReviewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    shared_ = new Shared;
    Shared& s = *shared_;
    InstallDeliveredFiles(s.program);
    fs::create_directories(s.program / "live");  // the live root apply would replace
    demo::WriteVisionDemoSource(s.source, 1);
    const int visit = OrdinaryVisitRecord(s.source);
    ASSERT_GT(visit, 0);
    // Split 107/01/01, converting on and after it; the opening date is the first order's day,
    // 102/01/05 (the first order row below).
    ReplaceRows(s.source, "CO03L.DBF", visit,
                {{{"KCSTMR", "1"}, {"DATE", "1011231"}, {"LACD", ""}},     // before opening
                 {{"KCSTMR", "1"}, {"DATE", "1060310"}, {"LACD", ""}},     // before the split
                 {{"KCSTMR", "1"}, {"DATE", "1070105"}, {"LACD", ""}},     // converted
                 {{"KCSTMR", "2"}, {"DATE", "1080220"}, {"LACD", ""}},     // converted
                 {{"KCSTMR", "2"}, {"DATE", "1080301"}, {"LACD", ""}},     // converted
                 {{"KCSTMR", "3"}, {"DATE", "1160105"}, {"LACD", ""}},     // in the future
                 {{"KCSTMR", "9999"}, {"DATE", "1090101"}, {"LACD", ""}},  // no such patient
                 {{"KCSTMR", "0"}, {"DATE", "1100101"}, {"LACD", ""}},     // chart number 0
                 {{"KCSTMR", "3"}, {"DATE", "1090505"}, {"DAYQTY", "x"}, {"LACD", ""}}});
    std::string time;
    {
      DbfTable visits = DbfTable::Open(s.source, "CO03L.DBF");
      visits.First();
      time = big5::Trim(visits.Text("TIME"));
    }
    ReplaceRows(s.source, "CO02P.DBF", 1,
                {{{"KCSTMR", "1"}, {"PDATE", "1020105"}, {"PTIME", time}},
                 {{"KCSTMR", "2"}, {"PDATE", "1080220"}, {"PTIME", time}}});
    ReplaceRows(s.source, "CO02H.DBF", 1,
                {{{"KCSTMR", "1"},
                  {"SDATE", "1070105"},
                  {"STIME", time},
                  {"STEXT", big5::FromUtf8("咳嗽三天")}}});

    RunFields fields;
    fields.chart.split_date = VisionPipeline().default_split_date;
    RunFlags flags;
    RecordingStepContext context(flags);
    Workplace place{s.program, kRunTime, {}, [] { return kRunTime; }};
    context.AnswerNextFolder(s.source);
    ASSERT_EQ(SelectVisionFolder(fields.folder, place, context), StepResult::kDone);
    RunOutcome outcome = RunOneShot(VisionPipeline(), fields, place, context);
    ASSERT_TRUE(outcome.completed);
    s.work_tree = fields.folder.work_tree;
    s.review = ReviewWorkTree(s.program, s.work_tree);
  }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }

  struct Shared {
    TempDir dir;
    fs::path program = dir / "program";
    fs::path source = dir / "source";
    fs::path work_tree;
    WorkTreeReview review;
  };
  static Shared* shared_;
  const WorkTreeReview& review() const { return shared_->review; }
};

WorkTreeReviewTest::Shared* WorkTreeReviewTest::shared_ = nullptr;

std::vector<std::vector<long>> Rows(const std::vector<YearTally>& years) {
  std::vector<std::vector<long>> rows;
  for (const YearTally& y : years) {
    rows.push_back({y.roc_year, y.source, y.converted, y.outside_split, y.before_opening, y.future,
                    y.no_patient, y.other});
  }
  return rows;
}

TEST_F(WorkTreeReviewTest, VisitsByYearSayWhyEachPlantedRowWasLeftOut) {
  // year, source, converted, outside split, before opening, future, no patient, other
  EXPECT_EQ(Rows(review().years), (std::vector<std::vector<long>>{{101, 1, 0, 0, 1, 0, 0, 0},
                                                                  {106, 1, 0, 1, 0, 0, 0, 0},
                                                                  {107, 1, 1, 0, 0, 0, 0, 0},
                                                                  {108, 2, 2, 0, 0, 0, 0, 0},
                                                                  {109, 2, 0, 0, 0, 0, 1, 1},
                                                                  {110, 1, 0, 0, 0, 0, 1, 0},
                                                                  {116, 1, 0, 0, 0, 1, 0, 0}}));
  EXPECT_EQ(Rows({review().total}), (std::vector<std::vector<long>>{{0, 9, 3, 1, 1, 1, 2, 1}}));
  EXPECT_EQ(review().opening_date, "1020105") << review().work_tree;
  EXPECT_EQ(review().split_words, "只轉換 107/01/01 以後的門診,之前的 1 筆未轉");
  // One main diagnosis for each converted visit, and the one planted order line.
  EXPECT_EQ(review().diagnoses, 3);
  EXPECT_EQ(review().order_lines, 1);
}

TEST_F(WorkTreeReviewTest, ReportKindsStoresRunRecordAndApply) {
  std::map<std::string, std::vector<std::string>> kinds;
  for (const MessageKindLines& group : review().message_kinds) kinds[group.kind] = group.lines;
  // The patient step's lines of the kind come first; the chart step names the visit row.
  EXPECT_THAT(kinds["病歷號為0錯誤"], ::testing::Contains("病歷號為0錯誤:8"));
  EXPECT_THAT(kinds["病歷號過大"], ElementsAre("病歷號過大:9999"));
  EXPECT_THAT(kinds["開藥日數錯誤"], ElementsAre("開藥日數錯誤:9"));
  EXPECT_THAT(kinds["門診日期錯誤"], ElementsAre("門診日期錯誤:3 1160105"));

  ASSERT_TRUE(review().record.has_value());
  EXPECT_EQ(review().record->activity, "vision run");
  EXPECT_EQ(review().record->state, ConversionState::kCompleted);
  EXPECT_EQ(review().record->started, RocStamp(kRunTime));
  ASSERT_EQ(review().stores.size(), 1u);
  EXPECT_TRUE(review().stores[0].report.clean());
  EXPECT_EQ(review().stores[0].folder, shared_->work_tree / "Tolsern" / review().clinic_code);
  EXPECT_EQ(review().live_root, shared_->program / "live" / "");
  EXPECT_TRUE(review().can_apply);
  EXPECT_THAT(review().apply_problems, ElementsAre());
}

TEST_F(WorkTreeReviewTest, PatientSearchAndVisitsNewestFirst) {
  ASSERT_GE(review().patients.size(), 3u);
  EXPECT_EQ(review().source_patients, DbfTable::Open(shared_->source, "CO01M.DBF").RecordCount());
  const ReviewPatient second = review().patients[1];
  EXPECT_EQ(second.number, 2);
  EXPECT_EQ(second.visits, 2);
  // By name, by ID in lower case, by chart number.
  for (const std::string& text : {second.name, second.national_id}) {
    std::vector<ReviewPatient> found = FindPatients(review(), text);
    ASSERT_EQ(found.size(), 1u) << text;
    EXPECT_EQ(found[0].number, 2);
  }
  std::string lower_id = second.national_id;
  for (char& c : lower_id) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(FindPatients(review(), lower_id).size(), 1u);
  EXPECT_EQ(FindPatients(review(), "").size(), review().patients.size());
  EXPECT_TRUE(FindPatients(review(), "不存在的名字").empty());

  std::vector<ReviewVisit> visits = PatientVisits(review(), 2);
  ASSERT_EQ(visits.size(), 2u);
  EXPECT_TRUE(visits[0].date.starts_with("108/03/01")) << visits[0].date;
  EXPECT_TRUE(visits[1].date.starts_with("108/02/20")) << visits[1].date;
  EXPECT_EQ(visits[0].orders.size(), 0u);
  ASSERT_EQ(visits[1].orders.size(), 1u);
  EXPECT_EQ(visits[1].diagnoses.size(), 1u);
  std::vector<ReviewVisit> first = PatientVisits(review(), 1);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_THAT(first[0].complaint, ::testing::HasSubstr("咳嗽三天"));
  EXPECT_TRUE(PatientVisits(review(), 9999).empty());
}

TEST_F(WorkTreeReviewTest, CommandPrintsJsonThatReadsBack) {
  if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI is not set";
  testing::CliRun run =
      testing::RunCli("--home " + testing::Quoted(shared_->program) + " review " +
                      testing::Quoted(shared_->work_tree) + " --json --patient 2");
  ASSERT_EQ(run.status, 0) << run.out;
  testing::JsonValue json = testing::ReadJson(run.out);
  EXPECT_EQ(json["can_apply"].boolean, true);
  EXPECT_EQ(json["split_words"].text, review().split_words);
  EXPECT_EQ(json["run"]["state"].text, "completed");
  const testing::JsonValue& visits = json["counts"]["visits"];
  EXPECT_EQ(visits["source"].number, 9);
  EXPECT_EQ(visits["converted"].number, 3);
  EXPECT_EQ(visits["no_patient"].number, 2);
  ASSERT_EQ(json["counts"]["visits_by_year"].elements.size(), 7u);
  EXPECT_EQ(json["counts"]["visits_by_year"].elements[6]["roc_year"].number, 116);
  ASSERT_EQ(json["visits"].elements.size(), 2u);
  EXPECT_EQ(json["visits"].elements[1]["orders"].elements.size(), 1u);
  ASSERT_EQ(json["patients"].elements.size(), 1u);
  EXPECT_EQ(json["patients"].elements[0]["name"].text, review().patients[1].name);

  testing::CliRun text = testing::RunCli("--home " + testing::Quoted(shared_->program) +
                                         " review " + testing::Quoted(shared_->work_tree));
  EXPECT_EQ(text.status, 0) << text.out;
  EXPECT_THAT(text.out, ::testing::HasSubstr("  108年: 原始 2, 已轉 2\n"));
  EXPECT_THAT(text.out, ::testing::HasSubstr("可以套用"));

  testing::CliRun usage = testing::RunCli(
      "review " + testing::Quoted(shared_->work_tree) + " --patient x", testing::WithErrors());
  EXPECT_EQ(usage.status, 64);
  EXPECT_THAT(usage.out, ::testing::HasSubstr("--patient must be a chart number, not \"x\""));
}

// A work tree no run has recorded itself in, and without its clinic's store, is no tree to apply.
TEST(WorkTreeReviewRefusal, TreeWithoutRunRecordOrStoreCannotBeApplied) {
  TempDir dir;
  const fs::path work_tree = dir / "program" / "VISW" / "1234567890" / "1150101_1";
  fs::create_directories(work_tree / "Tolsern");
  fs::create_directories(work_tree / "Corvix");
  WorkTreeReview review = ReviewWorkTree(dir / "program", work_tree);
  EXPECT_FALSE(review.can_apply);
  EXPECT_THAT(review.apply_problems,
              ElementsAre("工作目錄沒有轉檔記錄",
                          "沒有本診所的病歷檔:" + PathToUtf8(work_tree / "Tolsern" / "1234567890"),
                          "現用資料的根目錄不存在:" + PathToUtf8(dir / "program" / "live" / "")));
  EXPECT_FALSE(review.live_root_exists);
  if (!testing::HaveCli()) return;
  testing::CliRun run = testing::RunCli("--home " + testing::Quoted(dir / "program") + " review " +
                                        testing::Quoted(work_tree));
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_THAT(run.out, ::testing::HasSubstr("不能套用:\n  工作目錄沒有轉檔記錄\n"));
}

// The RealSun demo clinic converted in the mode "before" a split date: every source visit row is
// converted, on the other side of the split, or of a month the clinic claimed nothing in (the
// demo leaves one month without its claim table). The counts are worked out here from the
// source tables.
TEST(RealSunWorkTreeReview, EveryVisitRowIsConvertedOrLeftOutForItsReason) {
  TempDir dir;
  const fs::path program = dir / "program";
  const fs::path source = dir / "source";
  InstallDeliveredFiles(program);
  fs::create_directories(program / "live");
  const demo::DemoClinic clinic = demo::WriteRealSunDemoSource(source, 1);
  constexpr std::string_view kSplit = "1100101";

  RunFields fields;
  fields.chart.split_date = kSplit;
  fields.chart.mode = MakeDateMode::kBefore;
  RunFlags flags;
  RecordingStepContext context(flags);
  Workplace place{program, kRunTime, {}, [] { return kRunTime; }};
  context.AnswerNextFolder(source);
  ASSERT_EQ(RealSunPipeline().select(fields, place, context), StepResult::kDone);
  fields.folder.start_date = demo::kRealSunDemoOpeningDate;
  fields.folder.pharmacist_name = big5::Literal("林美玲");
  fields.folder.pharmacist_id = "B223456789";
  ASSERT_TRUE(RunOneShot(RealSunPipeline(), fields, place, context).completed);
  const WorkTreeReview review = ReviewWorkTree(program, fields.folder.work_tree);

  long rows = 0, after_split = 0, unclaimed = 0;
  std::set<std::string> unclaimed_months;
  for (int n = 1;; ++n) {
    const std::string name = "plut" + std::to_string(n) + ".dbf";
    if (!fs::exists(source / "Z" / name)) break;
    DbfTable table = DbfTable::Open(source / "Z", name);
    for (table.First(); !table.Eof(); table.Next()) {
      ++rows;
      const std::string date = RealSunDateText(big5::Trim(table.Text("DATE")));
      if (date >= kSplit) {
        ++after_split;
        continue;
      }
      // The claim tables name the year without leading zeros: S/xp9901.DBF, S/xp11012.DBF.
      const std::string month = std::to_string(std::stoi(date.substr(0, 3))) + date.substr(3, 2);
      if (!ResolvePath(source, "S/xp" + month + ".DBF")) {
        ++unclaimed;
        unclaimed_months.insert(month);
      }
    }
  }
  ASSERT_EQ(unclaimed_months.size(), 1u) << "the demo's one month without claims";
  ASSERT_GT(after_split, 0);
  EXPECT_EQ(review.system, SourceSystem::kRealSun);
  EXPECT_EQ(review.clinic_code, clinic.code);
  EXPECT_EQ(review.total.source, rows);
  EXPECT_EQ(review.total.outside_split, after_split);
  EXPECT_EQ(review.total.no_claims, unclaimed);
  EXPECT_EQ(review.total.other, 0);
  EXPECT_EQ(review.total.converted + review.total.LeftOut(), rows);
  ASSERT_EQ(review.stores.size(), 1u);
  EXPECT_EQ(review.total.converted, static_cast<long>(review.stores[0].report.entries));
  EXPECT_EQ(review.split_words,
            "只轉換 110/01/01 以前的門診,之後的 " + std::to_string(after_split) + " 筆未轉");
  EXPECT_TRUE(review.can_apply) << (review.apply_problems.empty() ? "" : review.apply_problems[0]);
}

TEST(WorkTreeReviewRefusal, MissingWorkTreeIsNamed) {
  TempDir dir;
  try {
    ReviewWorkTree(dir / "program", dir / "nowhere");
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), PathToUtf8(dir / "nowhere") + ": 工作目錄不存在");
  }
}

}  // namespace
}  // namespace zuvo
