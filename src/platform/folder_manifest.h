#pragma once

// A folder's manifest: every folder, file and link below the folder, each file with its size
// and SHA-256, written as the last act of making the folder, so that a folder whose making was
// cut short, or whose files were changed since (even at the same size), is told from a whole
// one.
//
// Format (UTF-8, LF): a first line kManifestHeading; one line per entry, in path order:
//   "folder\t<path>"
//   "file\t<size>\t<SHA-256, 64 lower-case hex digits>\t<path>"
//   "link\t<target as the link reads>\t<path>"
// with paths relative to the folder, '/' separated; a last line "end <number of entries>". The
// manifest file itself is not listed. Manifests written before checksums were recorded
// (kSizesOnlyManifestHeading: "<size>\t<path>" per file, no folders or links) are still read.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

inline constexpr std::string_view kManifestHeading = "zuvo folder manifest 2";
inline constexpr std::string_view kSizesOnlyManifestHeading = "zuvo folder manifest 1";

struct ManifestEntry {
  enum class Kind { kFolder, kFile, kLink };
  Kind kind = Kind::kFile;
  std::string path;    // relative, '/' separators, UTF-8; never absolute, never with ".."
  uint64_t size = 0;   // files
  std::string sha256;  // files; empty in a sizes-only manifest
  std::string target;  // links
};

struct FolderManifest {
  bool checksums = false;  // false for a sizes-only manifest
  std::vector<ManifestEntry> entries;
};

// Lists every entry below `folder` (links are recorded, not followed; other special files are
// left out) and writes the manifest atomically to `manifest` (which may lie inside `folder`).
// Throws Error naming the folder or the file (also for a name a manifest line cannot hold).
void WriteFolderManifest(const std::filesystem::path& folder,
                         const std::filesystem::path& manifest);

// Reads a manifest. Throws Error (Traditional Chinese, naming the file) when it is missing, cut
// short, or holds a damaged line or a path that would lead out of the folder.
FolderManifest ReadFolderManifest(const std::filesystem::path& manifest);

enum class ManifestDepth { kSizes, kChecksums };

// What is wrong with `actual` measured against `entry`, one line naming the entry's path: missing,
// of another kind, of another size, (kChecksums, when the entry has one) of other bytes, or a
// link to another target. Empty when it matches.
std::optional<std::string> EntryProblem(const std::filesystem::path& actual,
                                        const ManifestEntry& entry, ManifestDepth depth);

// What is wrong with `folder` measured against `manifest`, one line per problem: a folder on the
// way to an entry that is a link, or EntryProblem of an entry. Entries the manifest does not
// list are not problems. Empty when the folder is whole.
std::vector<std::string> CheckFolderAgainst(const std::filesystem::path& folder,
                                            const FolderManifest& manifest, ManifestDepth depth);
// The same with the manifest read from its file; a manifest that cannot be read is the one
// problem then.
std::vector<std::string> CheckFolderManifest(const std::filesystem::path& folder,
                                             const std::filesystem::path& manifest,
                                             ManifestDepth depth = ManifestDepth::kChecksums);

}  // namespace zuvo
