#pragma once

// The Vision chart conversion (button "製作Zuvo病歷檔"): every visit row of CO03L.DBF becomes one
// entry of a fresh chart store in the work tree's server data folder, with its diagnoses, chief
// complaint, order lines (from the pre-pass files), referral remarks and adult health-check
// exam text. At the end every patient record gets its chain head and DayLink.Dat is replaced.

#include "charts/vision_chart_input.h"
#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"

namespace zuvo {

// Runs the conversion. Configuration problems (wrong system, no opening date, no doctors, a bad
// split date) show their message box and return kStopped before anything is written; row
// problems are listed and the row skipped; file and database errors throw Error. The stop flag
// is checked after each written entry and ends the rows early; the store is finished either way.
// `input.chart.split_date` may be filled with tomorrow's date (see CheckSplitDate). The
// completion box follows StepMessages.
StepResult ConvertVisionCharts(VisionChartInput& input, const Workplace& place,
                               StepContext& context);

}  // namespace zuvo
