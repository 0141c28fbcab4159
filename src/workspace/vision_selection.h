#pragma once

// The Vision window's folder choice: recognise the Vision system in the chosen folder, read the
// clinic's identity, and make the clinic folder and a new work tree "<ROC date>_1" (or the next
// free name of the day, "<ROC date>_1-2", ...).

#include <filesystem>
#include <string>

#include "core/step_context.h"
#include "workspace/clinic_fields.h"
#include "workspace/folder_choice.h"

namespace zuvo {

// Asks for the folder (context.ChooseFolder), then:
// - another system: "你選取的系統是" + name + ",與目前設定的系統不合", kStopped;
// - remembers the folder in DataEdit.ini, reads VISPARA.DBF, sets the HIS field to "展望";
// - a clinic code that cannot name a folder: the reason, kStopped;
// - makes program folder/VISW/<code>/<ROC date>_1/{Tolsern,Corvix}; when that holds a
//   conversion, `fields.same_day_tree` decides between replacing it and the next free name
//   "<ROC date>_1-2", ... (MakeSameDayWorkTree);
// - a ready-made OPD.mdb and PERSONAL.mdb in the clinic folder are copied into Corvix
//   ("OPD資料庫用已經做好的"); OPD.mdb alone is not ("做好的只有OPD.mdb沒有PERSONAL.mdb");
// - fills the opening date and pharmacist fields that are blank from the clinic's data.ini.
// File errors (a damaged VISPARA.DBF, a settings file not in Big5) throw Error; the fields
// filled so far keep their values.
StepResult SelectVisionFolder(ClinicFolderFields& fields, const Workplace& place,
                              StepContext& context);

}  // namespace zuvo
