// Converting the same clinic twice on one day: the second run writes a work tree of its own
// unless told to replace the first; a single step reads a later tree's mode from its name.
#include <gtest/gtest.h>

#include "app/realsun_pipeline.h"
#include "app/work_tree_selection.h"
#include "demo/demo_clinic.h"
#include "platform/file_ops.h"
#include "support/cli_runner.h"
#include "support/folder_files.h"
#include "support/temp_dir.h"
#include "workspace/dataedit_ini.h"
#include "workspace/path_text.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::FolderFiles;
using testing::PrintedWorkTree;
using testing::Quoted;
using testing::RunCli;
using testing::TempDir;

// The day's work trees in the clinic folder, by name.
std::vector<std::string> TreesIn(const fs::path& clinic) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(clinic)) {
    if (entry.is_directory()) names.push_back(PathToUtf8(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(SameDayWorkTreeCli, VisionRunTwiceMakesTwoTreesAndReplaceOnlyOne) {
  if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
  TempDir home;
  TempDir sources;
  const fs::path source = sources / "visw";
  demo::WriteVisionDemoSource(source, 2);
  const std::string home_option = "--home " + Quoted(home.path()) + " ";
  CliRun first = RunCli(home_option + "vision run " + Quoted(source));
  ASSERT_EQ(first.status, 0) << first.out;
  const fs::path first_tree = WithoutTrailingSeparator(PrintedWorkTree(first.out));
  const fs::path clinic_folder = first_tree.parent_path();
  const std::string day = PathToUtf8(first_tree.filename()).substr(0, 7);
  ASSERT_EQ(PathToUtf8(first_tree.filename()), day + "_1");
  const auto converted = FolderFiles(first_tree);

  CliRun second = RunCli(home_option + "vision run " + Quoted(source));
  ASSERT_EQ(second.status, 0) << second.out;
  const fs::path second_tree = WithoutTrailingSeparator(PrintedWorkTree(second.out));
  if (PathToUtf8(second_tree.filename()).substr(0, 7) != day) GTEST_SKIP() << "midnight passed";
  EXPECT_EQ(second_tree, clinic_folder / (day + "_1-2"));
  EXPECT_NE(second.out.find("今天的工作資料夾 " + PathToUtf8(first_tree) +
                            " 已有轉檔結果,另建新的工作資料夾: " + PathToUtf8(second_tree)),
            std::string::npos)
      << second.out;
  EXPECT_EQ(FolderFiles(first_tree), converted) << "the first run's tree must stay as it was";
  EXPECT_EQ(TreesIn(clinic_folder), (std::vector<std::string>{day + "_1", day + "_1-2"}));

  CliRun replaced = RunCli(home_option + "vision run " + Quoted(source) + " --replace");
  ASSERT_EQ(replaced.status, 0) << replaced.out;
  EXPECT_EQ(WithoutTrailingSeparator(PrintedWorkTree(replaced.out)), first_tree);
  EXPECT_NE(replaced.out.find("取代今天已轉檔的工作資料夾: " + PathToUtf8(first_tree)),
            std::string::npos)
      << replaced.out;
  EXPECT_EQ(TreesIn(clinic_folder), (std::vector<std::string>{day + "_1", day + "_1-2"}));
  // One conversion report: the old tree was deleted before the run.
  EXPECT_EQ(ListByWildcard(first_tree, "ConversionReport_*.txt").size(), 1u);

  // The folder choice alone, the same way.
  CliRun selected = RunCli(home_option + "vision select " + Quoted(source));
  ASSERT_EQ(selected.status, 0) << selected.out;
  EXPECT_EQ(WithoutTrailingSeparator(PrintedWorkTree(selected.out)),
            clinic_folder / (day + "_1-3"));
  CliRun reselected = RunCli(home_option + "vision select " + Quoted(source) + " --replace");
  ASSERT_EQ(reselected.status, 0) << reselected.out;
  EXPECT_EQ(WithoutTrailingSeparator(PrintedWorkTree(reselected.out)), first_tree);
  EXPECT_TRUE(FolderFiles(first_tree).empty());
}

// A RealSun single step on the second "before" tree of a day runs in the mode "before".
TEST(SameDayWorkTreeNames, ASingleStepReadsTheModeBeforeTheSerial) {
  TempDir home;
  TempDir sources;
  const fs::path source = sources / "rs";
  CreateFolders(source);
  demo::WriteRealSunTitleTable(source, {"clinic", "3501300000"});
  const fs::path clinic = home / "RS" / "3501300000";
  for (const char* name : {"1070326_2-2", "1070326_1-2", "1070326_1"}) {
    CreateFolders(clinic / name / "Corvix");
  }
  auto mode_of = [&](const char* name) {
    return ReadWorkTree(RealSunPipeline(), home.path(), clinic / name, source).chart.mode;
  };
  EXPECT_EQ(mode_of("1070326_2-2"), MakeDateMode::kBefore);
  EXPECT_EQ(mode_of("1070326_1-2"), MakeDateMode::kOnAndAfter);
  EXPECT_EQ(mode_of("1070326_1"), MakeDateMode::kOnAndAfter);
}

}  // namespace
}  // namespace zuvo
