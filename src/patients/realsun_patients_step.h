#pragma once

// The RealSun patient step (page "耀聖", button "製作病人資料"): the source's S\PATDB.DBF becomes
// the patient store of the work tree's server data folder. A patient's chart number is the
// record number of his row; the first record is never converted, rows without a name are
// skipped, and a national ID already written is listed and recorded in data.ini [DUPID]. The
// allergy and history texts become the note as they are. At the end the whole work tree is
// copied into the clinic folder's InitBak, the state "返還前二階段資料" returns to.

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"
#include "workspace/clinic_fields.h"

namespace zuvo {

inline constexpr std::string_view kRealSunPatientTable = "S/PATDB.DBF";

// The RealSun page's fields the step reads: CRSHIS (must be "耀聖"), CRSdir (source folder),
// CRSqmxDir (work tree) and CRSclinicID.
struct RealSunPatientsInput {
  ClinicFolderFields folder;
};

// CRScreateAntClick. kStopped after the box "請先選取正確耀聖來源目錄" when the page holds
// another system: nothing is written. Otherwise kDone; the caller then ticks
// CRScreateAntcheck. Records are dated by place.now where a date is needed; the "begin
// time"/"end time" lines and the elapsed label read place.clock(). data.ini and InitBak are
// those of program folder / RS / <clinic code>.
//
// Throws Error naming the file: a missing PATDB.DBF and file errors (the snapshot is then not
// taken), a clinic code that cannot name a folder and a work tree inside InitBak (both before
// anything is written), and a snapshot that cannot be made.
StepResult ConvertRealSunPatients(RealSunPatientsInput& input, const Workplace& place,
                                  StepContext& context);

}  // namespace zuvo
