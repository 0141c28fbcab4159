#include "patients/step_times.h"

#include <cstdio>

namespace zuvo {

namespace {

std::string TwoDigitTime(long hours, int minutes, int seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%02ld:%02d:%02d", hours, minutes, seconds);
  return text;
}

}  // namespace

std::string ClockText(DateTime value) {
  CivilDateTime parts = DecodeDateTime(value);
  return TwoDigitTime(parts.hour, parts.minute, parts.second);
}

std::string ElapsedText(std::chrono::steady_clock::duration elapsed) {
  long total = static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
  if (total < 0) total = 0;
  return TwoDigitTime(total / 3600, static_cast<int>(total / 60 % 60),
                      static_cast<int>(total % 60));
}

}  // namespace zuvo
