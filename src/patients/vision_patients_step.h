#pragma once

// The Vision patient step (button "製作病人資料"): the source's CO01M.DBF becomes the patient
// store of the work tree's server data folder, one record per chart number, with the note built
// from the patient's remarks. Rows with chart number 0, an out-of-range or repeated chart
// number, or a national ID already written are listed and skipped; the chart numbers of the
// skipped duplicates go to data.ini [DUPID] (this chart number = the one it was merged into).

#include <filesystem>
#include <string>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/store_location.h"
#include "core/workplace.h"
#include "patients/remark_analysis.h"
#include "workspace/clinic_fields.h"

namespace zuvo {

// The Vision window's fields the step reads: the clinic fields (HIS, source folder, work tree,
// clinic code, pharmacist name) and the remark mode.
struct VisionPatientsInput {
  ClinicFolderFields folder;
  RemarkMode remark_mode = RemarkMode::kFullPhraseAnalysis;  // CreMarkType
};

// CcreateAntClick. kStopped when a precondition fails (another system; a pharmacist name
// without ID in data.ini): a message box, nothing written. Otherwise kDone, also when the
// operator stopped the run (the patients written so far stay, [DUPID] is complete for them);
// the caller then ticks CcreateAntCheck. A missing CO01M.DBF or OPD.mdb and file errors throw
// Error naming the file.
// Records are dated `place.now`.
StepResult ConvertVisionPatients(VisionPatientsInput& input, const Workplace& place,
                                 StepContext& context);

}  // namespace zuvo
