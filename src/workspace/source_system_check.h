#pragma once

// The first check of every conversion step: the clinic must be of the step's own system. Three
// things tell the system: the HIS field (what the folder choice recognised in the source folder),
// the source folder itself, and the work tree's record of the conversions made in it. A step
// runs only when the field names its system and neither of the others names another; otherwise
// it shows its refusal before anything is written.

#include <string_view>

#include "core/step_context.h"
#include "workspace/clinic_fields.h"
#include "workspace/source_system.h"

namespace zuvo {

// The one-shot Vision run, its visit pre-pass and its apply.
inline constexpr std::string_view kVisionWrongSystemUtf8 = "請先正確選取原始系統目錄";
// The other Vision steps.
inline constexpr std::string_view kVisionWrongSourceUtf8 = "請先選取正確展望來源目錄";
// Every RealSun step.
inline constexpr std::string_view kRealSunWrongSystemUtf8 = "請先選取正確耀聖來源目錄";

// The system that `folder`'s work tree was converted from: the system its record notes, else
// the one whose area of the program folder it lies in (…/VISW/<code>/<tree>, …/RS/<code>/<tree>);
// kUnknown when neither tells (no work tree, a tree elsewhere).
SourceSystem WorkTreeSystem(const ClinicFolderFields& folder);

// True when the clinic of `folder` is `expected`'s: the HIS field (blanks around it aside)
// names the system, the source folder (when given) is not recognised as another system, and the
// work tree (when given) was not converted from another system.
bool IsClinicOf(SourceSystem expected, const ClinicFolderFields& folder);

// IsClinicOf; when false shows `refusal` (UTF-8) as a warning box.
bool CheckSourceSystem(SourceSystem expected, const ClinicFolderFields& folder,
                       std::string_view refusal_utf8, StepContext& context);

}  // namespace zuvo
