#include "platform/file_ops.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::zuvo::testing::ReadFileBytes;
using ::zuvo::testing::TempDir;
using ::zuvo::testing::WriteFileBytes;

void Put(const fs::path& file, std::string_view bytes) {
  fs::create_directories(file.parent_path());
  WriteFileBytes(file, bytes);
}

std::vector<std::string> Names(const std::vector<fs::path>& paths) {
  std::vector<std::string> names;
  for (const fs::path& path : paths) names.push_back(path.filename().string());
  return names;
}

TEST(CopyFolder, CopiesTheFolderIntoTheDestinationOverwritingAndKeepingExtraFiles) {
  TempDir dir;
  Put(dir / "work/Corvix/OPD.mdb", "new catalogue");
  Put(dir / "work/Corvix/sub/deep/x.ini", "deep");
  fs::create_directories(dir / "work/Corvix/empty");
  Put(dir / "live/Corvix/OPD.mdb", "old catalogue that is longer");
  Put(dir / "live/Corvix/only-live.txt", "keep me");

  EXPECT_TRUE(CopyFolder(dir / "work/Corvix", dir / "live"));
  EXPECT_EQ(ReadFileBytes(dir / "live/Corvix/OPD.mdb"), "new catalogue");
  EXPECT_EQ(ReadFileBytes(dir / "live/Corvix/sub/deep/x.ini"), "deep");
  EXPECT_EQ(ReadFileBytes(dir / "live/Corvix/only-live.txt"), "keep me");
  EXPECT_TRUE(fs::is_directory(dir / "live/Corvix/empty"));
  EXPECT_EQ(ReadFileBytes(dir / "work/Corvix/OPD.mdb"), "new catalogue");  // source untouched

  // A trailing separator names the same folder; a missing destination is created.
  EXPECT_TRUE(CopyFolder(dir.path() / "work/Corvix/", dir / "new/root"));
  EXPECT_EQ(ReadFileBytes(dir / "new/root/Corvix/sub/deep/x.ini"), "deep");
}

TEST(CopyFolder, ReportsAMissingSourceAndFailedCopies) {
  TempDir dir;
  EXPECT_FALSE(CopyFolder(dir / "missing", dir / "dest"));
  EXPECT_FALSE(fs::exists(dir / "dest"));

  // A file stands where a copied folder must go: that part fails, the rest is copied.
  Put(dir / "src/Tolsern/a.txt", "a");
  Put(dir / "src/Tolsern/blocked/b.txt", "b");
  Put(dir / "dest/Tolsern/blocked", "a file, not a folder");
  EXPECT_FALSE(CopyFolder(dir / "src/Tolsern", dir / "dest"));
  EXPECT_EQ(ReadFileBytes(dir / "dest/Tolsern/a.txt"), "a");

  // Copying a folder into itself would never end.
  EXPECT_FALSE(CopyFolder(dir / "src", dir / "src/Tolsern"));
}

TEST(DeleteFolder, DeletesTheTreeButNotWhatLinksPointTo) {
  TempDir dir;
  Put(dir / "tree/a/b/c.txt", "c");
  Put(dir / "outside/keep.txt", "keep");
  fs::create_directory_symlink(dir / "outside", dir / "tree/a/link");
  EXPECT_TRUE(DeleteFolder(dir / "tree"));
  EXPECT_FALSE(fs::exists(dir / "tree"));
  EXPECT_EQ(ReadFileBytes(dir / "outside/keep.txt"), "keep");
  EXPECT_TRUE(DeleteFolder(dir / "tree"));  // nothing left to delete
  EXPECT_TRUE(DeleteFolder(dir / "outside/keep.txt"));
  EXPECT_FALSE(fs::exists(dir / "outside/keep.txt"));
}

TEST(FileRoutines, CopyFileToHonoursOverwriteAndNamesBothFilesOnFailure) {
  TempDir dir;
  Put(dir / "from.txt", "new");
  Put(dir / "to.txt", "old");
  EXPECT_FALSE(CopyFileTo(dir / "from.txt", dir / "to.txt", false));
  EXPECT_EQ(ReadFileBytes(dir / "to.txt"), "old");
  EXPECT_TRUE(CopyFileTo(dir / "from.txt", dir / "to.txt", true));
  EXPECT_EQ(ReadFileBytes(dir / "to.txt"), "new");
  try {
    CopyFileTo(dir / "missing.txt", dir / "to.txt", true);
    FAIL() << "copying a missing file must fail";
  } catch (const Error& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find((dir / "missing.txt").string()), std::string::npos) << message;
    EXPECT_NE(message.find((dir / "to.txt").string()), std::string::npos) << message;
  }
}

