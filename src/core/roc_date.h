#pragma once

// Dates. The date-time value counts days from 1899-12-30 (day 0) as a double, the fraction
// being the time of day; 0 is the null date, returned by every conversion that fails. ROC
// (Minguo) dates are seven characters yyymmdd with year = Gregorian year - 1911; ROC time stamps
// are thirteen characters yyymmddhhnnss.

#include <optional>
#include <string>
#include <string_view>

namespace zuvo {

using DateTime = double;

struct CivilDateTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The value of a calendar date and time; empty when a part is out of range (month 13,
// 30 February, hour 24, ...).
std::optional<DateTime> EncodeDateTime(const CivilDateTime& parts);
std::optional<DateTime> EncodeDate(int year, int month, int day);
// The parts of a value; the time is rounded to whole milliseconds.
CivilDateTime DecodeDateTime(DateTime value);
// The current local date and time.
DateTime Now();
// The same moment `years` calendar years earlier; 29 February becomes 28 February.
DateTime YearsEarlier(DateTime moment, int years);

std::string RocDate(DateTime value);
std::string RocStamp(DateTime value);
DateTime RocDateToDate(std::string_view text);
DateTime RocStampToDateTime(std::string_view text);
std::string WesternToRocDate(std::string_view text);
// A date typed by a person as a ROC date: exactly seven digits yyymmdd that make a calendar
// date. Unlike RocDateToDate, letters are not read as a default part ("garbage" is no date
// rather than 1 January 1911). Empty otherwise.
std::optional<DateTime> TypedRocDate(std::string_view text);

// Day-of-year index (0..365) as if every year were a leap year: 29 February is 59, 1 March 60.
int DayOfYearIndex(DateTime value);

}  // namespace zuvo
