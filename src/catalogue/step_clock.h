#pragma once

// The clock texts of a step's message list and time label.

#include <chrono>
#include <string>

namespace zuvo {

class StepClock {
 public:
  StepClock() : start_(std::chrono::steady_clock::now()) {}
  // "hh:mm:ss" of the local time now.
  static std::string TimeOfDay();
  // "hh:mm:ss" since the clock was made.
  std::string Elapsed() const;

 private:
  std::chrono::steady_clock::time_point start_;
};

}  // namespace zuvo
