#pragma once

// The recorded selection of a work tree, for the single steps run on a work tree made earlier
// (by a window's folder choice or `zuvoconv <system> select`): the work tree is
// program folder / <area> / <clinic code> / <ROC date><suffix>, so the clinic code is the name
// of the folder above it, and the source folder is the last one chosen for the system
// (DataEdit.ini) unless the caller names another.

#include <filesystem>
#include <optional>
#include <string>

#include "app/pipeline.h"

namespace zuvo {

// The run fields of `work_tree` for `pipeline`: the clinic code (the clinic folder's name), the
// HIS field (the system recognised in the source folder), the source folder (`source_folder`, else
// the remembered one), the clinic name (read from the source when it is the system's), the opening
// date and pharmacist from the clinic's data.ini, and the chart options the work tree's last run or
// step recorded (else the pipeline's default split date); a RealSun work tree's mode is the one its
// name gives ("_2", also with the serial of a later tree of its day as in "_2-3": before, else on
// and after). Throws Error naming the folder when the
// work tree does not exist or has no Corvix folder, when no source folder is given or
// remembered, or when the clinic folder's name cannot be a clinic code.
RunFields ReadWorkTree(const Pipeline& pipeline, const std::filesystem::path& program_folder,
                       const std::filesystem::path& work_tree,
                       const std::optional<std::filesystem::path>& source_folder);

// The clinic code (Big5) a work tree belongs to: the name of the folder above it, with or
// without a trailing separator on `work_tree`. Throws Error naming the folder when that name
// cannot be a clinic code.
std::string WorkTreeClinicCode(const std::filesystem::path& work_tree);

}  // namespace zuvo
