// Apply and restore-live killed at chosen points, as separate processes: what they leave is the
// old live folders or the new ones, never a mixture, and the next command cleans up after them.
#include <gtest/gtest.h>

#include <map>

#include "core/store_verify.h"
#include "platform/file_ops.h"
#include "store_builder.h"
#include "support/cli_runner.h"
#include "support/folder_files.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::BuildStore;
using testing::CliOptions;
using testing::Quoted;
using testing::RunCli;
using testing::StoreOf;
using testing::TempDir;

constexpr int kKilled = 128 + 9;

class ApplyInterruptedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
    fs::create_directories(work_tree / "Corvix");
    testing::WriteFileBytes(work_tree / "Corvix" / "OPD.mdb", "new catalogue");
    BuildStore(StoreOf(work_tree, "3501"), 3, 2, 1000, 1);
    testing::RecordFinishedRun(work_tree);
    fs::create_directories(live / "Corvix");
    testing::WriteFileBytes(live / "Corvix" / "OPD.mdb", "live catalogue");
    BuildStore(StoreOf(live, "3501"), 5, 4, 150'000, 1);
    original = testing::LiveFolderFiles(live);
  }

  testing::CliRun Apply(const std::string& test_point = "") {
    CliOptions options =
        testing::WithErrors(test_point.empty() ? "" : "ZUVO_TEST_POINT='" + test_point + "'");
    return RunCli(home_option + "apply " + Quoted(work_tree) + " --yes", options);
  }
  std::vector<fs::path> Backups() { return ListByWildcard(live, "ZuvoBackup_*"); }

  TempDir home;
  TempDir dir;
  fs::path work_tree = dir / "3501" / "work";
  fs::path live = home / "live";  // the live root of a program folder's DataEdit.ini
  std::string home_option = "--home " + Quoted(home.path()) + " ";
  std::map<std::string, std::string> original;
};

TEST_F(ApplyInterruptedTest, KilledWhileTheOldFoldersMoveOutThenTheNextApplyGoesThrough) {
  ASSERT_EQ(Apply("folder-switch:out Tolsern").status, kKilled);
  // Both old folders lie in the backup that was being made; it is refused as a backup.
  std::vector<fs::path> partial = ListByWildcard(live, "ZuvoBackup_*.partial");
  ASSERT_EQ(partial.size(), 1u);
  // restore-live first undoes the cut-short switch, which puts the old folders back out of it.
  testing::CliRun restored =
      RunCli(home_option + "restore-live " + Quoted(partial[0]), testing::WithErrors());
  EXPECT_EQ(restored.status, 1) << restored.out;
  EXPECT_NE(restored.out.find("上次中斷的套用或還原已經復原"), std::string::npos) << restored.out;
  EXPECT_NE(restored.out.find("不是完整的現用資料備份"), std::string::npos) << restored.out;
  EXPECT_EQ(testing::LiveFolderFiles(live), original);

  testing::CliRun applied = Apply();
  ASSERT_EQ(applied.status, 0) << applied.out;
  EXPECT_TRUE(VerifyStore(StoreOf(live, "3501")).clean());
  std::vector<fs::path> backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(testing::LiveFolderFiles(backups[0]), original);
  EXPECT_FALSE(fs::exists(live / "ZuvoApply.staging"));
}

TEST_F(ApplyInterruptedTest, KilledWhileStagingLeavesTheLiveFoldersUntouched) {
  ASSERT_EQ(Apply("apply:staged").status, kKilled);
  EXPECT_EQ(testing::LiveFolderFiles(live), original);
  EXPECT_TRUE(Backups().empty());
  ASSERT_EQ(Apply().status, 0);
  EXPECT_TRUE(VerifyStore(StoreOf(live, "3501")).clean());
  EXPECT_FALSE(fs::exists(live / "ZuvoApply.staging"));
}

TEST_F(ApplyInterruptedTest, KilledAfterTheSwitchTheApplyStandsAndItsBackupRestores) {
  ASSERT_EQ(Apply("folder-switch:done").status, kKilled);
  std::map<std::string, std::string> applied = testing::LiveFolderFiles(live);
  EXPECT_EQ(applied.at("Corvix/OPD.mdb"), "new catalogue");
  std::vector<fs::path> backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  // restore-live first finishes the switch that was cut short, then restores; the path may end
  // with a separator.
  testing::CliRun restored =
      RunCli(home_option + "restore-live " + Quoted(backups[0]) + "/", testing::WithErrors());
  ASSERT_EQ(restored.status, 0) << restored.out;
  EXPECT_NE(restored.out.find("上次中斷的套用或還原已經完成"), std::string::npos) << restored.out;
  EXPECT_EQ(testing::LiveFolderFiles(live), original);
  EXPECT_FALSE(fs::exists(live / "ZuvoSwitch.journal"));
}