TEST(FileRoutines, DeleteFileAndCreateFolders) {
  TempDir dir;
  Put(dir / "x.txt", "x");
  EXPECT_TRUE(DeleteFileWithRetry(dir / "x.txt"));
  EXPECT_FALSE(fs::exists(dir / "x.txt"));
  EXPECT_TRUE(DeleteFileWithRetry(dir / "never.txt"));

  CreateFolders(dir / "a/b/c");
  EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));
  CreateFolders(dir / "a/b/c");  // already there
  Put(dir / "file", "f");
  EXPECT_THROW(CreateFolders(dir / "file/sub"), Error);
}

TEST(FileRoutines, WriteFileAtomicallyReplacesTheWholeFile) {
  TempDir dir;
  Put(dir / "f.bin", "old content, longer than the new");
  WriteFileAtomically(dir / "f.bin", std::string("new\0bytes", 9));
  EXPECT_EQ(ReadFileBytes(dir / "f.bin"), std::string("new\0bytes", 9));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);  // no temporary left
  EXPECT_THROW(WriteFileAtomically(dir / "missing/f.bin", "x"), Error);
  EXPECT_EQ(ReadWholeFile(dir / "f.bin"), std::string("new\0bytes", 9));
  EXPECT_THROW(ReadWholeFile(dir / "missing.bin"), Error);
}

TEST(ListByWildcard, MatchesWithoutRegardToCaseInNameOrder) {
  TempDir dir;
  for (const char* name : {"plut2.DBF", "PLUT1.dbf", "plutx", "other.dbf", "xp01.DBF",
                           "plut10.dbf.bak", "檢驗1.txt"}) {
    Put(dir / name, "");
  }
  fs::create_directory(dir / "plutdir.dbf");
  EXPECT_EQ(Names(ListByWildcard(dir.path(), "plut*.dbf")),
            (std::vector<std::string>{"PLUT1.dbf", "plut2.DBF", "plutdir.dbf"}));
  EXPECT_EQ(Names(ListByWildcard(dir.path(), "PLUT?.*")),
            (std::vector<std::string>{"PLUT1.dbf", "plut2.DBF", "plutx"}));
  EXPECT_EQ(Names(ListByWildcard(dir.path(), "*.")), (std::vector<std::string>{"plutx"}));
  EXPECT_EQ(Names(ListByWildcard(dir.path(), "??1.TXT")), (std::vector<std::string>{"檢驗1.txt"}));
  EXPECT_EQ(ListByWildcard(dir.path(), "*.*").size(), 8u);
  EXPECT_TRUE(ListByWildcard(dir / "missing", "*").empty());
}

TEST(ResolvePath, MatchesEveryComponentWithoutRegardToCase) {
  TempDir dir;
  Put(dir / "VISW/S/TITLE.DBF", "t");
  Put(dir / "VISW/z/Plut1.dbf", "p");
  EXPECT_EQ(ResolvePath(dir / "VISW", "s\\title.dbf"), dir / "VISW/S/TITLE.DBF");
  EXPECT_EQ(ResolvePath(dir.path(), "vIsW/s/TiTlE.dBf"), dir / "VISW/S/TITLE.DBF");
  EXPECT_EQ(ResolvePath(dir.path(), "visw\\Z\\PLUT1.DBF"), dir / "VISW/z/Plut1.dbf");
  EXPECT_EQ(ResolvePath(dir.path(), "VISW/./S//TITLE.DBF"), dir / "VISW/S/TITLE.DBF");
  EXPECT_EQ(ResolvePath(dir.path(), "visw/s"), dir / "VISW/S");
  EXPECT_FALSE(ResolvePath(dir.path(), "visw/s/missing.dbf").has_value());
  EXPECT_FALSE(ResolvePath(dir.path(), "visw/s/title.dbf/x").has_value());
}

TEST(ResolvePath, PrefersTheExactNameAndSeesFilesCreatedOrDeletedLater) {
  TempDir dir;
  Put(dir / "a.dbf", "lower");
  Put(dir / "A.DBF", "upper");
  EXPECT_EQ(ResolvePath(dir.path(), "a.dbf"), dir / "a.dbf");
  EXPECT_EQ(ResolvePath(dir.path(), "A.DBF"), dir / "A.DBF");
  EXPECT_EQ(ResolvePath(dir.path(), "A.dbf"), dir / "A.DBF");  // first in byte order

  EXPECT_FALSE(ResolvePath(dir.path(), "co01m.dbf").has_value());
  Put(dir / "CO01M.DBF", "new");
  EXPECT_EQ(ResolvePath(dir.path(), "co01m.dbf"), dir / "CO01M.DBF");
  fs::remove(dir / "CO01M.DBF");
  EXPECT_FALSE(ResolvePath(dir.path(), "co01m.dbf").has_value());
  Put(dir / "Co01m.Dbf", "renamed");
  EXPECT_EQ(ResolvePath(dir.path(), "co01m.dbf"), dir / "Co01m.Dbf");
}

}  // namespace
}  // namespace zuvo
