#include "platform/folder_switch.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/folder_manifest.h"
#include "platform/test_point.h"
#include "support/folder_files.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;

void Write(const fs::path& file, std::string_view bytes) {
  CreateFolders(file.parent_path());
  testing::WriteFileBytes(file, bytes);
}

class FolderSwitchTest : public ::testing::Test {
 protected:
  FolderSwitchTest() {
    Write(root / "A" / "a.txt", "old a");
    Write(root / "B" / "sub" / "b.txt", "old b");
    Write(root / "other.txt", "untouched");
    Write(root / "stage" / "A" / "a.txt", "new a");
    Write(root / "stage" / "B" / "b2.txt", "new b");
    old_files = testing::FolderFiles(root);
  }

  FolderSwitchPlan plan() { return {root, {"A", "B"}, "stage", "retired"}; }
  static void Seal(const fs::path& partial) { WriteFolderManifest(partial, partial / "MANIFEST"); }
  // The files of A and B as the root shows them now.
  std::map<std::string, std::string> Live() {
    std::map<std::string, std::string> live;
    for (const char* name : {"A", "B"}) {
      if (!fs::exists(root / name)) continue;
      for (auto& [path, bytes] : testing::FolderFiles(root / name))
        live[std::string(name) + "/" + path] = bytes;
    }
    return live;
  }

  TempDir dir;
  fs::path root = dir.path();
  std::map<std::string, std::string> old_files;
};

TEST_F(FolderSwitchTest, SwitchesEveryFolderAndRetiresTheOldOnesWithTheirSeal) {
  const std::map<std::string, std::string> old_live = Live();
  fs::path retired = SwitchFolders(plan(), Seal);
  EXPECT_EQ(retired, root / "retired");
  EXPECT_EQ(Live(),
            (std::map<std::string, std::string>{{"A/a.txt", "new a"}, {"B/b2.txt", "new b"}}));
  std::map<std::string, std::string> kept = testing::FolderFiles(retired);
  kept.erase("MANIFEST");
  std::map<std::string, std::string> expected;
  for (auto& [path, bytes] : old_live) expected[path] = bytes;
  EXPECT_EQ(kept, expected);
  EXPECT_TRUE(CheckFolderManifest(retired, retired / "MANIFEST").empty());
  EXPECT_FALSE(fs::exists(root / "stage"));
  EXPECT_FALSE(fs::exists(root / kSwitchJournalName));
  EXPECT_EQ(ReadFileBytes(root / "other.txt"), "untouched");
  EXPECT_EQ(RecoverFolderSwitch(root), SwitchRecovery::kNone);
}

TEST_F(FolderSwitchTest, AFolderWithoutAStagedOneIsGoneAndANewOneAppears) {
  fs::remove_all(root / "stage" / "B");
  fs::remove_all(root / "A");
  fs::path retired = SwitchFolders(plan(), Seal);
  EXPECT_EQ(Live(), (std::map<std::string, std::string>{{"A/a.txt", "new a"}}));
  EXPECT_EQ(ReadFileBytes(retired / "B" / "sub" / "b.txt"), "old b");
  EXPECT_FALSE(fs::exists(retired / "A"));
}

TEST_F(FolderSwitchTest, NothingOldMeansNothingRetired) {
  fs::remove_all(root / "A");
  fs::remove_all(root / "B");
  bool sealed = false;
  EXPECT_TRUE(SwitchFolders(plan(), [&](const fs::path&) { sealed = true; }).empty());
  EXPECT_FALSE(sealed);
  EXPECT_EQ(Live().size(), 2u);
  EXPECT_FALSE(fs::exists(root / "retired"));
}

