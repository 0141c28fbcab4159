#pragma once

// The RealSun chart conversion (button "製作Zuvo病歷檔" of the "耀聖" page): every visit row of
// the yearly tables Z\plut<n>.dbf becomes one entry of a fresh chart store in the work tree's
// server data folder, joined with the month's claim row (S\xp<yyymm>.DBF) and the visit time of
// its health-card upload (IC\ic<yyymm>.dbf), its diagnoses and order slots resolved against the
// clinic's catalogue. At the end every patient record gets its chain head, DayLink.Dat is
// replaced and Corvix\CORVIX.INI [System] 切割日期 records the split date.

#include <string>
#include <vector>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"
#include "workspace/clinic_fields.h"
#include "workspace/split_date.h"

namespace zuvo {

struct RealSunChartInput {
  ClinicFolderFields folder;  // his must read "耀聖"; start_date is the lower bound of the visits
  ChartOptions chart;
  // Filled by the step: the names (Big5) of the doctors data.ini does not know, each once; empty
  // unless the conversion ran to its end.
  std::vector<std::string> unknown_doctors = {};
};

// Runs the conversion. Configuration problems (wrong system, a bad split date, no opening date,
// doctors, pharmacist or department code in data.ini, no patient store, no visit table) show
// their message box and return kStopped before anything is written; row problems are listed
// and the row, diagnosis or order line skipped; file and database errors throw Error. The stop
// flag is checked before each visit row and ends the rows early; the store is finished either
// way. The names of doctors data.ini does not know go to `input.unknown_doctors`.
// `input.chart.split_date` may be filled with tomorrow's date (see CheckSplitDate). The
// completion box "病歷庫製作完成" follows StepMessages. Dated by place.now; the time lines and the
// elapsed label by place.clock().
StepResult ConvertRealSunCharts(RealSunChartInput& input, const Workplace& place,
                                StepContext& context);

}  // namespace zuvo
