// A second folder choice on the same day never overwrites a work tree that holds a conversion
// without being told to: it takes the next free name, or replaces the tree when asked to.
#include <gtest/gtest.h>

#include "demo/demo_clinic.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "support/folder_files.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/conversion_guard.h"
#include "workspace/folder_layout.h"
#include "workspace/path_text.h"
#include "workspace/realsun_selection.h"
#include "workspace/same_day_work_tree.h"
#include "workspace/vision_selection.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::FolderFiles;
using testing::TempDir;
using testing::WriteFileBytes;

const DateTime kMarch26 = *EncodeDateTime({2018, 3, 26, 9, 30, 0, 0});

struct SameDayWorkTreeTest : ::testing::Test {
  TempDir home;
  TempDir sources;
  RunFlags flags;
  RecordingStepContext context{flags};
  Workplace place{home.path(), kMarch26, {}, [] { return kMarch26; }};

  // Records a completed run in `tree` and leaves a file of it in Corvix.
  static void Complete(const fs::path& tree) {
    CreateFolders(tree / "Corvix");
    ConversionGuard guard(tree, "vision run", SourceSystem::kVision, {}, [] { return kMarch26; });
    WriteFileBytes(tree / "Corvix" / "OPD.mdb", "converted catalogue");
    guard.Finish(true, {});
  }
  // The Vision folder choice with `policy`; returns the work tree it chose, without separator.
  fs::path SelectVision(const fs::path& source, SameDayWorkTree policy) {
    ClinicFolderFields fields;
    fields.same_day_tree = policy;
    context.AnswerNextFolder(source);
    EXPECT_EQ(SelectVisionFolder(fields, place, context), StepResult::kDone);
    return WithoutTrailingSeparator(fields.work_tree);
  }
};

TEST_F(SameDayWorkTreeTest, VisionChoiceKeepsAConvertedTreeAndTakesTheNextFreeName) {
  const fs::path source = sources / "visw";
  CreateFolders(source);
  demo::WriteVisionParameterTable(source, {"clinic", "3501200000"});
  const fs::path clinic = home / "VISW" / "3501200000";
  const fs::path first = clinic / "1070326_1";

  // A tree nothing was converted into is reused without a question.
  EXPECT_EQ(SelectVision(source, SameDayWorkTree::kAsk), first);
  EXPECT_EQ(SelectVision(source, SameDayWorkTree::kNewName), first);
  EXPECT_TRUE(context.MessageTexts().empty());
  EXPECT_TRUE(context.lines().empty());

  Complete(first);
  const auto converted = FolderFiles(first);
  ASSERT_EQ(converted.count("ZuvoConversion.ini"), 1u);
  context.AnswerNextMessage(MessageAnswer::kNo);
  EXPECT_EQ(SelectVision(source, SameDayWorkTree::kAsk), clinic / "1070326_1-2");
  ASSERT_EQ(context.messages().size(), 1u);
  EXPECT_EQ(context.messages()[0].text,
            "今天的工作資料夾已有轉檔結果:\n" + PathToUtf8(first) +
                "\n要取代它嗎?\n是: 刪除它,重新轉檔到這裡\n否: 另建新的工作資料夾 " +
                PathToUtf8(clinic / "1070326_1-2"));
  EXPECT_EQ(context.messages()[0].buttons, MessageButtons::kYesNo);
  EXPECT_EQ(context.lines().back(),
            "今天的工作資料夾 " + PathToUtf8(first) +
                " 已有轉檔結果,另建新的工作資料夾: " + PathToUtf8(clinic / "1070326_1-2"));
  EXPECT_TRUE(fs::is_directory(clinic / "1070326_1-2" / "Tolsern"));
  EXPECT_TRUE(fs::is_directory(clinic / "1070326_1-2" / "Corvix"));
  EXPECT_EQ(FolderFiles(first), converted);

  // The second tree, still empty, is the next free name again; once it holds a store (a run
  // that did not complete), the third is made.
  EXPECT_EQ(SelectVision(source, SameDayWorkTree::kNewName), clinic / "1070326_1-2");
  CreateFolders(clinic / "1070326_1-2" / "Tolsern" / "3501200000");
  WriteFileBytes(clinic / "1070326_1-2" / "Tolsern" / "3501200000" / "PtData.000", "patients");
  EXPECT_EQ(SelectVision(source, SameDayWorkTree::kNewName), clinic / "1070326_1-3");
  EXPECT_EQ(FolderFiles(first), converted);

  // Replacing deletes the converted tree and makes it anew; the others stay.
  const auto second = FolderFiles(clinic / "1070326_1-2");
  context.AnswerNextMessage(MessageAnswer::kYes);
  EXPECT_EQ(SelectVision(source, SameDayWorkTree::kAsk), first);
  EXPECT_EQ(context.lines().back(), "取代今天已轉檔的工作資料夾: " + PathToUtf8(first));
  EXPECT_TRUE(FolderFiles(first).empty());
  EXPECT_TRUE(fs::is_directory(first / "Corvix"));
  EXPECT_EQ(FolderFiles(clinic / "1070326_1-2"), second);
  Complete(first);
  const size_t asked = context.messages().size();
  EXPECT_EQ(SelectVision(source, SameDayWorkTree::kReplace), first);
  EXPECT_EQ(context.messages().size(), asked) << "told to replace, it does not ask";
  EXPECT_FALSE(ReadConversionRecord(first));
}

