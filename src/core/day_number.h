#pragma once

// Calendar arithmetic on the day numbers of the date-time value (days since 1899-12-30), for the
// stores' own needs: the birthday bucket of the patient index and the dates shown by inspect.

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

namespace zuvo {

// Days of a leap year before each month (index 0 = January).
inline constexpr std::array<int, 12> kDaysBeforeMonth = {0,   31,  60,  91,  121, 152,
                                                         182, 213, 244, 274, 305, 335};

// The earliest and latest day numbers of the date-time value (years 1 to 9999).
inline constexpr int32_t kFirstDayNumber = -693593;
inline constexpr int32_t kLastDayNumber = 2958465;

struct CivilDate {
  int year;
  int month;  // 1..12
  int day;    // 1..31
};

CivilDate CivilFromDayNumber(int32_t day_number);
// Empty for a date that does not exist (30 February, month 13).
std::optional<int32_t> DayNumberFromCivil(int year, int month, int day);

// The day number of a date-time value: its integer part. Empty for NaN, infinities and values
// outside years 1..9999, which damaged files may hold.
std::optional<int32_t> DayNumberOf(double date_time);

// Day of the year in a leap-year frame (0..365): 29 February is 59, 1 March always 60.
int DayOfYearIndex(const CivilDate& date);

// "2018-03-26 15:40:00" (seconds rounded down); "0" for the null date; "invalid (x)" for values
// that are no date.
std::string FormatDateTime(double date_time);
// "2018-03-26"
std::string FormatDay(int32_t day_number);

}  // namespace zuvo
