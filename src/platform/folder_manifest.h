#pragma once

// A folder's manifest: every file below the folder with its size, written as the last act of
// making the folder, so that a folder whose making was cut short can be told from a whole one.
//
// Format (UTF-8, LF): a first line kManifestHeading; one line per file "<size>\t<relative
// path with '/'>", in path order; a last line "end <number of files>". The manifest file
// itself is not listed.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

inline constexpr std::string_view kManifestHeading = "zuvo folder manifest 1";

// Lists every file below `folder` (links are not followed) and writes the manifest atomically
// to `manifest` (which may lie inside `folder`). Throws Error naming the folder or the file.
void WriteFolderManifest(const std::filesystem::path& folder,
                         const std::filesystem::path& manifest);

// What is wrong with `folder` measured against `manifest`, one UTF-8 line per problem: the
// manifest missing, unreadable or cut short, a listed file missing or of another size. Files
// the manifest does not list are not problems. Empty when the folder is whole.
std::vector<std::string> CheckFolderManifest(const std::filesystem::path& folder,
                                             const std::filesystem::path& manifest);

}  // namespace zuvo