TEST_F(FolderSwitchTest, AFailureAtAnyPointPutsEverythingBack) {
  for (const char* point : {"folder-switch:journal", "folder-switch:out A", "folder-switch:out B",
                            "folder-switch:in A", "folder-switch:in B", "folder-switch:sealed"}) {
    Write(root / "stage" / "A" / "a.txt", "new a");
    Write(root / "stage" / "B" / "b2.txt", "new b");
    ::setenv(kTestPointVariable, (std::string(point) + ":fail").c_str(), 1);
    EXPECT_THROW(SwitchFolders(plan(), Seal), Error) << point;
    ::unsetenv(kTestPointVariable);
    std::map<std::string, std::string> now = testing::FolderFiles(root);
    EXPECT_FALSE(fs::exists(root / "stage")) << point;
    std::map<std::string, std::string> expected = old_files;
    std::erase_if(expected, [](const auto& file) { return file.first.starts_with("stage/"); });
    EXPECT_EQ(now, expected) << point;
  }
  // A seal that throws undoes the switch as well.
  Write(root / "stage" / "A" / "a.txt", "new a");
  EXPECT_THROW(SwitchFolders(plan(), [](const fs::path&) { throw Error("no room"); }), Error);
  EXPECT_EQ(ReadFileBytes(root / "A" / "a.txt"), "old a");
  EXPECT_FALSE(fs::exists(root / "retired.partial"));
}

TEST_F(FolderSwitchTest, ARetiredFolderThatExistsAlreadyIsRefusedBeforeAnythingMoves) {
  fs::create_directories(root / "retired");
  EXPECT_THROW(SwitchFolders(plan(), Seal), Error);
  EXPECT_EQ(ReadFileBytes(root / "A" / "a.txt"), "old a");
  FolderSwitchPlan bad = plan();
  bad.names = {"../A"};
  EXPECT_THROW(SwitchFolders(bad, Seal), Error);
}

// The states a kill leaves, laid down by hand, and what recovery makes of them.
TEST_F(FolderSwitchTest, RecoveryUndoesASwitchCutShortAndFinishesADoneOne) {
  const std::string journal =
      "zuvo folder switch 1\nstaging=stage\nretired=retired\nname=A\nname=B\nexisting=A\n"
      "existing=B\n";
  // Killed after A moved out and A's new folder moved in; B still old.
  Write(root / kSwitchJournalName, journal);
  fs::create_directories(root / "retired.partial");
  fs::rename(root / "A", root / "retired.partial" / "A");
  fs::rename(root / "stage" / "A", root / "A");
  EXPECT_EQ(RecoverFolderSwitch(root), SwitchRecovery::kRolledBack);
  std::map<std::string, std::string> expected = old_files;
  std::erase_if(expected, [](const auto& file) { return file.first.starts_with("stage/"); });
  EXPECT_EQ(testing::FolderFiles(root), expected);
  EXPECT_EQ(RecoverFolderSwitch(root), SwitchRecovery::kNone);

  // Killed after the retired folder got its name: the switch stands.
  Write(root / kSwitchJournalName, journal);
  Write(root / "stage" / "left.txt", "x");
  fs::create_directories(root / "retired");
  fs::rename(root / "A", root / "retired" / "A");
  Write(root / "A" / "a.txt", "new a");
  EXPECT_EQ(RecoverFolderSwitch(root), SwitchRecovery::kFinished);
  EXPECT_EQ(ReadFileBytes(root / "A" / "a.txt"), "new a");
  EXPECT_EQ(ReadFileBytes(root / "retired" / "A" / "a.txt"), "old a");
  EXPECT_FALSE(fs::exists(root / "stage"));
  EXPECT_FALSE(fs::exists(root / kSwitchJournalName));

  // A journal whose values would lead out of the root is refused, and stays.
  Write(root / kSwitchJournalName, "zuvo folder switch 1\nstaging=..\nretired=r\nname=A\n");
  EXPECT_THROW(RecoverFolderSwitch(root), Error);
  EXPECT_TRUE(fs::exists(root / kSwitchJournalName));
}

