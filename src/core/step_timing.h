#pragma once

// The start and end of a step as its message list and time label show them, read from the
// run's clock: "begin time" + hh:mm:ss when the step starts, "end time" + hh:mm:ss and
// "耗時: " + the elapsed hh:mm:ss when it ends.

#include <functional>

#include "core/roc_date.h"
#include "core/step_context.h"

namespace zuvo {

class StepTiming {
 public:
  // Reads the clock and adds the "begin time" line.
  StepTiming(StepContext& context, std::function<DateTime()> clock);

  // Reads the clock again, adds the "end time" line and sets the elapsed-time label.
  void End();

 private:
  StepContext& context_;
  std::function<DateTime()> clock_;
  DateTime started_;
};

}  // namespace zuvo
