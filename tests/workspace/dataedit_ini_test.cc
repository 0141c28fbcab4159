#include "workspace/dataedit_ini.h"

#include <gtest/gtest.h>

#include "platform/big5.h"
#include "platform/error.h"
#include "support/temp_dir.h"
#include "workspace/path_text.h"

namespace zuvo {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

TEST(DataEditIni, MissingFileGivesTheDefaults) {
  TempDir home;
  DataEditIni ini(home.path());
  PreviewWindowSettings preview = ini.ReadPreviewWindow();
  EXPECT_EQ(preview.top, 4);
  EXPECT_EQ(preview.width, 805);
  EXPECT_EQ(preview.height, 436);
  EXPECT_EQ(preview.columns, 3);
  EXPECT_EQ(preview.left, 100);
  EXPECT_TRUE(ini.LastFolder(SourceSystem::kVision).empty());
  WorkbenchSettings workbench = ini.ReadWorkbench();
  EXPECT_FALSE(workbench.operator_mode);
#ifndef _WIN32
  EXPECT_EQ(workbench.live_root, WithTrailingSeparator(home.path() / "live"));
  EXPECT_EQ(workbench.drive_roots[0], workbench.live_root);
  EXPECT_TRUE(workbench.drive_roots[1].empty());
  EXPECT_TRUE(workbench.drive_roots[2].empty());
#endif
}

TEST(DataEditIni, ReadsTheWorkbenchSectionWithRelativeFoldersBelowTheProgramFolder) {
  TempDir home;
  WriteFileBytes(home / "DataEdit.ini",
                 "[workbench]\r\nOperatorMode=1\r\nLiveRoot=clinic-pc\r\nDriveD=/mnt/d\r\n"
                 "[" +
                     big5::FromUtf8("預覽視窗") + "]\r\n" + big5::FromUtf8("處置視窗欄值") +
                     "=5\r\n");
  DataEditIni ini(home.path());
  WorkbenchSettings workbench = ini.ReadWorkbench();
  EXPECT_TRUE(workbench.operator_mode);
  EXPECT_EQ(workbench.live_root, WithTrailingSeparator(home.path() / "clinic-pc"));
  EXPECT_EQ(workbench.drive_roots[0], workbench.live_root);
  EXPECT_EQ(workbench.drive_roots[1], std::filesystem::path("/mnt/d"));
  EXPECT_EQ(ini.ReadPreviewWindow().columns, 5);
}

TEST(DataEditIni, OperatorModeIsOnlyTheValueOne) {
  TempDir home;
  WriteFileBytes(home / "DataEdit.ini", "[Workbench]\r\nOperatorMode=2\r\n");
  EXPECT_FALSE(DataEditIni(home.path()).ReadWorkbench().operator_mode);
}

TEST(DataEditIni, RemembersSourceFoldersInBig5) {
  TempDir home;
  DataEditIni ini(home.path());
  std::filesystem::path folder = home.path() / PathFromUtf8("展望資料") / "";
  ini.WriteLastFolder(SourceSystem::kVision, folder);
  ini.WriteLastFolder(SourceSystem::kRealSun, "/rs/");
  EXPECT_EQ(ini.LastFolder(SourceSystem::kVision), folder);
  EXPECT_EQ(ini.LastFolder(SourceSystem::kRealSun), std::filesystem::path("/rs/"));
  std::string bytes = testing::ReadFileBytes(home / "DataEdit.ini");
  EXPECT_NE(bytes.find(big5::FromUtf8("[Vsystem]")), std::string::npos);
  EXPECT_NE(bytes.find(big5::FromUtf8("一轉目錄=") + PathToBig5(folder)), std::string::npos);
}

TEST(DataEditIni, RefusesAFileSavedAsUtf8) {
  TempDir home;
  WriteFileBytes(home / "DataEdit.ini", "[Vsystem]\r\n一轉目錄=/visw/\r\n");
  DataEditIni ini(home.path());
  try {
    ini.LastFolder(SourceSystem::kVision);
    FAIL() << "a UTF-8 DataEdit.ini must be refused";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("DataEdit.ini is not Big5 text"), std::string::npos)
        << error.what();
  }
  EXPECT_THROW(ini.WriteLastFolder(SourceSystem::kVision, "/x/"), Error);
}

}  // namespace
}  // namespace zuvo
