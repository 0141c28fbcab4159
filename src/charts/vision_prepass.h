#pragma once

// The Vision visit pre-pass (button "製作主訴,轉診,醫令連結檔" of the Vision window): reads the
// clinic's complaints (CO02H.DBF), referral files (NHI_REF\ET*) and visit orders (CO02P.DBF)
// once and leaves in the work tree the chained files the chart conversion reads: CC.rd,
// REF.txt, MXdo.mx and their chain heads in ANTCHECK.MDB (see charts/vision_prepass_files.h).
// Unknown order codes go to the clinic folder's 不明處置.txt; when the window has no opening date,
// the earliest order date becomes data.ini's 開業日期.
//
// The source folder is never written: its tables are read through copies in the work tree.

#include <filesystem>

#include "charts/vision_chart_input.h"
#include "core/roc_date.h"
#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"

namespace zuvo {

// The program folder of `place` holds ANTCHECK_BLANK.MDB, CORVIX.INI, MXsetup.ini and
// VISW\<clinic>\data.ini; `place.now` is the moment of the run (records dated later are
// refused). Returns kStopped after a message box that ends the step (wrong system, no department
// code, bad split date), kDone otherwise, also when the operator pressed stop: the loop then ends
// and the files are finished. `input.chart.split_date` receives tomorrow's date when it was
// empty. The completion box "製作主訴診斷tmpChart.cht完成" is shown when StepMessages is set.
// File and database errors throw Error.
StepResult PrepareVisionVisits(VisionChartInput& input, const Workplace& place,
                               StepContext& context);

}  // namespace zuvo
