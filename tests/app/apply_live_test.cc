#include "app/apply_live.h"

#include <gtest/gtest.h>

#include <map>

#include "app/recording_step_context.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;

void WriteFileBytes(const fs::path& file, std::string_view bytes) {
  CreateFolders(file.parent_path());
  testing::WriteFileBytes(file, bytes);
}

const DateTime kNow = *EncodeDateTime({2026, 12, 9, 8, 15, 30, 0});

// Every file below `root` (relative path → bytes).
std::map<std::string, std::string> Files(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), root).generic_string()] = ReadFileBytes(entry.path());
    }
  }
  return files;
}

class ApplyLiveTest : public ::testing::Test {
 protected:
  ApplyLiveTest() {
    WriteFileBytes(work_tree / "Corvix" / "OPD.mdb", "new catalogue");
    WriteFileBytes(work_tree / "Corvix" / "CORVIX.INI", "[Corvix]\r\nHostName=OLD\r\nKeep=1\r\n");
    WriteFileBytes(work_tree / "Tolsern" / "3501" / "PtData.000", "new patients");
    WriteFileBytes(live / "Corvix" / "OPD.mdb", "live catalogue");
    WriteFileBytes(live / "Corvix" / "Printer.ini", "only live");
    WriteFileBytes(live / "Tolsern" / "3501" / "PtData.000", "live patients");
  }

  std::vector<fs::path> Backups() { return ListByWildcard(live, "ZuvoBackup_*"); }

  TempDir dir;
  fs::path work_tree = dir / "work";
  fs::path live = dir / "live";
  RunFlags flags;
  RecordingStepContext context{flags};
};

TEST_F(ApplyLiveTest, ApplyBacksUpThenOverwritesAndKeepsLiveOnlyFiles) {
  auto before = Files(live);
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  ASSERT_EQ(outcome.result, StepResult::kDone);
  EXPECT_EQ(context.MessageTexts(),
            (std::vector<std::string>{"請先關閉Zuvo系統門診及伺服器程式", "已經套用"}));
  EXPECT_EQ(outcome.backup, live / "ZuvoBackup_1151209081530");
  EXPECT_EQ(Files(outcome.backup), before);
  EXPECT_EQ(context.lines(),
            (std::vector<std::string>{"現用資料已備份到:" + PathToUtf8(outcome.backup)}));

  auto after = Files(live / "Corvix");
  EXPECT_EQ(after["OPD.mdb"], "new catalogue");
  EXPECT_EQ(after["Printer.ini"], "only live");
  EXPECT_EQ(ReadFileBytes(live / "Tolsern" / "3501" / "PtData.000"), "new patients");
  EXPECT_EQ(ReadProfileString(live / "Corvix" / "CORVIX.INI", "Corvix", "HostName"),
            ComputerName());
  EXPECT_EQ(ReadProfileString(live / "Corvix" / "CORVIX.INI", "Corvix", "Keep"), "1");
}

TEST_F(ApplyLiveTest, ApplyingTwiceGivesTheSameLiveFilesAndTwoBackups) {
  ASSERT_EQ(ApplyWorkTree(work_tree, live, kNow, context).result, StepResult::kDone);
  auto first = Files(live / "Corvix");
  auto first_server = Files(live / "Tolsern");
  ASSERT_EQ(ApplyWorkTree(work_tree, live, kNow, context).result, StepResult::kDone);
  EXPECT_EQ(Files(live / "Corvix"), first);
  EXPECT_EQ(Files(live / "Tolsern"), first_server);
  std::vector<fs::path> backups = Backups();
  ASSERT_EQ(backups.size(), 2u);
  EXPECT_EQ(backups[1].filename(), "ZuvoBackup_1151209081530_2");
  // The second backup holds the state after the first apply.
  EXPECT_EQ(Files(backups[1] / "Corvix"), first);
}

TEST_F(ApplyLiveTest, RestorePutsTheLiveFoldersBackAsTheyWere) {
  auto before = Files(live);
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  WriteFileBytes(live / "Tolsern" / "added after apply", "x");
  RestoreLiveBackup(outcome.backup);
  auto restored = Files(live);
  for (const auto& [name, bytes] : restored) {
    if (name.starts_with("ZuvoBackup_")) continue;
    EXPECT_EQ(before.count(name), 1u) << name;
  }
  for (const auto& [name, bytes] : before) EXPECT_EQ(restored[name], bytes) << name;
  EXPECT_FALSE(fs::exists(live / "Corvix.restoring"));
  EXPECT_FALSE(fs::exists(live / "Corvix.replaced"));
  EXPECT_THROW(RestoreLiveBackup(work_tree), Error);
}

TEST_F(ApplyLiveTest, FirstApplyHasNothingToBackUp) {
  fs::path empty_live = dir / "fresh";
  ApplyOutcome outcome = ApplyWorkTree(work_tree, empty_live, kNow, context);
  EXPECT_EQ(outcome.result, StepResult::kDone);
  EXPECT_TRUE(outcome.backup.empty());
  EXPECT_EQ(ReadFileBytes(empty_live / "Corvix" / "OPD.mdb"), "new catalogue");
}

TEST_F(ApplyLiveTest, RefusalsLeaveTheLiveFoldersAlone) {
  auto before = Files(live);
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
  EXPECT_EQ(Files(live), before);
  EXPECT_TRUE(Backups().empty());
}

TEST_F(ApplyLiveTest, FailedCopyNamesTheBackup) {
  // A live Tolsern that is a plain file cannot take the work tree's folder.
  fs::remove_all(live / "Tolsern");
  WriteFileBytes(live / "Tolsern", "in the way");
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live, kNow, context);
  EXPECT_EQ(outcome.result, StepResult::kStopped);
  ASSERT_FALSE(outcome.backup.empty());
  EXPECT_EQ(context.MessageTexts().back(),
            "套用失敗,原來的現用資料在:" + PathToUtf8(outcome.backup));
  EXPECT_EQ(ReadFileBytes(outcome.backup / "Corvix" / "OPD.mdb"), "live catalogue");
}

}  // namespace
}  // namespace zuvo
