#pragma once

// What a folder holds, for comparing folders before and after an operation.

#include <filesystem>
#include <map>
#include <string>

namespace zuvo::testing {

// Every file below `root` (links not followed): relative path with '/' → its bytes when they
// are short, else their size and a hash, so that a failed comparison prints a readable
// difference. Empty when `root` does not exist.
std::map<std::string, std::string> FolderFiles(const std::filesystem::path& root);

// FolderFiles of root/Corvix and root/Tolsern, with "Corvix/" and "Tolsern/" before each path:
// what the Zuvo system sees of a live root (or holds in a backup).
std::map<std::string, std::string> LiveFolderFiles(const std::filesystem::path& root);

}  // namespace zuvo::testing
