#pragma once

// The recorded selection of a Vision work tree, for the single steps run on a work tree made
// earlier (by the Vision window's folder choice or `zuvoconv vision select`): the work tree is
// program folder / VISW / <clinic code> / <ROC date>_1, so the clinic code is the name of the
// folder above it, and the source folder is the last one chosen (DataEdit.ini "Vsystem" /
// "一轉目錄") unless the caller names another.

#include <filesystem>
#include <optional>
#include <string>

#include "workspace/vision_selection.h"

namespace zuvo {

struct VisionWorkTree {
  std::filesystem::path program_folder;
  std::filesystem::path clinic_folder;  // the work tree's parent, holding data.ini
  // The window's fields as the folder choice left them: source folder, clinic code (Big5, the
  // clinic folder's name), clinic name (VISPARA.DBF of the source folder, when it can be read),
  // HIS "展望", work tree, and the opening date and pharmacist from the clinic's data.ini.
  VisionFolderFields fields;
};

// Reads the selection recorded for `work_tree`. `source_folder` overrides the remembered folder.
// Throws Error naming the folder when the work tree does not exist, has no Corvix folder, when
// no source folder is given or remembered, or when the clinic folder's name cannot be a clinic
// code.
VisionWorkTree ReadVisionWorkTree(const std::filesystem::path& program_folder,
                                  const std::filesystem::path& work_tree,
                                  const std::optional<std::filesystem::path>& source_folder);

// The clinic code (Big5) a work tree belongs to: the name of the folder above it, with or
// without a trailing separator on `work_tree`. Throws Error naming the folder when that name
// cannot be a clinic code.
std::string WorkTreeClinicCode(const std::filesystem::path& work_tree);

}  // namespace zuvo
