#include "app/apply_live.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "app/live_folders.h"
#include "app/realsun_pipeline.h"
#include "app/vision_pipeline.h"
#include "core/store_verify.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/folder_manifest.h"
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
    WriteFileBytes(work_tree / "Corvix" / "CORVIX.INI",
                   "[Corvix]\r\nHostName=OLD\r\nKeep=1\r\n[System]\r\n" +
                       big5::Literal("診所名稱=示範診所") + "\r\n");
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
  // The question names what replaces what, the counts of the clinic's store (3 patients of 2
  // visits each), and where the live folders will go.
  const std::string question =
      "請先關閉Zuvo系統門診及伺服器程式\n\n套用工作資料夾: " + PathToUtf8(work_tree) +
      "\n診所: 示範診所 (3501)\n病人 3 筆,門診 6 筆\n現用資料根目錄: " + PathToUtf8(live) +
      "\n目前的現用資料會備份到: " + PathToUtf8(live / "ZuvoBackup_1151209081530");
  EXPECT_EQ(context.MessageTexts(), (std::vector<std::string>{question, "已經套用"}));
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
  refused(backup, "Tolsern/3501/CHART/D000000.001 不存在");
  testing::WriteFileBytes(chart, chart_bytes.substr(0, 100));
  refused(backup, "有 100 位元組");
  testing::WriteFileBytes(chart, chart_bytes);
  const std::string manifest = ReadFileBytes(backup / "ZuvoBackup.manifest");
  testing::WriteFileBytes(backup / "ZuvoBackup.manifest", manifest.substr(0, manifest.size() / 2));
  refused(backup, "不完整");
  fs::remove(backup / "ZuvoBackup.manifest");
  refused(backup, "不存在或無法讀取");
}

// A backup is restored only when every file is what was backed up, both live folders are in
// it, and nothing in it leads elsewhere.
TEST_F(ApplyLiveTest, ABackupChangedOrMadeByHandIsRefusedNamingWhatIsWrong) {
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  auto live_files = testing::LiveFolderFiles(live);
  auto refusal = [&](const fs::path& folder) -> std::string {
    try {
      RestoreLiveBackup(folder, live, kLater, context);
      ADD_FAILURE() << "restored " << folder;
    } catch (const Error& error) {
      EXPECT_EQ(testing::LiveFolderFiles(live), live_files);
      EXPECT_TRUE(Leftovers().empty());
      return error.what();
    }
    return {};
  };
  // 400 bytes of a patient file overwritten at the same size.
  const fs::path patients = outcome.backup / "Tolsern" / "3501" / "PtData.000";
  std::string bytes = ReadFileBytes(patients);
  ASSERT_GT(bytes.size(), 700u);
  bytes.replace(300, 400, std::string(400, 'X'));
  testing::WriteFileBytes(patients, bytes);
  EXPECT_EQ(
      refusal(outcome.backup),
      PathToUtf8(outcome.backup) +
          " 不是完整的現用資料備份,沒有還原:\nTolsern/3501/PtData.000 的內容與清單的檢查碼不符");

  // A backup folder made by hand whose manifest lists nothing.
  const fs::path empty = live / "ZuvoBackup_1151209000000";
  WriteFileBytes(empty / "ZuvoBackup.manifest", "zuvo folder manifest 1\nend 0\n");
  EXPECT_EQ(refusal(empty), PathToUtf8(empty) +
                                " 不是完整的現用資料備份,沒有還原:\n清單沒有列出 Corvix\n"
                                "清單沒有列出 Tolsern");
}

// A live Corvix that was a link (here to a folder beside the live root, by a relative target)
// lies in the backup as that link; what it leads to is not in the backup, so it is refused.
TEST_F(ApplyLiveTest, ABackupHoldingALinkIsRefused) {
  fs::rename(live / "Corvix", dir / "front end");
  fs::create_symlink("../front end", live / "Corvix");
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  ASSERT_EQ(outcome.result, StepResult::kDone);
  EXPECT_TRUE(fs::is_symlink(outcome.backup / "Corvix"));
  auto applied = testing::LiveFolderFiles(live);
  try {
    RestoreLiveBackup(outcome.backup, live, kLater, context);
    ADD_FAILURE() << "restored";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              PathToUtf8(outcome.backup) +
                  " 不是完整的現用資料備份,沒有還原:\nCorvix 是連結到 ../front end "
                  "的連結,連結到的資料不在備份裡,不能還原");
  }
  EXPECT_EQ(testing::LiveFolderFiles(live), applied);
  EXPECT_FALSE(BackupProblems(outcome.backup).empty());
}

