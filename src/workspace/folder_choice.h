#pragma once

// What the three folder buttons share: the folder dialog and the checks of a clinic code.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"

namespace zuvo {

inline constexpr std::string_view kSystemFolderCaption = "選擇系統檔案夾";
inline constexpr std::string_view kRealSunFolderCaption = "選擇耀聖檔案夾";

// The folder dialog of a source-folder field: it starts in the field's folder when that exists,
// else in the program folder. A confirmed choice (with a trailing separator) replaces `field`;
// a cancel leaves it as it was.
void ChooseSourceFolder(std::filesystem::path& field, std::string_view caption,
                        const std::filesystem::path& program_folder, StepContext& context);

// "你選取的系統是" + the system's name + `tail`: the message of a folder of another system.
std::string WrongSystemMessage(std::string_view system_name, std::string_view tail);

// Shows why a source folder may not be converted, if it may not: it is, or lies inside, the
// program folder (where the clinic folders and work trees are made, so that a copy into the work
// tree would overwrite or delete its own source). True when it may.
bool AcceptSourceFolder(const std::filesystem::path& source_folder,
                        const std::filesystem::path& program_folder, StepContext& context);

// Shows the reason a clinic code cannot name a folder, if it cannot. True when it can.
bool AcceptClinicCode(std::string_view code, StepContext& context);

// Shows each duplicate key of the clinic folder's data.ini as a message line.
void ReportDuplicateDataIniKeys(const std::filesystem::path& clinic_folder, StepContext& context);

}  // namespace zuvo
