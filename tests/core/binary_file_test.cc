#include "core/binary_file.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

TEST(BinaryFileTest, ReadsSeeEveryWriteBeforeItReachesTheFile) {
  TempDir dir;
  BinaryFile file(dir / "f", BinaryFile::Mode::kCreate);
  EXPECT_EQ(file.Append("abc"), 0u);
  EXPECT_EQ(file.Append("def"), 3u);
  EXPECT_EQ(file.size(), 6u);
  EXPECT_EQ(file.ReadString(2, 3), "cde");
  // A write inside bytes already read, then a read of them.
  EXPECT_EQ(file.ReadString(0, 6), "abcdef");
  file.WriteAt(1, "X");
  EXPECT_EQ(file.ReadString(0, 3), "aXc");
  // Beyond the end the gap reads as zero bytes; a large write goes straight to the file.
  file.WriteAt(8, "Z");
  const std::string large(100'000, 'L');
  file.WriteAt(9, large);
  EXPECT_EQ(file.size(), 9u + large.size());
  EXPECT_EQ(file.ReadString(0, 10), std::string("aXcdef\0\0ZL", 10));
  file.Close();
  EXPECT_EQ(ReadFileBytes(dir / "f"), std::string("aXcdef\0\0Z", 9) + large);
}

TEST(BinaryFileTest, WritesReachTheFileWhenItIsLetGoWithoutClose) {
  TempDir dir;
  {
    BinaryFile file(dir / "f", BinaryFile::Mode::kOpenOrCreate);
    file.WriteAt(0, "hello");
  }
  EXPECT_EQ(ReadFileBytes(dir / "f"), "hello");
  {
    BinaryFile file(dir / "f", BinaryFile::Mode::kReadWrite);
    file.WriteAt(4, "!");
    file.Flush();
    EXPECT_EQ(ReadFileBytes(dir / "f"), "hell!");
  }
  BinaryFile file(dir / "f", BinaryFile::Mode::kOpenOrCreate);
  EXPECT_EQ(file.size(), 5u);
}

TEST(BinaryFileTest, FailuresNameTheFile) {
  TempDir dir;
  const std::string missing = (dir / "missing").string();
  try {
    BinaryFile file(dir / "missing", BinaryFile::Mode::kReadWrite);
    ADD_FAILURE() << "opened a missing file";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "cannot open " + missing + ": No such file or directory");
  }
  WriteFileBytes(dir / "f", "0123456789");
  BinaryFile file(dir / "f", BinaryFile::Mode::kRead);
  EXPECT_THROW(file.WriteAt(0, "x"), Error);
  EXPECT_THROW(file.ReadString(8, 3), Error);
  // The file shrinks under the reader: the read that no longer finds its bytes fails.
  std::filesystem::resize_file(dir / "f", 4);
  try {
    file.ReadString(2, 6);
    ADD_FAILURE() << "read bytes the file no longer has";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "short read in " + (dir / "f").string());
  }
}

}  // namespace
}  // namespace zuvo