// Only what the manifest lists comes back; a backup from before checksums restores on its
// sizes and says so; the stores are checked before the switch.
TEST_F(ApplyLiveTest, RestoreTakesOnlyTheListedFilesAndChecksTheStores) {
  auto before = testing::LiveFolderFiles(live);
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  const fs::path backup = outcome.backup;
  WriteFileBytes(backup / "Tolsern" / "3501" / "added later.txt", "not backed up");
  // The manifest as it was written before checksums: sizes of the files only.
  std::string sizes_only = "zuvo folder manifest 1\n";
  const auto backed_up = testing::LiveFolderFiles(backup);
  for (const auto& [path, bytes] : before) {
    sizes_only += std::to_string(fs::file_size(backup / path)) + "\t" + path + "\n";
  }
  sizes_only += "end " + std::to_string(before.size()) + "\n";
  testing::WriteFileBytes(backup / "ZuvoBackup.manifest", sizes_only);
  ASSERT_NE(backed_up.count("Tolsern/3501/added later.txt"), 0u);

  RecordingStepContext restoring(flags);
  RestoreLiveBackup(backup, live, kLater, restoring);
  EXPECT_EQ(testing::LiveFolderFiles(live), before);
  EXPECT_EQ(restoring.lines().front(),
            "這個備份的清單沒有檢查碼 (舊版的備份),只核對了檔案大小: " + PathToUtf8(backup));

  // A store damaged in the backup with a manifest made to match it: the store check refuses.
  const fs::path chart = backup / "Tolsern" / "3501" / "CHART" / "D000000.000";
  fs::resize_file(chart, 900);
  WriteFolderManifest(backup, backup / "ZuvoBackup.manifest");
  auto restored = testing::LiveFolderFiles(live);
  RecordingStepContext refusing(flags);
  const std::string store = PathToUtf8(backup / "Tolsern" / "3501");
  try {
    RestoreLiveBackup(backup, live, kLater + 1, refusing);
    ADD_FAILURE() << "restored a damaged store";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "病歷檔檢查不通過,沒有還原: " + store + " (現用資料沒有變動)");
  }
  ASSERT_FALSE(refusing.lines().empty());
  EXPECT_TRUE(refusing.lines().front().starts_with("病歷檔檢查不通過:" + store + " "))
      << refusing.lines().front();
  EXPECT_EQ(testing::LiveFolderFiles(live), restored);
  EXPECT_TRUE(Leftovers().empty());
  RecordingStepContext forced(flags);
  RestoreLiveBackup(backup, live, kLater + 1, forced, ApplyChecks::kListFailuresOnly);
  EXPECT_EQ(forced.lines().back(), "病歷檔檢查不通過,仍然還原:" + store);
  EXPECT_EQ(fs::file_size(live / "Tolsern" / "3501" / "CHART" / "D000000.000"), 900u);
}

// The backups beside the live folders with their dates, sizes and wholeness.
TEST_F(ApplyLiveTest, ListsTheBackupsWithTheirDateSizeAndWholeness) {
  ApplyOutcome first = ApplyWorkTree(work_tree, live, kNow, context);
  ApplyOutcome second = ApplyWorkTree(work_tree, live, kLater, context);
  const auto second_files = testing::LiveFolderFiles(second.backup);
  uint64_t bytes = 0;
  for (const auto& [path, content] : second_files) bytes += fs::file_size(second.backup / path);
  testing::WriteFileBytes(first.backup / "Corvix" / "OPD.mdb", "LIVE catalogue");
  fs::create_directories(live / "ZuvoBackup_1151209100000_9.partial");

  std::vector<LiveBackup> backups = ListLiveBackups(live);
  ASSERT_EQ(backups.size(), 3u);
  EXPECT_EQ(backups[0].folder, first.backup);
  EXPECT_EQ(backups[0].taken, "115/12/09 08:15:30");
  EXPECT_EQ(backups[0].problems,
            (std::vector<std::string>{"Corvix/OPD.mdb 的內容與清單的檢查碼不符"}));
  EXPECT_EQ(backups[1].folder, second.backup);
  EXPECT_EQ(backups[1].taken, "115/12/09 09:00:00");
  EXPECT_EQ(backups[1].bytes, bytes);
  EXPECT_TRUE(backups[1].checksums);
  EXPECT_TRUE(backups[1].problems.empty());
  // 7777 came with the live folders and stays through the first apply.
  EXPECT_EQ(backups[0].clinics, (std::vector<std::string>{"3501", "7777"}));
  EXPECT_EQ(backups[1].clinics, (std::vector<std::string>{"3501", "7777"}));
  EXPECT_EQ(backups[2].taken, "115/12/09 10:00:00");
  EXPECT_EQ(backups[2].problems,
            (std::vector<std::string>{"ZuvoBackup_1151209100000_9.partial was cut short before "
                                      "it was complete"}));
}

