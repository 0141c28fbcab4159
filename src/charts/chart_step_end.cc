#include "charts/chart_step_end.h"

#include <string>

#include "core/clock_text.h"

namespace zuvo {

void FinishChartStep(StepContext& context, const Workplace& place, DateTime started) {
  constexpr std::string_view kDoneMessage = "病歷庫製作完成";
  context.AddLine(kDoneMessage);
  const DateTime ended = place.clock();
  context.AddLine("end time" + ClockText(ended));
  context.SetElapsedLabel("耗時: " + ElapsedText(started, ended));
  if (context.StepMessages()) context.ShowMessage(kDoneMessage);
}

}  // namespace zuvo