TEST_F(SameDayWorkTreeTest, RealSunModesKeepTheirSuffixBeforeTheSerial) {
  const fs::path source = sources / "rs";
  CreateFolders(source);
  demo::WriteRealSunTitleTable(source, {"clinic", "3501300000"});
  const fs::path clinic = home / "RS" / "3501300000";
  RealSunFolderFields fields;
  fields.mode = MakeDateMode::kBefore;
  fields.same_day_tree = SameDayWorkTree::kNewName;
  context.AnswerNextFolder(source);
  ASSERT_EQ(SelectRealSunFolder(fields, place, context), StepResult::kDone);
  EXPECT_EQ(WithoutTrailingSeparator(fields.work_tree), clinic / "1070326_2");
  Complete(clinic / "1070326_2");
  context.AnswerNextFolder(source);
  ASSERT_EQ(SelectRealSunFolder(fields, place, context), StepResult::kDone);
  EXPECT_EQ(WithoutTrailingSeparator(fields.work_tree), clinic / "1070326_2-2");
  EXPECT_TRUE(fs::is_directory(clinic / "1070326_2-2" / "Tolsern" / "3501300000"));

  // The mode change treats the day's tree of the other mode the same way.
  Complete(clinic / "1070326_1");
  fields.mode = MakeDateMode::kOnAndAfter;
  ASSERT_EQ(ChangeRealSunMakeDateMode(fields, place, context), StepResult::kDone);
  EXPECT_EQ(WithoutTrailingSeparator(fields.work_tree), clinic / "1070326_1-2");
  fields.mode = MakeDateMode::kBefore;
  ASSERT_EQ(ChangeRealSunMakeDateMode(fields, place, context), StepResult::kDone);
  EXPECT_EQ(WithoutTrailingSeparator(fields.work_tree), clinic / "1070326_2-2");
}

TEST(WorkTreeNames, TheSerialComesOffOnlyAfterAKnownSuffix) {
  EXPECT_EQ(WorkTreeFolder("c", "1070326", WorkTreeKind::kRealSunBefore, 3),
            fs::path("c") / "1070326_2-3");
  EXPECT_EQ(WorkTreeFolder("c", "1070326", WorkTreeKind::kVision, 1), fs::path("c") / "1070326_1");
  EXPECT_EQ(WorkTreeNameWithoutSerial("1070326_2-3"), "1070326_2");
  EXPECT_EQ(WorkTreeNameWithoutSerial("1070326_1-12"), "1070326_1");
  EXPECT_EQ(WorkTreeNameWithoutSerial("1070326_H-2"), "1070326_H");
  EXPECT_EQ(WorkTreeNameWithoutSerial("1070326_2"), "1070326_2");
  EXPECT_EQ(WorkTreeNameWithoutSerial("1070326_2-"), "1070326_2-");
  EXPECT_EQ(WorkTreeNameWithoutSerial("1070326_2-x"), "1070326_2-x");
  EXPECT_EQ(WorkTreeNameWithoutSerial("copy-2"), "copy-2");
}

}  // namespace
}  // namespace zuvo
