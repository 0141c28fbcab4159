#include <gtest/gtest.h>

#include "app/live_folders.h"
#include "core/chart_fixture.h"
#include "core/store_verify.h"
#include "platform/profile_file.h"
#include "support/chart_set_builder.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::Quoted;
using testing::ReadFileBytes;
using testing::RunCli;
using testing::TempDir;

constexpr char kCode[] = "3501200000";

void BuildSet(const std::filesystem::path& folder, const std::string& tag,
              const std::string& split_date, double first_visit) {
  testing::ChartSetSpec spec;
  spec.tag = tag;
  spec.split_date = split_date;
  for (int32_t number = 1; number <= 3; ++number)
    spec.patients.push_back(testing::NumberedPatient(number));
  for (int visit = 0; visit < 6; ++visit) {
    spec.visits.push_back(testing::Visit(visit % 3 + 1, first_visit + visit * 20 + 0.4));
  }
  spec.opening = first_visit - 10;
  spec.last_day = first_visit + 200;
  testing::BuildChartSet(folder, spec);
}

class MaintenanceCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
    // 2021-01-01 is 44197; the past set ends before it, the recent one runs across it.
    BuildSet(sets / "past", "past", "1100101", 43900);
    BuildSet(sets / "recent", "recent", "1090601", 44150);
    testing::WriteFileBytes(home / "DataEdit.ini",
                            "[Workbench]\r\nLiveRoot=" + (home / "live").string() + "\r\n");
  }

  std::string Home() { return "--home " + Quoted(home.path()) + " "; }

  TempDir home;
  TempDir sets;
};

