#pragma once

// What the three folder buttons share: the place they work in, the folder dialog, and the
// outcome of a step.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/step_context.h"
#include "core/roc_date.h"

namespace zuvo {

// A step either runs to its end or stops on a message box before anything further is written.
enum class StepResult { kDone, kStopped };

struct Workplace {
  std::filesystem::path program_folder;
  // The moment the folders are made; its ROC date names the work tree.
  DateTime now = 0;
  // Folders standing for the drives C:, D: and E: of the HIS search (empty: not probed).
  std::array<std::filesystem::path, 3> drive_roots;
};

inline constexpr std::string_view kSystemFolderCaption = "選擇系統檔案夾";
inline constexpr std::string_view kRealSunFolderCaption = "選擇耀聖檔案夾";

// The folder dialog of a source-folder field: it starts in the field's folder when that exists,
// else in the program folder. A confirmed choice (with a trailing separator) replaces `field`;
// a cancel leaves it as it was.
void ChooseSourceFolder(std::filesystem::path& field, std::string_view caption,
                        const std::filesystem::path& program_folder, StepContext& context);

// "你選取的系統是" + the system's name + `tail`: the message of a folder of another system.
std::string WrongSystemMessage(std::string_view system_name, std::string_view tail);

// Shows the reason a clinic code cannot name a folder, if it cannot. True when it can.
bool AcceptClinicCode(std::string_view code, StepContext& context);

// Shows each duplicate key of the clinic folder's data.ini as a message line.
void ReportDuplicateDataIniKeys(const std::filesystem::path& clinic_folder, StepContext& context);

}  // namespace zuvo
