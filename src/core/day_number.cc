#include "core/day_number.h"

#include <cmath>
#include <cstdio>

#include "core/roc_date.h"

namespace zuvo {

std::optional<int32_t> DayNumberOf(double date_time) {
  if (!std::isfinite(date_time)) return std::nullopt;
  double whole = std::trunc(date_time);
  if (whole < kFirstDayNumber || whole > kLastDayNumber) return std::nullopt;
  return static_cast<int32_t>(whole);
}

std::string FormatDay(int32_t day_number) {
  CivilDateTime parts = DecodeDateTime(day_number);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", parts.year, parts.month, parts.day);
  return text;
}

std::string FormatDateTime(double date_time) {
  if (date_time == 0) return "0";
  if (!DayNumberOf(date_time) || date_time < kFirstDayNumber) {
    char text[48];
    std::snprintf(text, sizeof text, "invalid (%g)", date_time);
    return text;
  }
  CivilDateTime parts = DecodeDateTime(date_time);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.year, parts.month,
                parts.day, parts.hour, parts.minute, parts.second);
  return text;
}

}  // namespace zuvo
