#pragma once

// Date-time values as the stores hold them: a damaged file may hold any 8 bytes, so every
// value is checked before it is taken apart or used as a day number.

#include <cstdint>
#include <optional>
#include <string>

namespace zuvo {

// The earliest and latest day numbers of the date-time value (years 1 to 9999).
inline constexpr int32_t kFirstDayNumber = -693593;
inline constexpr int32_t kLastDayNumber = 2958465;

// The day number of a date-time value: its integer part. Empty for NaN, infinities and values
// outside years 1..9999.
std::optional<int32_t> DayNumberOf(double date_time);

// "2018-03-26 15:40:00"; "0" for the null date; "invalid (x)" for values that are no date.
std::string FormatDateTime(double date_time);
// "2018-03-26"
std::string FormatDay(int32_t day_number);

}  // namespace zuvo
