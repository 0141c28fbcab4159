#pragma once

// How the selection commands show a finished step: the fields it filled, one "name: value" line
// each, and on success a last line "work tree: PATH".

#include <filesystem>
#include <iosfwd>
#include <string_view>

#include "workspace/folder_choice.h"

namespace zuvo::cli {

// A Big5 field value as a line "name: value" (bytes that do not decode shown as \xNN).
void PrintBig5Field(std::ostream& out, std::string_view name, std::string_view big5_value);
void PrintWorkTree(std::ostream& out, const std::filesystem::path& work_tree);
// The exit status of a step's result.
int ExitStatusOf(StepResult result);

}  // namespace zuvo::cli
