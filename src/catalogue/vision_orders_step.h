#pragma once

// The Vision window's orders step ("製作診所及醫令資料"): the clinic's catalogue (OPD.mdb,
// PERSONAL.mdb with the order packages), its front-end settings CORVIX.INI and its staff file
// MEMBER.SCR, from the Vision tables, the clinic folder's prepared files and data.ini.

#include <filesystem>

#include "catalogue/vision_catalogue.h"
#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"
#include "workspace/clinic_fields.h"

namespace zuvo {

struct VisionOrdersInput {
  // The window's fields: HIS, source folder, clinic code, work tree, and the pharmacist boxes,
  // which the step fills with the pharmacist it recorded.
  ClinicFolderFields folder;
  ShortNameSource short_names = ShortNameSource::kSourceCode;  // CSnameType
};

// The whole step. A HIS other than "展望" shows "請先選取正確展望來源目錄" and stops before
// anything is written. Problems with single orders, diagnoses and staff records become message
// lines; file and database errors throw Error (what was written so far stays). On kDone the
// completion box "診所基本資料及處置資料庫OPD.mdb完成" has been shown when the run flags ask for
// it. The delivered files come from `place.program_folder`; staff records and order sets are
// dated `place.now`.
StepResult BuildVisionClinicAndOrders(VisionOrdersInput& input, const Workplace& place,
                                      StepContext& context);

}  // namespace zuvo
