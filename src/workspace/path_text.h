#pragma once

// Paths as text of the settings files and windows. Settings files hold Big5; the file system
// here takes UTF-8 names (Windows: wide names), so a path crosses through UTF-8
// (PathFromUtf8/PathToUtf8 of platform/file_ops.h).

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/file_ops.h"

namespace zuvo {

// Throws big5::ConversionError when the text does not decode (or the path cannot be held in
// Big5).
std::filesystem::path PathFromBig5(std::string_view big5);
std::string PathToBig5(const std::filesystem::path& path);
// The path with a trailing separator, as folder fields show folders ("C:\VISW\").
std::filesystem::path WithTrailingSeparator(const std::filesystem::path& folder);

}  // namespace zuvo
