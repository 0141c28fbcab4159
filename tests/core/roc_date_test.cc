#include "core/roc_date.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zuvo {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime({y, mo, d, h, mi, s, ms}).value();
}

TEST(DateTimeValue, CountsDaysFrom30December1899) {
  EXPECT_EQ(At(1899, 12, 30), 0.0);
  EXPECT_EQ(At(1900, 1, 1), 2.0);
  EXPECT_EQ(At(2018, 3, 26), 43185.0);
  EXPECT_DOUBLE_EQ(At(2018, 3, 26, 12), 43185.5);
  EXPECT_FALSE(EncodeDate(2018, 2, 29).has_value());
  EXPECT_FALSE(EncodeDate(2018, 13, 1).has_value());
  EXPECT_FALSE(EncodeDateTime({2018, 1, 1, 24, 0, 0, 0}).has_value());
  CivilDateTime parts = DecodeDateTime(At(2018, 3, 26, 15, 40, 0, 1));
  EXPECT_EQ(parts.year, 2018);
  EXPECT_EQ(parts.hour, 15);
  EXPECT_EQ(parts.minute, 40);
  EXPECT_EQ(parts.millisecond, 1);
}

TEST(DateTimeValue, YearsEarlierKeepsTheMomentAndMovesLeapDayTo28February) {
  EXPECT_DOUBLE_EQ(YearsEarlier(At(2026, 12, 1, 10, 30), 2), At(2024, 12, 1, 10, 30));
  EXPECT_DOUBLE_EQ(YearsEarlier(At(2024, 2, 29, 8), 2), At(2022, 2, 28, 8));
  EXPECT_DOUBLE_EQ(YearsEarlier(At(2024, 2, 29), 4), At(2020, 2, 29));
  EXPECT_DOUBLE_EQ(YearsEarlier(At(2024, 3, 1), 1), At(2023, 3, 1));
}

TEST(RocDates, FormatsThreeDigitYears) {
  EXPECT_EQ(RocDate(At(2018, 3, 26, 15, 40)), "1070326");
  EXPECT_EQ(RocDate(At(1998, 7, 1)), "0870701");
  EXPECT_EQ(RocStamp(At(2018, 3, 26, 15, 40, 5)), "1070326154005");
  EXPECT_EQ(RocStamp(At(2018, 3, 26, 23, 59, 59, 999)), "1070326235959");
}

TEST(RocDates, ReadsSevenCharacterDates) {
  EXPECT_EQ(RocDateToDate("1070326"), At(2018, 3, 26));
  EXPECT_EQ(RocDateToDate("0870701"), At(1998, 7, 1));
  EXPECT_EQ(RocDateToDate("1070230"), 0);                // 30 February
  EXPECT_EQ(RocDateToDate("107032"), 0);                 // six characters
  EXPECT_EQ(RocDateToDate(" 1070326"), 0);               // not trimmed: eight characters
  EXPECT_EQ(RocDateToDate("107AB26"), At(2018, 1, 26));  // a month that is no number reads as 1
  EXPECT_EQ(RocDateToDate("ABC0101"), At(1911, 1, 1));   // a year that is no number reads as 0
}

TEST(RocDates, ReadsTimeStampsWithOneMillisecond) {
  DateTime stamp = RocStampToDateTime("1070326154000");
  EXPECT_DOUBLE_EQ(stamp, At(2018, 3, 26, 15, 40, 0, 1));
  EXPECT_DOUBLE_EQ(RocStampToDateTime("  1070326154000 "), stamp);  // trimmed first
  EXPECT_EQ(RocStampToDateTime("107032615400"), 0);
  EXPECT_EQ(RocStampToDateTime("10703261540000"), 0);
  EXPECT_EQ(RocStampToDateTime("1070326246000"), 0);  // hour 24
}

TEST(RocDates, ConvertsWesternDates) {
  EXPECT_EQ(WesternToRocDate("20180326"), "1070326");
  EXPECT_EQ(WesternToRocDate(" 19980701 "), "0870701");
  EXPECT_EQ(WesternToRocDate("2018032"), "");
}

TEST(RocDates, IndexesDaysOfYearAsInALeapYear) {
  EXPECT_EQ(DayOfYearIndex(At(2018, 1, 1)), 0);
  EXPECT_EQ(DayOfYearIndex(At(2016, 2, 29)), 59);
  EXPECT_EQ(DayOfYearIndex(At(2018, 3, 1)), 60);
  EXPECT_EQ(DayOfYearIndex(At(2016, 3, 1)), 60);
  EXPECT_EQ(DayOfYearIndex(At(2018, 12, 31)), 365);
}

TEST(RocDates, NowIsToday) {
  DateTime now = Now();
  EXPECT_GT(now, At(2020, 1, 1));
  EXPECT_LT(now, At(2200, 1, 1));
}

}  // namespace
}  // namespace zuvo
