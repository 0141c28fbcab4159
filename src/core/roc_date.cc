#include "core/roc_date.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/code_tables.h"
#include "core/number_text.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

using std::chrono::day;
using std::chrono::days;
using std::chrono::month;
using std::chrono::sys_days;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr double kMillisecondsPerDay = 86400000.0;
const sys_days kEpoch = sys_days(year(1899) / 12 / 30);

// The parts of `text` from `position` of `length` characters as an integer, or `fallback`.
int PartOr(std::string_view text, size_t position, size_t length, int fallback) {
  auto value = ParseInteger(text.substr(position, length));
  return value ? static_cast<int>(*value) : fallback;
}

std::string YearPart(int year_number) {
  char buffer[16];
  int roc_year = year_number - 1911;
  // Three digits with leading zeros; a negative year keeps its sign in front.
  std::snprintf(buffer, sizeof buffer, roc_year < 0 ? "-%03d" : "%03d", std::abs(roc_year));
  return buffer;
}

}  // namespace

std::optional<DateTime> EncodeDate(int year_number, int month_number, int day_number) {
  if (year_number < 1 || year_number > 9999) return std::nullopt;
  year_month_day date{year(year_number), month(static_cast<unsigned>(month_number)),
                      day(static_cast<unsigned>(day_number))};
  if (month_number < 1 || month_number > 12 || day_number < 1 || !date.ok()) return std::nullopt;
  return static_cast<double>((sys_days(date) - kEpoch).count());
}

std::optional<DateTime> EncodeDateTime(const CivilDateTime& parts) {
  auto date = EncodeDate(parts.year, parts.month, parts.day);
  if (!date) return std::nullopt;
  if (parts.hour < 0 || parts.hour > 23 || parts.minute < 0 || parts.minute > 59 ||
      parts.second < 0 || parts.second > 59 || parts.millisecond < 0 || parts.millisecond > 999) {
    return std::nullopt;
  }
  double milliseconds =
      ((parts.hour * 60.0 + parts.minute) * 60.0 + parts.second) * 1000.0 + parts.millisecond;
  return *date + milliseconds / kMillisecondsPerDay;
}

CivilDateTime DecodeDateTime(DateTime value) {
  double whole = std::floor(value);
  auto milliseconds = static_cast<long long>(std::llround((value - whole) * kMillisecondsPerDay));
  if (milliseconds >= static_cast<long long>(kMillisecondsPerDay)) {
    whole += 1;
    milliseconds = 0;
  }
  year_month_day date{kEpoch + days(static_cast<long long>(whole))};
  CivilDateTime parts;
  parts.year = static_cast<int>(date.year());
  parts.month = static_cast<int>(static_cast<unsigned>(date.month()));
  parts.day = static_cast<int>(static_cast<unsigned>(date.day()));
  parts.hour = static_cast<int>(milliseconds / 3600000);
  parts.minute = static_cast<int>(milliseconds / 60000 % 60);
  parts.second = static_cast<int>(milliseconds / 1000 % 60);
  parts.millisecond = static_cast<int>(milliseconds % 1000);
  return parts;
}

DateTime YearsEarlier(DateTime moment, int years) {
  CivilDateTime parts = DecodeDateTime(moment);
  parts.year -= years;
  if (parts.month == 2 && parts.day == 29 && !EncodeDate(parts.year, 2, 29)) parts.day = 28;
  return EncodeDateTime(parts).value_or(0);
}

DateTime Now() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, local.tm_sec, static_cast<int>(milliseconds)})
      .value_or(0);
}

std::string RocDate(DateTime value) {
  CivilDateTime parts = DecodeDateTime(value);
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d%02d", parts.month, parts.day);
  return YearPart(parts.year) + buffer;
}

std::string RocStamp(DateTime value) {
  CivilDateTime parts = DecodeDateTime(value);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d%02d%02d%02d%02d", parts.month, parts.day, parts.hour,
                parts.minute, parts.second);
  return YearPart(parts.year) + buffer;
}

DateTime RocDateToDate(std::string_view text) {
  if (text.size() != 7) return 0;
  int year_number = PartOr(text, 0, 3, 0) + 1911;
  int month_number = PartOr(text, 3, 2, 1);
  int day_number = PartOr(text, 5, 2, 1);
  return EncodeDate(year_number, month_number, day_number).value_or(0);
}

DateTime RocStampToDateTime(std::string_view text) {
  std::string trimmed = big5::Trim(text);
  if (trimmed.size() != 13) return 0;
  CivilDateTime parts{PartOr(trimmed, 0, 3, 0) + 1911,
                      PartOr(trimmed, 3, 2, 1),
                      PartOr(trimmed, 5, 2, 1),
                      PartOr(trimmed, 7, 2, 1),
                      PartOr(trimmed, 9, 2, 1),
                      PartOr(trimmed, 11, 2, 1),
                      1};
  return EncodeDateTime(parts).value_or(0);
}

std::optional<DateTime> TypedRocDate(std::string_view text) {
  if (text.size() != 7) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  DateTime date = RocDateToDate(text);
  return date != 0 ? std::optional<DateTime>(date) : std::nullopt;
}

std::string WesternToRocDate(std::string_view text) {
  std::string trimmed = big5::Trim(text);
  if (trimmed.size() != 8) return {};
  return YearPart(PartOr(trimmed, 0, 4, 0)) + trimmed.substr(4);
}

int DayOfYearIndex(DateTime value) {
  CivilDateTime parts = DecodeDateTime(value);
  return DaysBeforeMonth[parts.month - 1] + parts.day - 1;
}

}  // namespace zuvo
