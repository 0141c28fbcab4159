#include "core/step_timing.h"

#include <utility>

#include "core/clock_text.h"

namespace zuvo {

StepTiming::StepTiming(StepContext& context, std::function<DateTime()> clock)
    : context_(context), clock_(std::move(clock)), started_(clock_()) {
  context_.AddLine("begin time" + ClockText(started_));
}

void StepTiming::End() {
  const DateTime ended = clock_();
  context_.AddLine("end time" + ClockText(ended));
  context_.SetElapsedLabel("耗時: " + ElapsedText(started_, ended));
}

}  // namespace zuvo
