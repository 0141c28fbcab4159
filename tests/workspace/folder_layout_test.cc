#include "workspace/folder_layout.h"

#include <gtest/gtest.h>

#include "platform/big5.h"
#include "platform/error.h"
#include "support/temp_dir.h"
#include "workspace/path_text.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

TEST(ClinicCode, NhiCodesAndBig5TextNameFolders) {
  EXPECT_FALSE(ClinicCodeProblem("3501200000"));
  EXPECT_FALSE(ClinicCodeProblem(" 3501200000  ")) << "the code is trimmed first";
  EXPECT_FALSE(ClinicCodeProblem(big5::FromUtf8("不明")));
  // 許 (B3 5C) ends in a backslash byte, which is part of the character, not a separator.
  EXPECT_FALSE(ClinicCodeProblem("\xB3\x5C"));
}

TEST(ClinicCode, RefusesWhatCouldLeaveTheClinicFolderOrBreakIt) {
  EXPECT_EQ(ClinicCodeProblem(""), "沒有健保代碼,無法建立診所資料夾");
  EXPECT_EQ(ClinicCodeProblem("   "), "沒有健保代碼,無法建立診所資料夾");
  for (std::string code : {"35 01", "..", ".", "../x", "a/b", "a\\b", "C:x", "a*", "a?", "a\"b",
                           "a<b", "a>b", "a|b", "a\tb"}) {
    std::optional<std::string> problem = ClinicCodeProblem(code);
    ASSERT_TRUE(problem) << code;
    EXPECT_EQ(problem->rfind("健保代碼含有空白或不能做為資料夾名稱的字元:", 0), 0u) << *problem;
  }
  std::optional<std::string> undecodable = ClinicCodeProblem("35\xA4");
  ASSERT_TRUE(undecodable);
  EXPECT_EQ(*undecodable, "健保代碼含有無法辨識的字元,不能做為資料夾名稱:35\\xA4");
}

TEST(FolderLayout, BuildsTheClinicFolderWorkTreeAndServerDataFolder) {
  fs::path home = "/home/zuvo";
  fs::path clinic = ClinicFolder(home, kVisionArea, "3501200000 ");
  EXPECT_EQ(clinic, fs::path("/home/zuvo/VISW/3501200000"));
  EXPECT_EQ(WorkTreeFolder(clinic, "1070326", WorkTreeKind::kVision),
            fs::path("/home/zuvo/VISW/3501200000/1070326_1"));
  fs::path rs = ClinicFolder(home, kRealSunArea, "X1");
  EXPECT_EQ(WorkTreeFolder(rs, "1070326", WorkTreeKind::kRealSunOnAndAfter).filename(),
            "1070326_1");
  EXPECT_EQ(WorkTreeFolder(rs, "1070326", WorkTreeKind::kRealSunBefore).filename(), "1070326_2");
  EXPECT_EQ(WorkTreeFolder(rs, "1070326", WorkTreeKind::kHisSearch).filename(), "1070326_H");
  EXPECT_EQ(ClinicFolder(home, "常誠", big5::FromUtf8("不明")),
            home / PathFromUtf8("常誠") / PathFromUtf8("不明"));
  EXPECT_EQ(ServerDataFolder("/w/1070326_1", " X1 "), fs::path("/w/1070326_1/Tolsern/X1"));
  EXPECT_THROW(ClinicFolder(home, kVisionArea, ".."), Error);
  EXPECT_THROW(ServerDataFolder("/w", "a/b"), Error);
}

TEST(FolderLayout, CreatesTheWorkTreeAgainWithoutComplaint) {
  testing::TempDir home;
  fs::path tree = home / "VISW" / "X1" / "1070326_1";
  CreateWorkTree(tree);
  testing::WriteFileBytes(tree / "Corvix" / "keep.txt", "kept");
  CreateWorkTree(tree);
  EXPECT_TRUE(fs::is_directory(tree / "Tolsern"));
  EXPECT_TRUE(fs::is_directory(tree / "Corvix"));
  EXPECT_EQ(testing::ReadFileBytes(tree / "Corvix" / "keep.txt"), "kept");
}

}  // namespace
}  // namespace zuvo
