#include "core/clock_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zuvo {
namespace {

std::string HoursMinutesSeconds(long long seconds) {
  seconds = std::max(0LL, seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return text;
}

}  // namespace

std::string ClockText(DateTime value) {
  CivilDateTime parts = DecodeDateTime(value);
  return HoursMinutesSeconds(parts.hour * 3600LL + parts.minute * 60LL + parts.second);
}

std::string ElapsedText(DateTime from, DateTime to) {
  return HoursMinutesSeconds(std::llround((to - from) * 86400.0));
}

std::string ElapsedText(std::chrono::steady_clock::duration elapsed) {
  return HoursMinutesSeconds(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
}

}  // namespace zuvo