TEST_F(ApplyInterruptedTest, KilledInTheMiddleOfARestoreLeavesOneWholeSetOfLiveFolders) {
  ASSERT_EQ(Apply().status, 0);
  std::map<std::string, std::string> applied = testing::LiveFolderFiles(live);
  fs::path backup = Backups().at(0);
  for (const char* point : {"folder-switch:out Corvix", "folder-switch:in Corvix"}) {
    testing::CliRun killed =
        RunCli(home_option + "restore-live " + Quoted(backup),
               testing::WithErrors(std::string("ZUVO_TEST_POINT='") + point + "'"));
    ASSERT_EQ(killed.status, kKilled) << point;
    EXPECT_TRUE(fs::exists(live / "ZuvoSwitch.journal")) << point;
    // The next restore first puts the applied folders back, then restores.
    testing::CliRun again =
        RunCli(home_option + "restore-live " + Quoted(backup), testing::WithErrors());
    ASSERT_EQ(again.status, 0) << point << again.out;
    EXPECT_EQ(testing::LiveFolderFiles(live), original) << point;
    ASSERT_EQ(Apply().status, 0);
    EXPECT_EQ(testing::LiveFolderFiles(live), applied);
  }
}

// A switch killed between its renames leaves the live root without one of its folders; the next
// command that reads the live root settles it first, and `recover` does only that.
TEST_F(ApplyInterruptedTest, RecoverBackupsAndVerifyFinishWhatAKillLeft) {
  const fs::path journal = live / "ZuvoSwitch.journal";
  auto kill_between_the_renames = [&] {
    ASSERT_EQ(Apply("folder-switch:in Corvix").status, kKilled);
    ASSERT_TRUE(fs::exists(journal));
    ASSERT_FALSE(fs::exists(live / "Tolsern")) << "the old Tolsern moved out, the new not in";
  };
  kill_between_the_renames();
  testing::CliRun recovered = RunCli(home_option + "recover", testing::WithErrors());
  EXPECT_EQ(recovered.status, 0) << recovered.out;
  EXPECT_EQ(recovered.out, "上次中斷的套用或還原已經復原,現用資料是中斷前的資料\n");
  EXPECT_EQ(testing::LiveFolderFiles(live), original);
  EXPECT_FALSE(fs::exists(journal));
  EXPECT_TRUE(Backups().empty());
  recovered = RunCli(home_option + "recover", testing::WithErrors());
  EXPECT_EQ(recovered.status, 0);
  EXPECT_EQ(recovered.out, "沒有中斷的套用或還原: " + PathToUtf8(live) + "\n");

  kill_between_the_renames();
  testing::CliRun listed = RunCli(home_option + "backups", testing::WithErrors());
  EXPECT_EQ(listed.status, 0) << listed.out;
  EXPECT_EQ(listed.out, "上次中斷的套用或還原已經復原,現用資料是中斷前的資料\nlive root: " +
                            PathToUtf8(live) + "\n沒有備份\n");
  EXPECT_EQ(testing::LiveFolderFiles(live), original);

  kill_between_the_renames();
  testing::CliRun verified =
      RunCli(home_option + "verify " + Quoted(live / "Tolsern" / "3501"), testing::WithErrors());
  EXPECT_EQ(verified.status, 0) << verified.out;
  EXPECT_TRUE(verified.out.starts_with("上次中斷的套用或還原已經復原")) << verified.out;
  EXPECT_EQ(testing::LiveFolderFiles(live), original);

  // Killed after the switch was done: finished, and the backup it made is listed whole.
  ASSERT_EQ(Apply("folder-switch:done").status, kKilled);
  listed = RunCli(home_option + "backups", testing::WithErrors());
  EXPECT_EQ(listed.status, 0) << listed.out;
  ASSERT_EQ(Backups().size(), 1u);
  const std::string name = PathToUtf8(Backups()[0].filename());
  EXPECT_TRUE(listed.out.starts_with("上次中斷的套用或還原已經完成,剩下的暫存資料已刪除\n"))
      << listed.out;
  EXPECT_NE(listed.out.find("\n" + name + "\t" + name.substr(11, 3) + "/"), std::string::npos)
      << listed.out;
  EXPECT_TRUE(listed.out.ends_with(" bytes\t完整\n")) << listed.out;
  EXPECT_FALSE(fs::exists(journal));
}

// A journal that cannot be followed is left for the operator, and recover says why.
TEST_F(ApplyInterruptedTest, RecoverFailsWithAMessageWhenTheSwitchCannotBeSettled) {
  testing::WriteFileBytes(live / "ZuvoSwitch.journal",
                          "zuvo folder switch 1\nstaging=..\nretired=r\nname=Corvix\n");
  testing::CliRun recovered = RunCli(home_option + "recover", testing::WithErrors());
  EXPECT_EQ(recovered.status, 1) << recovered.out;
  EXPECT_NE(recovered.out.find("上次中斷的套用或還原無法完成也無法復原: folder switch: .. is not "
                               "a plain folder name"),
            std::string::npos)
      << recovered.out;
  EXPECT_TRUE(fs::exists(live / "ZuvoSwitch.journal"));
  EXPECT_EQ(testing::LiveFolderFiles(live), original);
}

}  // namespace
}  // namespace zuvo
