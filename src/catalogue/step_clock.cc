#include "catalogue/step_clock.h"

#include <cstdio>
#include <ctime>

namespace zuvo {
namespace {

std::string Clock(long long seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return text;
}

}  // namespace

std::string StepClock::TimeOfDay() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return Clock(local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec);
}

std::string StepClock::Elapsed() const {
  auto elapsed = std::chrono::steady_clock::now() - start_;
  return Clock(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count());
}

}  // namespace zuvo
