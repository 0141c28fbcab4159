#pragma once

// File-system routines shared by the steps. Source folders come from Windows, so names in them
// are matched without regard to letter case through ResolvePath.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

// Copies the folder `source` with everything in it into the folder `destination` (X/Corvix
// copied to R becomes R/Corvix), overwriting files already present and keeping files only the
// destination holds. False at once when `source` does not exist; otherwise true unless a copy
// failed.
bool CopyFolder(const std::filesystem::path& source, const std::filesystem::path& destination);
// Deletes the folder or file `path` with everything below it. True on success; any failure
// gives false.
bool DeleteFolder(const std::filesystem::path& path);
// The computer's network name, trimmed.
std::string ComputerName();

// Copies one file. With `overwrite` false an existing target is left alone and false returned.
// Throws Error naming both files when the copy itself fails.
bool CopyFileTo(const std::filesystem::path& from, const std::filesystem::path& to, bool overwrite);
// Deletes a file, retrying a few times (another program may hold it briefly). True when the
// file is gone afterwards (also when it never existed).
bool DeleteFileWithRetry(const std::filesystem::path& file);
// Creates `folder` with all missing parents; an existing folder is not an error. Throws Error.
void CreateFolders(const std::filesystem::path& folder);
// Entries of `folder` whose names match `pattern` ('*' and '?', without regard to letter case),
// in name order.
std::vector<std::filesystem::path> ListByWildcard(const std::filesystem::path& folder,
                                                  std::string_view pattern);
// Finds `relative` ("S\TITLE.DBF", "s/title.dbf", ...; '\' and '/' both separate) below
// `folder`, matching each component without regard to letter case; an exact match wins over
// others. Empty when it does not exist.
std::optional<std::filesystem::path> ResolvePath(const std::filesystem::path& folder,
                                                 std::string_view relative);

}  // namespace zuvo
