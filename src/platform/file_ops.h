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
// destination holds. A plain file `source` is copied into `destination` the same way. False at
// once when `source` does not exist; otherwise everything that can be copied is copied, and the
// result is false when any folder or file could not be. Never throws.
bool CopyFolder(const std::filesystem::path& source, const std::filesystem::path& destination);
// Copies what the folder `source` holds into the folder `destination` (made when missing), in
// the same way: X/Corvix copied to R/Live makes X/Corvix/a.ini R/Live/a.ini.
bool CopyFolderContents(const std::filesystem::path& source,
                        const std::filesystem::path& destination);
// Deletes the folder or file `path` with everything below it (a link is removed, never
// followed). True on success and when nothing is there; any failure gives false. Never throws.
bool DeleteFolder(const std::filesystem::path& path);
// True when `inner` is `outer` or lies below it, after resolving links, "." and ".." of the
// parts that exist. False when either cannot be resolved.
bool IsSameOrInside(const std::filesystem::path& inner, const std::filesystem::path& outer);
// `path` without trailing separators, so that "X/Corvix/" names the folder Corvix.
std::filesystem::path WithoutTrailingSeparator(const std::filesystem::path& path);
// The computer's network name, trimmed: the bytes the system reports (ASCII in practice).
std::string ComputerName();

// Copies one file. With `overwrite` false an existing target is left alone and false returned.
// Throws Error naming both files when the copy itself fails.
bool CopyFileTo(const std::filesystem::path& from, const std::filesystem::path& to, bool overwrite);
// Deletes a file, retrying a few times (another program may hold it briefly). True when the
// file is gone afterwards (also when it never existed).
bool DeleteFileWithRetry(const std::filesystem::path& file);
// Creates `folder` with all missing parents; an existing folder is not an error. Throws Error.
void CreateFolders(const std::filesystem::path& folder);
// Entries (files and folders) of `folder` whose names match `pattern` ('*' any run of
// characters, '?' one character, letters without regard to case; as on Windows a final ".*"
// also matches names without an extension and a final "." matches only names without one), in
// name order. Empty when the folder does not exist.
std::vector<std::filesystem::path> ListByWildcard(const std::filesystem::path& folder,
                                                  std::string_view pattern);
// Finds `relative` ("S\TITLE.DBF", "s/title.dbf", ...; UTF-8, '\' and '/' both separate) below
// `folder`, matching each component without regard to letter case; an exact match wins over
// others, and among several names differing only in case the first in byte order is taken.
// Empty when it does not exist. Folder listings are cached (and checked against the folder's
// modification time), so resolving thousands of names in one folder lists it once.
std::optional<std::filesystem::path> ResolvePath(const std::filesystem::path& folder,
                                                 std::string_view relative);

// Replaces `file` with `bytes` atomically: the bytes go to a temporary file beside it, are
// flushed to disk, and the temporary file is renamed over `file`. A reader sees the old or the
// new content, never a mixture. Throws Error naming the file.
void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);
// Asks the system to write everything cached for the file system that holds `path` to the
// disk, so that what was written before is not lost by a power cut after what follows. Best
// effort: where the system offers no such call it does nothing.
void SyncFileSystem(const std::filesystem::path& path);
// The whole file. Throws Error naming the file when it is missing or cannot be read.
std::string ReadWholeFile(const std::filesystem::path& file);

// A path as UTF-8 text (for messages), and a path made from UTF-8 text.
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(std::string_view utf8);

}  // namespace zuvo
