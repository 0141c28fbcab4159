#include "platform/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace zuvo {
namespace {

namespace fs = std::filesystem;

TEST(ScratchFolder, GoesWithWhatItHoldsWhenItsOwnerEnds) {
  fs::path first, second;
  {
    ScratchFolder one = ScratchFolder::InTemporaryFolder("zuvo-scratch-test-");
    ScratchFolder two = ScratchFolder::InTemporaryFolder("zuvo-scratch-test-");
    first = one.path();
    second = two.path();
    EXPECT_NE(first, second) << "two scratch folders of one process never share a name";
    ASSERT_TRUE(fs::is_directory(first));
    fs::create_directories(first / "inner");
    std::ofstream(first / "inner" / "copy.mdb") << "x";
    // A moved folder stays until its new owner ends.
    ScratchFolder moved(std::move(two));
    EXPECT_EQ(moved.path(), second);
    EXPECT_TRUE(fs::is_directory(second));
  }
  EXPECT_FALSE(fs::exists(first));
  EXPECT_FALSE(fs::exists(second));
}

}  // namespace
}  // namespace zuvo