TEST_F(ApplyLiveTest, FirstApplyHasNothingToBackUp) {
  fs::path empty_live = dir / "fresh";
  fs::create_directories(empty_live);
  ApplyOutcome outcome = ApplyWorkTree(work_tree, empty_live, kNow, context);
  EXPECT_EQ(outcome.result, StepResult::kDone);
  EXPECT_TRUE(outcome.backup.empty());
  EXPECT_EQ(ReadFileBytes(empty_live / "Corvix" / "OPD.mdb"), "new catalogue");
  EXPECT_TRUE(VerifyStore(StoreOf(empty_live, "3501")).clean());
}

// A LiveRoot typed wrong must not become a new, empty live root that apply reports as applied:
// the live root is never created, by apply or restore, even when its parent exists.
TEST_F(ApplyLiveTest, ALiveRootThatDoesNotExistIsRefusedNamingIt) {
  const fs::path typo = dir / "lvie";
  const std::string refusal = "現用資料的根目錄不存在: " + PathToUtf8(typo) +
                              " (請檢查 DataEdit.ini [Workbench] LiveRoot),現用資料沒有變動";
  try {
    ApplyWorkTree(work_tree, typo / "", kNow, context);
    ADD_FAILURE() << "applied to a live root that does not exist";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), refusal);
  }
  EXPECT_TRUE(context.MessageTexts().empty()) << "refused before asking to close Zuvo";
  EXPECT_FALSE(fs::exists(typo));

  ApplyOutcome applied = ApplyWorkTree(work_tree, live, kNow, context);
  ASSERT_FALSE(applied.backup.empty());
  try {
    RestoreLiveBackup(applied.backup, typo, kLater, context);
    ADD_FAILURE() << "restored into a live root that does not exist";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), refusal);
  }
  EXPECT_FALSE(fs::exists(typo));
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
  ApplyConvertedWorkTree(VisionPipeline(), big5::Literal("耀聖"), work_tree, dir / "home", wrong);
  ApplyConvertedWorkTree(RealSunPipeline(), big5::Literal("展望"), work_tree, dir / "home", wrong);
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
  // `asked`: whether the question came first (the clinic's own store is checked before it).
  auto refused = [&](const fs::path& folder, const std::string& problem, bool asked) {
    RecordingStepContext refusing(flags);
    EXPECT_EQ(ApplyWorkTree(work_tree, live, kNow, refusing).result, StepResult::kStopped);
    EXPECT_EQ(refusing.MessageTexts().size(), asked ? 2u : 1u);
    EXPECT_EQ(refusing.MessageTexts().back(), "病歷檔檢查不通過,沒有套用: " + PathToUtf8(folder));
    ASSERT_FALSE(refusing.lines().empty());
    EXPECT_EQ(refusing.lines().front(), "病歷檔檢查不通過:" + PathToUtf8(folder) + " " + problem);
    EXPECT_EQ(testing::LiveFolderFiles(live), before);
    EXPECT_TRUE(Leftovers().empty());
  };
  // A second store whose only file is a day index cut short.
  const fs::path second = work_tree / "Tolsern" / "3502";
  WriteFileBytes(second / "dAYlINK.dAT", std::string(18, '\0'));
  refused(second, "DayLink.Dat: the file ends with a partial record (18 bytes)", true);
  fs::remove_all(second);

  // The clinic's own folder without a store (a run that never got to its patients): the live
  // clinic must not be left with the new front end and the old store.
  const fs::path clinic = work_tree / "Tolsern" / "3501";
  fs::rename(clinic, dir / "put aside");
  WriteFileBytes(clinic / "MEMBER.SCR", "staff");
  refused(clinic, "3501: no store: no patient file, chart file or day index", false);
  fs::remove_all(clinic);
  refused(clinic, "3501: no store: no patient file, chart file or day index", false);
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
  EXPECT_EQ(context.MessageTexts(),
            std::vector<std::string>{"病歷檔檢查不通過,沒有套用: " + PathToUtf8(clinic)})
      << "a damaged store is not offered";
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
