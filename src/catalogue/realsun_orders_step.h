#pragma once

// The RealSun page's catalogue step ("製作基本資料及OPD.MDB"): the clinic's catalogue (OPD.mdb,
// PERSONAL.mdb with the combination order sets and the order packages), its front-end settings
// CORVIX.INI and its staff file MEMBER.SCR, from the RealSun tables S\TITLE.DBF, Z\DRUG.DBF,
// Z\SICK.DBF and Z\TREAT.DBF, the clinic folder's prepared files and data.ini.

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"
#include "workspace/clinic_fields.h"
#include "workspace/split_date.h"

namespace zuvo {

struct RealSunOrdersInput {
  // The page's fields: HIS, source folder, clinic code and work tree are read.
  ClinicFolderFields folder;
  // The split date and its mode: a blank split date is accepted only in mode "之前日期".
  ChartOptions chart;
};

// The whole step (CRSmakeMXClick). Stops with a message box before anything is written when the
// HIS is not "耀聖" ("請先選取正確耀聖來源目錄") or when the split date is blank in mode
// "之後(含)日期" ("沒有填寫切割日期,製作方式必須設為之前"). The clinic folder is
// program folder/RS/<trimmed clinic code>. Problems with single orders, diagnoses and
// combinations become message lines; a department name that is none of the department names
// shows "沒有就醫科別" and the step goes on. File and database errors throw Error (what was
// written so far stays). On kDone the completion box "診所基本資料及處置資料庫OPD.mdb完成" has
// been shown when the run flags ask for it. The delivered files come from `place.program_folder`;
// staff records, made-up rows and order sets are dated `place.now`; the begin and end time lines
// and the elapsed time are read from `place.clock`.
StepResult BuildRealSunClinicAndOrders(RealSunOrdersInput& input, const Workplace& place,
                                       StepContext& context);

}  // namespace zuvo