std::string LastLine(const std::string& out) {
  std::string text = out;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

TEST_F(MaintenanceCommandsTest, MergeThenMergeApplyThenRestoreLive) {
  // Another program's folder beside the clinic's, which the merged set takes with the past
  // Tolsern: no store, so merge-apply carries it over without --force.
  std::filesystem::create_directories(sets / "past" / "Tolsern" / "Reader");
  testing::WriteFileBytes(sets / "past" / "Tolsern" / "Reader" / "readme.txt", "reader");
  testing::CliRun merge = RunCli(Home() + "merge --recent " + Quoted(sets / "recent") + " --past " +
                                 Quoted(sets / "past"));
  ASSERT_EQ(merge.status, 0) << merge.out;
  const std::string last = LastLine(merge.out);
  ASSERT_EQ(last.rfind("merged: ", 0), 0u) << merge.out;
  const std::filesystem::path merged = last.substr(8);
  EXPECT_EQ(merged.parent_path(), home.path() / "KKK" / kCode);
  EXPECT_NE(merge.out.find("entries: 3"), std::string::npos) << merge.out;  // those from 2021 on
  EXPECT_TRUE(VerifyStore(testing::ChartSetStoreOf(merged, kCode)).clean());

  testing::CliRun refused = RunCli(
      "--home " + Quoted(home.path()) + " merge-apply " + Quoted(merged), testing::WithErrors());
  EXPECT_EQ(refused.status, 64) << refused.out;  // no terminal, no --yes

  std::filesystem::create_directories(home.path() / "live");
  testing::CliRun first = RunCli(Home() + "merge-apply " + Quoted(merged) + " --yes");
  ASSERT_EQ(first.status, 0) << first.out;
  EXPECT_NE(first.out.find("備份完成,套用完成"), std::string::npos) << first.out;
  const std::filesystem::path live = home / "live";
  EXPECT_EQ(ReadFileBytes(live / "Corvix" / "OPD.mdb"), "opd recent");
  EXPECT_EQ(ReadFileBytes(live / "Tolsern" / kCode / "MEMBER.SCR"), "member recent");
  EXPECT_TRUE(VerifyStore(testing::ChartSetStoreOf(live, kCode)).clean());
  EXPECT_EQ(ReadFileBytes(live / "Tolsern" / "Reader" / "readme.txt"), "reader");

  // A second apply backs up the first one's live folders, which restore-live brings back.
  testing::WriteFileBytes(live / "Corvix" / "OPD.mdb", "changed live");
  testing::CliRun second = RunCli(Home() + "merge-apply " + Quoted(merged) + " --yes");
  ASSERT_EQ(second.status, 0) << second.out;
  const std::string backup_line = second.out.substr(second.out.find("backup: ") + 8);
  const std::filesystem::path backup = backup_line.substr(0, backup_line.find('\n'));
  EXPECT_TRUE(BackupProblems(backup).empty());
  EXPECT_EQ(ReadFileBytes(live / "Corvix" / "OPD.mdb"), "opd recent");
  testing::CliRun restore = RunCli(Home() + "restore-live " + Quoted(backup));
  ASSERT_EQ(restore.status, 0) << restore.out;
  EXPECT_EQ(ReadFileBytes(live / "Corvix" / "OPD.mdb"), "changed live");
}

TEST_F(MaintenanceCommandsTest, MergeRefusalsExitTwoAndAnonymiseNeedsYes) {
  WriteProfileString(sets / "recent" / "Corvix" / "CORVIX.INI", big5::FromUtf8("System"),
                     big5::FromUtf8("切割日期"), "1100201");
  testing::CliRun later = RunCli(Home() + "merge --recent " + Quoted(sets / "recent") + " --past " +
                                 Quoted(sets / "past"));
  EXPECT_EQ(later.status, 2) << later.out;
  EXPECT_NE(later.out.find("中間日期會遺漏"), std::string::npos) << later.out;
  EXPECT_FALSE(std::filesystem::exists(home / "KKK" / kCode / "Tolsern"));

  const std::filesystem::path store = sets / "past" / "Tolsern" / kCode;
  const std::string before = ReadFileBytes(store / "PtData.000");
  testing::CliRun no_yes = RunCli(Home() + "anonymise " + Quoted(store), testing::WithErrors());
  EXPECT_EQ(no_yes.status, 64) << no_yes.out;
  EXPECT_EQ(ReadFileBytes(store / "PtData.000"), before);

  testing::CliRun run = RunCli(Home() + "anonymise " + Quoted(store) + " --seed 9 --yes");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("seed: 9"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("MEMBER.SCR"), std::string::npos) << run.out;
  EXPECT_NE(ReadFileBytes(store / "PtData.000"), before);
  EXPECT_TRUE(std::filesystem::exists(store.parent_path() / "PTdata.ind"));
}

TEST_F(MaintenanceCommandsTest, MergeRefusesOneSetGivenTwice) {
  std::filesystem::create_directory_symlink(sets / "recent", sets / "link");
  for (const char* past : {"recent", "link"}) {
    testing::CliRun same = RunCli(Home() + "merge --recent " + Quoted(sets / "recent") +
                                  " --past " + Quoted(sets / past));
    EXPECT_EQ(same.status, 2) << same.out;
    EXPECT_NE(same.out.find(
                  "message: 錯誤:新舊病歷資料夾不能是同一個資料夾,也不能一個在另一個之內:近期 " +
                  (sets / "recent").string() + ",過去 " + (sets / past).string() + "\n"),
              std::string::npos)
        << same.out;
  }
  EXPECT_FALSE(std::filesystem::exists(home / "KKK"));
  EXPECT_FALSE(std::filesystem::exists(sets / "recent" / "ZuvoConversion.ini"));
}

TEST_F(MaintenanceCommandsTest, AnonymiseListsWhatStillHoldsPersonalData) {
  const std::filesystem::path clinic = home / "RS" / kCode;
  const std::filesystem::path tree = clinic / "1151209_2";
  BuildSet(tree, "tree", "", 43900);
  testing::WriteFileBytes(tree / "ZuvoConversion.ini", "[Conversion]\r\n");
  testing::WriteFileBytes(tree / "PATDB.DBF", "patients");
  testing::WriteFileBytes(tree / "ConversionReport_1151209120000.txt", "report");
  std::filesystem::create_directories(clinic / "InitBak");
  const std::filesystem::path store = tree / "Tolsern" / kCode;

  testing::CliRun run = RunCli(Home() + "anonymise " + Quoted(store) + " --seed 9 --yes");
  ASSERT_EQ(run.status, 0) << run.out;
  std::string listed;
  for (size_t at = run.out.find("personal data left: "); at != std::string::npos;
       at = run.out.find("personal data left: ", at + 1)) {
    listed += run.out.substr(at + 20, run.out.find('\n', at) - at - 20) + "|";
  }
  EXPECT_EQ(listed, (store / "MEMBER.SCR").string() + "|" + (store / "INSUdata").string() + "|" +
                        (store / "Paper").string() + "|" +
                        (tree / "ConversionReport_1151209120000.txt").string() + "|" +
                        (tree / "PATDB.DBF").string() + "|" + (clinic / "InitBak").string() + "|");
  EXPECT_NE(run.out.find("message: 霧化完成"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find((clinic / "").string() + " InitBak"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace zuvo
