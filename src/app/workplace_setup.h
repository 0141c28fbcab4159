#pragma once

#include <filesystem>
#include <functional>

#include "core/workplace.h"

namespace zuvo {

// The workplace of a step started now by `clock`: the program folder, the moment, the clock,
// and the drive folders of DataEdit.ini's [Workbench] section.
Workplace CurrentWorkplace(const std::filesystem::path& program_folder,
                           const std::function<DateTime()>& clock = Now);

}  // namespace zuvo
