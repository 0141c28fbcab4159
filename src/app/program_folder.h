#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zuvo {

// The program folder: DataEdit.ini, the reference databases, templates and the clinics' work
// trees lie here. `explicit_home` (the CLI's --home) wins over the environment variable
// ZUVO_HOME, which wins over the folder of the program file (`program_file`).
std::filesystem::path ResolveProgramFolder(const std::filesystem::path& explicit_home,
                                           const std::filesystem::path& program_file);

// Creates `folder` (with its parents) and writes every delivered file it lacks. Files already
// present are kept as they are, since the clinic may have changed them. Text settings files are
// written in Big5 with CR LF line ends; the databases (templates and reference databases) are
// built from their compiled-in schema and data. Returns the names of the files written.
std::vector<std::string> InstallDeliveredFiles(const std::filesystem::path& folder);

}  // namespace zuvo
