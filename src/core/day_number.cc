#include "core/day_number.h"

#include <cstdio>

namespace zuvo {
namespace {

// 1899-12-30 counted from 0000-03-01 in the proleptic Gregorian calendar.
constexpr int64_t kEpochShift = 693899;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

CivilDate CivilFromDayNumber(int32_t day_number) {
  // Howard Hinnant's days-to-civil, counted from 0000-03-01.
  int64_t days = int64_t{day_number} + kEpochShift;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t day_of_era = days - era * 146097;
  int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 -
                         day_of_era / 146096) / 365;
  int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  int64_t month_index = (5 * day_of_year + 2) / 153;
  int day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
  int month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
  int year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
  return {year, month, day};
}

std::optional<int32_t> DayNumberFromCivil(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  int64_t y = month <= 2 ? year - 1 : year;
  int64_t era = y / 400;
  int64_t year_of_era = y - era * 400;
  int64_t month_index = month > 2 ? month - 3 : month + 9;
  int64_t day_of_year = (153 * month_index + 2) / 5 + day - 1;
  int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return static_cast<int32_t>(era * 146097 + day_of_era - kEpochShift);
}

std::optional<int32_t> DayNumberOf(double date_time) {
  if (!std::isfinite(date_time)) return std::nullopt;
  double whole = std::trunc(date_time);
  if (whole < kFirstDayNumber || whole > kLastDayNumber) return std::nullopt;
  return static_cast<int32_t>(whole);
}

int DayOfYearIndex(const CivilDate& date) {
  return kDaysBeforeMonth[static_cast<size_t>(date.month - 1)] + date.day - 1;
}

std::string FormatDay(int32_t day_number) {
  CivilDate date = CivilFromDayNumber(day_number);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

std::string FormatDateTime(double date_time) {
  if (date_time == 0) return "0";
  std::optional<int32_t> day = DayNumberOf(date_time);
  if (!day) {
    char text[48];
    std::snprintf(text, sizeof text, "invalid (%g)", date_time);
    return text;
  }
  // The fraction is the time of day, also for dates before 1899-12-30 (negative values).
  double fraction = std::fabs(date_time - *day);
  int seconds = static_cast<int>(fraction * 86400.0 + 1e-6);
  if (seconds >= 86400) seconds = 86399;
  char text[48];
  std::snprintf(text, sizeof text, "%s %02d:%02d:%02d", FormatDay(*day).c_str(), seconds / 3600,
                seconds / 60 % 60, seconds % 60);
  return text;
}

}  // namespace zuvo
