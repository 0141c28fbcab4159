#include "core/clock_text.h"

#include <gtest/gtest.h>

namespace zuvo {
namespace {

TEST(ClockTextTest, TimeOfDayAndElapsedTimes) {
  EXPECT_EQ(ClockText(*EncodeDateTime({2026, 12, 9, 8, 5, 7, 0})), "08:05:07");
  EXPECT_EQ(ClockText(*EncodeDateTime({2026, 12, 9, 23, 59, 59, 0})), "23:59:59");
  EXPECT_EQ(ElapsedText(1.0, 1.0 + 3725.0 / 86400), "01:02:05");
  EXPECT_EQ(ElapsedText(1.0, 2.5), "36:00:00");
  EXPECT_EQ(ElapsedText(2.0, 1.0), "00:00:00");
  EXPECT_EQ(ElapsedText(std::chrono::milliseconds(3'725'999)), "01:02:05");
  EXPECT_EQ(ElapsedText(std::chrono::hours(100)), "100:00:00");
  EXPECT_EQ(ElapsedText(std::chrono::seconds(-5)), "00:00:00");
}

}  // namespace
}  // namespace zuvo
