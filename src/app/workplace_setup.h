#pragma once

#include <filesystem>

#include "workspace/folder_choice.h"

namespace zuvo {

// The workplace of a step started now: the program folder, the current time, and the drive
// folders of DataEdit.ini's [Workbench] section.
Workplace CurrentWorkplace(const std::filesystem::path& program_folder);

}  // namespace zuvo