TEST(FolderManifestTest, AWholeFolderPassesAndEachKindOfDamageIsNamed) {
  TempDir dir;
  Write(dir / "f" / "x.bin", "12345");
  Write(dir / "f" / "sub" / "y.txt", "");
  fs::create_symlink("x.bin", dir / "f" / "l");
  const fs::path manifest = dir / "f" / "M";
  WriteFolderManifest(dir / "f", manifest);
  // SHA-256 of "" and of "12345".
  EXPECT_EQ(ReadFileBytes(manifest),
            "zuvo folder manifest 2\n"
            "link\tx.bin\tl\n"
            "folder\tsub\n"
            "file\t0\te3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\tsub/y.txt\n"
            "file\t5\t5994471abb01112afcc18159f6cc74b4f511b99806da59b3caf5a9c173cacfc5\tx.bin\n"
            "end 4\n");
  EXPECT_TRUE(CheckFolderManifest(dir / "f", manifest).empty());
  Write(dir / "f" / "extra", "not listed");
  EXPECT_TRUE(CheckFolderManifest(dir / "f", manifest).empty());

  // Changed at the same size: only the checksum tells.
  Write(dir / "f" / "x.bin", "12346");
  EXPECT_TRUE(CheckFolderManifest(dir / "f", manifest, ManifestDepth::kSizes).empty());
  EXPECT_EQ(CheckFolderManifest(dir / "f", manifest),
            (std::vector<std::string>{"x.bin 的內容與清單的檢查碼不符"}));
  Write(dir / "f" / "x.bin", "1234");
  fs::remove(dir / "f" / "sub" / "y.txt");
  fs::remove(dir / "f" / "l");
  fs::create_symlink("extra", dir / "f" / "l");
  EXPECT_EQ(CheckFolderManifest(dir / "f", manifest),
            (std::vector<std::string>{"l 連結到 extra,清單記載連結到 x.bin", "sub/y.txt 不存在",
                                      "x.bin 有 4 位元組,清單記載 5 位元組"}));
  fs::remove_all(dir / "f" / "sub");
  fs::create_symlink(dir / "elsewhere", dir / "f" / "sub");
  Write(dir / "elsewhere" / "y.txt", "");
  // A linked folder is no folder of the backup, and nothing is read through it.
  EXPECT_EQ(
      CheckFolderManifest(dir / "f", manifest, ManifestDepth::kSizes),
      (std::vector<std::string>{"l 連結到 extra,清單記載連結到 x.bin", "sub 不是資料夾",
                                "sub 是連結,不是資料夾", "x.bin 有 4 位元組,清單記載 5 位元組"}));

  const std::string text = ReadFileBytes(manifest);
  for (size_t cut : {size_t{0}, size_t{10}, text.size() - 8, text.size() - 1}) {
    testing::WriteFileBytes(manifest, text.substr(0, cut));
    std::vector<std::string> problems = CheckFolderManifest(dir / "f", manifest);
    ASSERT_EQ(problems.size(), 1u) << cut;
    EXPECT_EQ(problems[0], "清單 " + PathToUtf8(manifest) + " 不完整") << cut;
  }
  fs::remove(manifest);
  EXPECT_EQ(CheckFolderManifest(dir / "f", manifest),
            (std::vector<std::string>{"清單 " + PathToUtf8(manifest) + " 不存在或無法讀取"}));
}

// A manifest written before checksums were recorded still reads, and is checked on its sizes;
// a line that would lead out of the folder is damage.
TEST(FolderManifestTest, SizesOnlyManifestsReadAndPathsMustStayInside) {
  TempDir dir;
  Write(dir / "f" / "x.bin", "12345");
  const fs::path manifest = dir / "M";
  Write(manifest, "zuvo folder manifest 1\n5\tx.bin\nend 1\n");
  FolderManifest read = ReadFolderManifest(manifest);
  EXPECT_FALSE(read.checksums);
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(read.entries[0].size, 5u);
  Write(dir / "f" / "x.bin", "54321");
  EXPECT_TRUE(CheckFolderManifest(dir / "f", manifest).empty());
  Write(dir / "f" / "x.bin", "4321");
  EXPECT_EQ(CheckFolderManifest(dir / "f", manifest),
            (std::vector<std::string>{"x.bin 有 4 位元組,清單記載 5 位元組"}));

  const std::string digest(64, 'a');
  for (const char* path : {"../x.bin", "/etc/passwd", "a//b", "a/./b", "a\\b"}) {
    Write(manifest, "zuvo folder manifest 2\nfile\t5\t" + digest + "\t" + path + "\nend 1\n");
    try {
      ReadFolderManifest(manifest);
      ADD_FAILURE() << path;
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), "清單 " + PathToUtf8(manifest) + " 第 2 行損壞") << path;
    }
  }
}

}  // namespace
}  // namespace zuvo
