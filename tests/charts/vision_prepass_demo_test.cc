#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/program_folder.h"
#include "charts/vision_prepass.h"
#include "charts/vision_prepass_files.h"
#include "demo/vision_visit_tables.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using testing::ReadFileBytes;
using testing::TempDir;

TEST(VisionVisitTablesTest, SameSeedSameTablesAndEveryVisitHasAComplaint) {
  TempDir first, second;
  demo::VisitTableCounts counts = demo::WriteVisionVisitTables(first.path(), 11);
  demo::WriteVisionVisitTables(second.path(), 11);
  for (const char* name : {"CO03L.DBF", "CO02H.DBF", "CO02P.DBF", "CO18R.DBF"}) {
    EXPECT_EQ(ReadFileBytes(first / name), ReadFileBytes(second / name)) << name;
  }
  EXPECT_EQ(DbfTable::Open(first.path(), "CO03L.DBF").RecordCount(), counts.visits);
  EXPECT_EQ(DbfTable::Open(first.path(), "CO02H.DBF").RecordCount(), counts.complaints);
  EXPECT_EQ(DbfTable::Open(first.path(), "CO02P.DBF").RecordCount(), counts.orders);
  EXPECT_EQ(counts.visits, counts.complaints);
  EXPECT_GT(counts.health_checks, 0);
  EXPECT_GT(counts.referral_files, 0);
}

TEST(VisionVisitTablesTest, ScaleFormHasTheRequestedSize) {
  TempDir dir;
  demo::VisitTableOptions options;
  options.patients = 50;
  options.visits_per_patient = 4;
  options.scale = true;
  demo::VisitTableCounts counts = demo::WriteVisionVisitTables(dir.path(), 3, options);
  EXPECT_EQ(counts.visits, 200);
  EXPECT_EQ(counts.complaints, 200);
  EXPECT_NEAR(counts.orders, 800, 80);
  EXPECT_EQ(counts.referral_files, 0);
}

// The demo clinic run through the pre-pass meets its special cases.
TEST(VisionPrepassDemoTest, DemoClinicExercisesTheRules) {
  TempDir dir;
  fs::path program = dir / "program";
  InstallDeliveredFiles(program);
  VisionChartInput input;
  input.folder.his = big5::Literal("展望");
  input.folder.source_folder = dir / "source";
  demo::WriteVisionVisitTables(input.folder.source_folder, 5);
  input.folder.clinic_id = "3501200000";
  fs::path clinic = program / "VISW" / input.folder.clinic_id;
  input.folder.work_tree = clinic / "1140101_1";
  input.chart.split_date = "1000101";
  input.folder.start_date = "";
  fs::create_directories(input.folder.work_tree / "Corvix");
  fs::copy_file(program / "OPDbak.mdb", input.folder.work_tree / "Corvix" / "OPD.MDB");
  WriteProfileString(clinic / "data.ini", "system", "ClinicTypeNo", "01");
  WriteProfileString(clinic / "data.ini", "system", big5::Literal("開業日期"),
                     demo::kDemoOpeningDate);
  RunFlags flags;
  RecordingStepContext context(flags);
  Workplace place;
  place.program_folder = program;
  place.now = RocDateToDate("1151201");
  ASSERT_EQ(PrepareVisionVisits(input, place, context), StepResult::kDone);

  const std::vector<std::string>& lines = context.lines();
  EXPECT_THAT(lines, Contains("門診日期錯誤:1 1011231"));  // before the opening date
  EXPECT_THAT(lines, Contains("門診日期錯誤:1 1991231"));  // in the future
  EXPECT_THAT(lines, Contains("不明使用頻率語法:[Q2D]"));
  EXPECT_THAT(lines, Contains("找不到醫令:XYZ999"));
  ReferralIndex referrals = ReferralIndex::Load(input.folder.work_tree / "REF.txt");
  EXPECT_GT(referrals.size(), 0u);
  // Each visit's complaint and orders are found through the chains.
  Database chains = Database::Open(input.folder.work_tree / "ANTCHECK.MDB");
  ComplaintFile complaints =
      OpenComplaintFile(input.folder.work_tree / "CC.rd", ReadChainHeads(chains, "CClink"));
  OrderLineFile orders =
      OpenOrderLineFile(input.folder.work_tree / "MXdo.mx", ReadChainHeads(chains, "MXlink"));
  EXPECT_TRUE(complaints.damaged_patients().empty());
  EXPECT_TRUE(orders.damaged_patients().empty());
  DbfTable visits = DbfTable::Open(input.folder.source_folder, "CO03L.DBF");
  int checked = 0;
  for (visits.First(); !visits.Eof(); visits.Next()) {
    int32_t patient = static_cast<int32_t>(visits.Integer("KCSTMR"));
    std::string date = big5::Trim(visits.Text("DATE"));
    if (patient == 0 || date < "1020105" || date > "1151201") continue;
    EXPECT_FALSE(complaints.VisitRecords(patient, date).empty()) << patient << " " << date;
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
}  // namespace zuvo
