#include "platform/file_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::TempDir;

TEST(FileLockTest, ASecondHolderIsRefusedAndToldWhoHasIt) {
  TempDir dir;
  const auto file = dir / "clinic.lock";
  std::optional<FileLock> first = FileLock::TryAcquire(file, "vision run 3501");
  ASSERT_TRUE(first);
  std::string held_by;
  EXPECT_FALSE(FileLock::TryAcquire(file, "apply", &held_by));
  EXPECT_EQ(held_by, "pid " + std::to_string(::getpid()) + ": vision run 3501");
  first.reset();
  std::optional<FileLock> second = FileLock::TryAcquire(file, "apply", &held_by);
  EXPECT_TRUE(second);
  // A moved lock releases once.
  FileLock moved = std::move(*second);
  second.reset();
  EXPECT_FALSE(FileLock::TryAcquire(file, "third"));
}

// A process killed while it holds the lock leaves the file behind, but not the lock.
TEST(FileLockTest, ALockOfAKilledProcessIsTakenOver) {
  TempDir dir;
  const auto file = dir / "clinic.lock";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::optional<FileLock> lock = FileLock::TryAcquire(file, "child");
    char byte = lock ? 'y' : 'n';
    (void)::write(ready[1], &byte, 1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'y');
  std::string held_by;
  EXPECT_FALSE(FileLock::TryAcquire(file, "parent", &held_by));
  EXPECT_EQ(held_by, "pid " + std::to_string(child) + ": child");
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_TRUE(FileLock::TryAcquire(file, "parent"));
  ::close(ready[0]);
  ::close(ready[1]);
}

}  // namespace
}  // namespace zuvo
