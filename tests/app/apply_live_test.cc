#include "app/apply_live.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "app/live_folders.h"
#include "core/store_verify.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/folder_switch.h"
#include "platform/profile_file.h"
#include "platform/test_point.h"
#include "store_builder.h"
#include "support/folder_files.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/conversion_guard.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::BuildStore;
using testing::ReadFileBytes;
using testing::StoreOf;
using testing::TempDir;

void WriteFileBytes(const fs::path& file, std::string_view bytes) {
  CreateFolders(file.parent_path());
  testing::WriteFileBytes(file, bytes);
}

const DateTime kNow = *EncodeDateTime({2026, 12, 9, 8, 15, 30, 0});
const DateTime kLater = *EncodeDateTime({2026, 12, 9, 9, 0, 0, 0});

// A clinic's live folders with a larger store of the clinic than the work tree's (more chart
// files), another clinic's store, and files the conversion does not write.
class ApplyLiveTest : public ::testing::Test {
 protected:
  ApplyLiveTest() {
    WriteFileBytes(work_tree / "Corvix" / "OPD.mdb", "new catalogue");
    WriteFileBytes(work_tree / "Corvix" / "CORVIX.INI", "[Corvix]\r\nHostName=OLD\r\nKeep=1\r\n");
    BuildStore(StoreOf(work_tree, "3501"), 3, 2, 1000, 1);
    testing::RecordFinishedRun(work_tree);
    WriteFileBytes(live / "Corvix" / "OPD.mdb", "live catalogue");
    WriteFileBytes(live / "Corvix" / "Printer.ini", "only live");
    BuildStore(StoreOf(live, "3501"), 5, 4, 150'000, 1);
    BuildStore({live / "Tolsern" / "7777", live / "Tolsern" / "PTdata.ind"}, 2, 1, 10, 6);
    WriteFileBytes(live / "Tolsern" / "3501" / "Paper" / "scan.jpg", "paper");
    WriteFileBytes(live / "Tolsern" / "PTdata.ind", "stale index");
  }

  std::vector<fs::path> Backups() { return ListByWildcard(live, "ZuvoBackup_*"); }
  std::vector<std::string> Leftovers() {
    std::vector<std::string> names;
    for (const char* name : {"ZuvoApply.staging", "ZuvoSwitch.journal"}) {
      if (fs::exists(live / name)) names.push_back(name);
    }
    for (const fs::path& partial : ListByWildcard(live, "*.partial")) {
      names.push_back(PathToUtf8(partial.filename()));
    }
    return names;
  }

  TempDir dir;
  // In the clinic folder of 3501, as the conversion lays work trees out.
  fs::path work_tree = dir / "3501" / "1151209_1";
  fs::path live = dir / "live";
  RunFlags flags;
  RecordingStepContext context{flags};
};

TEST_F(ApplyLiveTest, TheWorkTreeReplacesTheClinicStoreWholeAndKeepsWhatOnlyTheLiveHolds) {
  ASSERT_GT(testing::FolderFiles(live / "Tolsern" / "3501" / "CHART").size(), 1u);
  auto before = testing::LiveFolderFiles(live);
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  ASSERT_EQ(outcome.result, StepResult::kDone);
  EXPECT_EQ(context.MessageTexts(),
            (std::vector<std::string>{"請先關閉Zuvo系統門診及伺服器程式", "已經套用"}));
  EXPECT_EQ(outcome.backup, live / "ZuvoBackup_1151209081530");
  EXPECT_EQ(context.lines(),
            (std::vector<std::string>{"現用資料已備份到:" + PathToUtf8(outcome.backup)}));

  // No chart file of the larger old store survives beside the new one.
  EXPECT_EQ(testing::FolderFiles(live / "Tolsern" / "3501" / "CHART"),
            testing::FolderFiles(work_tree / "Tolsern" / "3501" / "CHART"));
  EXPECT_TRUE(VerifyStore(StoreOf(live, "3501")).clean());
  EXPECT_FALSE(fs::exists(live / "Tolsern" / "PTdata.ind")) << "the old clinic's stale index";
  EXPECT_EQ(ReadFileBytes(live / "Tolsern" / "3501" / "Paper" / "scan.jpg"), "paper");
  EXPECT_EQ(testing::FolderFiles(live / "Tolsern" / "7777"),
            testing::FolderFiles(outcome.backup / "Tolsern" / "7777"));
  auto front_end = testing::FolderFiles(live / "Corvix");
  EXPECT_EQ(front_end["OPD.mdb"], "new catalogue");
  EXPECT_EQ(front_end["Printer.ini"], "only live");
  EXPECT_EQ(ReadProfileString(live / "Corvix" / "CORVIX.INI", "Corvix", "HostName"),
            ComputerName());
  EXPECT_EQ(ReadProfileString(live / "Corvix" / "CORVIX.INI", "Corvix", "Keep"), "1");

  // The backup is the old live folders exactly, and complete.
  EXPECT_EQ(testing::LiveFolderFiles(outcome.backup), before);
  EXPECT_TRUE(BackupProblems(outcome.backup).empty());
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ApplyLiveTest, ApplyingTwiceGivesTheSameLiveFilesAndTwoBackups) {
  ASSERT_EQ(ApplyWorkTree(work_tree, live, kNow, context).result, StepResult::kDone);
  auto first = testing::LiveFolderFiles(live);
  ASSERT_EQ(ApplyWorkTree(work_tree, live, kNow, context).result, StepResult::kDone);
  EXPECT_EQ(testing::LiveFolderFiles(live), first);
  std::vector<fs::path> backups = Backups();
  ASSERT_EQ(backups.size(), 2u);
  EXPECT_EQ(backups[1].filename(), "ZuvoBackup_1151209081530_2");
  EXPECT_EQ(testing::LiveFolderFiles(backups[1]), first);
}

TEST_F(ApplyLiveTest, RestorePutsBackAMovedBackupIntoTheLiveRootGivenWithATrailingSeparator) {
  auto before = testing::LiveFolderFiles(live);
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  auto applied = testing::LiveFolderFiles(live);
  WriteFileBytes(live / "Tolsern" / "added after apply", "x");
  fs::path moved = dir / "elsewhere" / outcome.backup.filename();
  fs::create_directories(moved.parent_path());
  fs::rename(outcome.backup, moved);

  fs::path replaced =
      RestoreLiveBackup(PathFromUtf8(PathToUtf8(moved) + "/"), live, kLater, context);
  EXPECT_EQ(testing::LiveFolderFiles(live), before);
  EXPECT_FALSE(fs::exists(moved.parent_path() / "Corvix")) << "restored beside the backup";
  // What the restore replaced is a backup too, and the restored one stays.
  EXPECT_EQ(replaced, live / "ZuvoBackup_1151209090000");
  applied["Tolsern/added after apply"] = "x";
  EXPECT_EQ(testing::LiveFolderFiles(replaced), applied);
  EXPECT_TRUE(BackupProblems(moved).empty());
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ApplyLiveTest, IncompleteBackupsAreRefusedAndTheLiveFoldersStay) {
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  auto live_files = testing::LiveFolderFiles(live);
  const fs::path backup = outcome.backup;
  auto refused = [&](const fs::path& folder, const std::string& problem) {
    try {
      RestoreLiveBackup(folder, live, kLater, context);
      ADD_FAILURE() << "restored " << folder;
    } catch (const Error& error) {
      EXPECT_NE(std::string(error.what()).find(problem), std::string::npos) << error.what();
    }
    EXPECT_EQ(testing::LiveFolderFiles(live), live_files);
  };
  // A backup cut short while it was made keeps its ".partial" name.
  fs::path partial = live / "ZuvoBackup_1151209081530_9.partial";
  fs::create_directories(partial / "Tolsern");
  refused(partial, "cut short");
  refused(work_tree, "not named as a backup");

  const fs::path chart = backup / "Tolsern" / "3501" / "CHART" / "D000000.001";
  const std::string chart_bytes = ReadFileBytes(chart);
  fs::remove(chart);
  refused(backup, "Tolsern/3501/CHART/D000000.001 is missing");
  testing::WriteFileBytes(chart, chart_bytes.substr(0, 100));
  refused(backup, "holds 100 bytes");
  testing::WriteFileBytes(chart, chart_bytes);
  const std::string manifest = ReadFileBytes(backup / "ZuvoBackup.manifest");
  testing::WriteFileBytes(backup / "ZuvoBackup.manifest", manifest.substr(0, manifest.size() / 2));
  refused(backup, "is not whole");
  fs::remove(backup / "ZuvoBackup.manifest");
  refused(backup, "is missing");
}

TEST_F(ApplyLiveTest, FirstApplyHasNothingToBackUp) {
  fs::path empty_live = dir / "fresh";
  ApplyOutcome outcome = ApplyWorkTree(work_tree, empty_live, kNow, context);
  EXPECT_EQ(outcome.result, StepResult::kDone);
  EXPECT_TRUE(outcome.backup.empty());
  EXPECT_EQ(ReadFileBytes(empty_live / "Corvix" / "OPD.mdb"), "new catalogue");
  EXPECT_TRUE(VerifyStore(StoreOf(empty_live, "3501")).clean());
}

TEST_F(ApplyLiveTest, RefusalsLeaveTheLiveFoldersAlone) {
  auto before = testing::LiveFolderFiles(live);
  // Cancelled confirmation.
  context.AnswerNextMessage(MessageAnswer::kCancel);
  EXPECT_EQ(ApplyWorkTree(work_tree, live, kNow, context).result, StepResult::kStopped);
  // Incomplete work tree.
  fs::path half = dir / "half";
  WriteFileBytes(half / "Corvix" / "OPD.mdb", "x");
  RecordingStepContext incomplete(flags);
  EXPECT_EQ(ApplyWorkTree(half, live, kNow, incomplete).result, StepResult::kStopped);
  EXPECT_EQ(incomplete.MessageTexts(),
            (std::vector<std::string>{PathToUtf8(half / "") + "資料夾未含Zuvo病歷檔"}));
  // Wrong system in either window.
  RecordingStepContext wrong(flags);
  CVISWcopyClick(big5::Literal("耀聖"), work_tree, dir / "home", wrong);
  CRSreplaceNowClick(big5::Literal("展望"), work_tree, dir / "home", wrong);
  EXPECT_EQ(wrong.MessageTexts(),
            (std::vector<std::string>{"請先正確選取原始系統目錄", "請先選取正確耀聖來源目錄"}));
  EXPECT_EQ(testing::LiveFolderFiles(live), before);
  EXPECT_TRUE(Backups().empty());
}

// A folder of Tolsern without store files (another program's) is no store: it is carried over
// as it is, and the clinic store beside it is checked and applied.
TEST_F(ApplyLiveTest, AFolderWithoutStoreFilesIsCarriedOverUnchecked) {
  WriteFileBytes(work_tree / "Tolsern" / "Reader" / "readme.txt", "new readme");
  WriteFileBytes(work_tree / "Tolsern" / "Reader" / "PtData.txt", "not a patient file");
  WriteFileBytes(work_tree / "Tolsern" / "Reader" / "docs" / "guide.txt", "guide");
  WriteFileBytes(live / "Tolsern" / "Reader" / "readme.txt", "old readme");
  WriteFileBytes(live / "Tolsern" / "Reader" / "settings.ini", "only live");
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  ASSERT_EQ(outcome.result, StepResult::kDone) << ::testing::PrintToString(context.lines());
  EXPECT_EQ(context.MessageTexts().back(), "已經套用");
  EXPECT_EQ(testing::FolderFiles(live / "Tolsern" / "Reader"),
            (std::map<std::string, std::string>{{"PtData.txt", "not a patient file"},
                                                {"docs/guide.txt", "guide"},
                                                {"readme.txt", "new readme"},
                                                {"settings.ini", "only live"}}));
  EXPECT_EQ(testing::FolderFiles(live / "Tolsern" / "3501" / "CHART"),
            testing::FolderFiles(work_tree / "Tolsern" / "3501" / "CHART"));
  EXPECT_TRUE(VerifyStore(StoreOf(live, "3501")).clean());
}

TEST_F(ApplyLiveTest, AStoreThatFailsItsCheckIsRefusedUnlessOnlyListed) {
  auto before = testing::LiveFolderFiles(live);
  auto refused = [&](const fs::path& folder, const std::string& problem) {
    RecordingStepContext refusing(flags);
    EXPECT_EQ(ApplyWorkTree(work_tree, live, kNow, refusing).result, StepResult::kStopped);
    EXPECT_EQ(refusing.MessageTexts().back(), "病歷檔檢查不通過,沒有套用: " + PathToUtf8(folder));
    ASSERT_FALSE(refusing.lines().empty());
    EXPECT_EQ(refusing.lines().front(), "病歷檔檢查不通過:" + PathToUtf8(folder) + " " + problem);
    EXPECT_EQ(testing::LiveFolderFiles(live), before);
    EXPECT_TRUE(Leftovers().empty());
  };
  // A second store whose only file is a day index cut short.
  const fs::path second = work_tree / "Tolsern" / "3502";
  WriteFileBytes(second / "dAYlINK.dAT", std::string(18, '\0'));
  refused(second, "DayLink.Dat: the file ends with a partial record (18 bytes)");
  fs::remove_all(second);

  // The clinic's own folder without a store (a run that never got to its patients): the live
  // clinic must not be left with the new front end and the old store.
  const fs::path clinic = work_tree / "Tolsern" / "3501";
  fs::rename(clinic, dir / "put aside");
  WriteFileBytes(clinic / "MEMBER.SCR", "staff");
  refused(clinic, "3501: no store: no patient file, chart file or day index");
  fs::remove_all(clinic);
  refused(clinic, "3501: no store: no patient file, chart file or day index");
  fs::rename(dir / "put aside", clinic);

  // The clinic folder above the work tree must name the clinic.
  const fs::path elsewhere = dir / "bad:name" / "1151209_1";
  fs::create_directories(elsewhere.parent_path());
  fs::rename(work_tree, elsewhere);
  {
    RecordingStepContext refusing(flags);
    EXPECT_EQ(ApplyWorkTree(elsewhere, live, kNow, refusing).result, StepResult::kStopped);
    EXPECT_EQ(refusing.MessageTexts().back(),
              "病歷檔檢查不通過,沒有套用: " + PathToUtf8(elsewhere));
  }
  fs::rename(elsewhere, work_tree);

  fs::resize_file(clinic / "CHART" / "D000000.000", 900);
  EXPECT_EQ(ApplyWorkTree(work_tree, live, kNow, context).result, StepResult::kStopped);
  EXPECT_EQ(context.MessageTexts().back(), "病歷檔檢查不通過,沒有套用: " + PathToUtf8(clinic));
  EXPECT_EQ(testing::LiveFolderFiles(live), before);

  RecordingStepContext forced(flags);
  EXPECT_EQ(ApplyWorkTree(work_tree, live, kNow, forced, ApplyChecks::kListFailuresOnly).result,
            StepResult::kDone);
  EXPECT_NE(std::find(forced.lines().begin(), forced.lines().end(),
                      "病歷檔檢查不通過,仍然套用:" + PathToUtf8(clinic)),
            forced.lines().end());
}

// Only a work tree whose last run or step completed is applied; the command line's --force
// lists the reason and applies anyway.
TEST_F(ApplyLiveTest, AWorkTreeWhoseLastConversionDidNotCompleteIsRefused) {
  auto before = testing::LiveFolderFiles(live);
  auto refused = [&](const std::string& reason) {
    RecordingStepContext refusing(flags);
    EXPECT_EQ(ApplyWorkTree(work_tree, live, kNow, refusing).result, StepResult::kStopped);
    ASSERT_EQ(refusing.MessageTexts().size(), 1u) << "refused before the confirmation";
    EXPECT_NE(refusing.MessageTexts()[0].find(reason), std::string::npos)
        << refusing.MessageTexts()[0];
    EXPECT_EQ(testing::LiveFolderFiles(live), before);
  };
  {
    ConversionGuard killed(work_tree, "vision step charts", SourceSystem::kVision, {},
                           [] { return 46001.0; });
    refused("vision step charts");  // still running, or killed: "started"
    refused("started");
    killed.Finish(false, {});
  }
  refused("stopped");
  {
    ConversionGuard failing(work_tree, "vision run", SourceSystem::kVision, {},
                            [] { return 46002.0; });
  }
  refused("failed");
  fs::remove(work_tree / "ZuvoConversion.ini");
  refused("沒有轉檔紀錄");

  RecordingStepContext forced(flags);
  EXPECT_EQ(ApplyWorkTree(work_tree, live, kNow, forced, ApplyChecks::kListFailuresOnly).result,
            StepResult::kDone);
  EXPECT_EQ(forced.lines().front(), "仍然套用,沒有轉檔紀錄 (ZuvoConversion.ini)");
}

// A switch that fails at any of its renames leaves the live folders as they were, and the next
// apply goes through.
TEST_F(ApplyLiveTest, AFailedSwitchChangesNothing) {
  auto before = testing::LiveFolderFiles(live);
  for (const char* point :
       {"folder-switch:journal", "folder-switch:out Corvix", "folder-switch:out Tolsern",
        "folder-switch:in Corvix", "folder-switch:in Tolsern", "folder-switch:sealed"}) {
    ::setenv(kTestPointVariable, (std::string(point) + ":fail").c_str(), 1);
    EXPECT_THROW(ApplyWorkTree(work_tree, live, kNow, context), Error) << point;
    ::unsetenv(kTestPointVariable);
    EXPECT_EQ(testing::LiveFolderFiles(live), before) << point;
    EXPECT_TRUE(Leftovers().empty()) << point;
  }
  EXPECT_EQ(ApplyWorkTree(work_tree, live, kNow, context).result, StepResult::kDone);
  EXPECT_TRUE(VerifyStore(StoreOf(live, "3501")).clean());
}

// A live Tolsern that cannot be copied whole (here: it holds a pipe, which is no file) stops the
// apply before the switch, with the copy's own message first.
TEST_F(ApplyLiveTest, AFailedStagingCopyChangesNothing) {
  ASSERT_EQ(::mkfifo((live / "Tolsern" / "pipe").c_str(), 0600), 0);
  auto before = testing::LiveFolderFiles(live);
  try {
    ApplyWorkTree(work_tree, live, kNow, context);
    ADD_FAILURE() << "applied";
  } catch (const Error& error) {
    EXPECT_TRUE(std::string(error.what()).starts_with("無法把 ")) << error.what();
    EXPECT_TRUE(std::string(error.what()).ends_with("(沒有套用,現用資料沒有變動)")) << error.what();
  }
  EXPECT_EQ(testing::LiveFolderFiles(live), before);
  EXPECT_TRUE(Leftovers().empty());
}

}  // namespace
}  // namespace zuvo
