#pragma once

// How a chart conversion ends once its store is written: the completion line, the end time, the
// elapsed time and, when StepMessages is set, the completion box "病歷庫製作完成".

#include "core/roc_date.h"
#include "core/step_context.h"
#include "core/workplace.h"

namespace zuvo {

void FinishChartStep(StepContext& context, const Workplace& place, DateTime started);

}  // namespace zuvo
