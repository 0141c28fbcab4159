#pragma once

// The lab import of the Vision window (button "轉入檢驗值"): the lab results that Vision kept in
// CO18H.DBF are written into the exam forms of the same patient's visits of the fourteen days up
// to each result date. Each such visit's exam text is rebuilt from its forms (PE.ini) with the
// values filled in, gets an order line for each result that has no order of its own, has the
// orders the results belong to stamped with the laboratory and the report time, and replaces
// its chart entry (ReplaceVisitEntry). The item map is laboratory.ini of the program folder. A
// patient number that the patient step merged into another ([DUPID] of the clinic's data.ini)
// is read as the number it was kept under, as the chart step does.

#include <string_view>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"
#include "workspace/clinic_fields.h"

namespace zuvo {

inline constexpr std::string_view kLabTable = "CO18H.DBF";
inline constexpr std::string_view kLabSettingsFile = "laboratory.ini";
inline constexpr std::string_view kPESettingsFile = "PE.ini";
// The laboratory whose code the stamped order lines carry.
inline constexpr std::string_view kLabInstitutionCode = "1536180061";
inline constexpr std::string_view kLabImportDoneUtf8 = "輸入檢驗值完成";
inline constexpr int kLabWindowDays = 14;

// The lab import's fields, and what it did.
struct VisionLabInput {
  ClinicFolderFields folder;  // his ("展望"), source_folder (CO18H.DBF), work_tree, clinic_id
  // Filled by the step (set to 0 when it starts):
  long rows = 0;              // rows of CO18H.DBF handled
  long visits_replaced = 0;   // entries replaced
  long replace_failures = 0;  // entries the store could not take a copy of (left as they were)
};

// Runs the import on the work tree of `input.folder` (handler ClabInputClick; the HIS field must
// read "展望", else "請先選取正確展望來源目錄" and kStopped). Rows are read in HDATE order
// (stable); a run of rows of one patient and date is one group. Row problems are listed and the
// row skipped; the stop flag is read between groups, so a stopped import (kStopped) leaves only
// whole replacements. File and database errors throw Error. The completion box follows
// StepMessages.
StepResult ImportVisionLabValues(VisionLabInput& input, const Workplace& place,
                                 StepContext& context);

}  // namespace zuvo
