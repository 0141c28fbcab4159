#pragma once

// The RealSun page's folder choice and its "製作方式" option group: recognise the RealSun system,
// read the clinic's identity, and make the clinic folder with the work tree of the chosen mode
// ("_1" on and after the split date, "_2" before it) and its server data folder.

#include <filesystem>
#include <string>

#include "core/step_context.h"
#include "workspace/clinic_fields.h"
#include "workspace/folder_choice.h"
#include "workspace/split_date.h"

namespace zuvo {

// The RealSun page's fields these handlers read and fill: the clinic fields and the option
// group "製作方式", which decides the work tree.
struct RealSunFolderFields : ClinicFolderFields {
  MakeDateMode mode = MakeDateMode::kOnAndAfter;  // CmakeDateMode
};

// The name that means the prescriptions are filled outside the clinic.
inline constexpr std::string_view kOutsidePharmacyName = "釋出處方箋";

// Asks for the folder, then:
// - another system: "你選取的系統是" + name + ",與目前設定要耀聖系統不合", kStopped;
// - remembers the folder in DataEdit.ini, reads S\TITLE.DBF, sets the HIS field to "耀聖";
// - a clinic code that cannot name a folder: the reason, kStopped;
// - makes program folder/RS/<code>/<ROC date>_1 or _2 by the mode, and its server data folder;
//   when that holds a conversion, `fields.same_day_tree` decides between replacing it and the
//   next free name "<ROC date>_1-2" or "<ROC date>_2-2", ... (MakeSameDayWorkTree);
// - sets the opening date and pharmacist fields from data.ini (replacing what they held) and
//   reminds of a missing pharmacist ("沒有藥師資料,無藥師請忽略", unless the name is
//   "釋出處方箋") and a missing opening date ("尚未設定開業日期").
StepResult SelectRealSunFolder(RealSunFolderFields& fields, const Workplace& place,
                               StepContext& context);

// After the mode changed: when a clinic code is known, makes the work tree of the new mode with
// its server data folder (holding the clinic folder's lock; a converted tree of the day as the
// folder choice treats it) and points the work-tree field at it. Nothing happens without a code.
StepResult ChangeRealSunMakeDateMode(RealSunFolderFields& fields, const Workplace& place,
                                     StepContext& context);

}  // namespace zuvo
