#pragma once

// The RealSun snapshot of a work tree: after the patient step, the clinic folder's InitBak holds
// a copy of the whole work tree, to which "返還前二階段資料" returns the work tree so that the
// chart step can be run again.

#include <filesystem>
#include <string_view>

namespace zuvo {

inline constexpr std::string_view kSnapshotFolderName = "InitBak";

// program folder / RS / <code> / InitBak. Throws Error for a code that cannot name a folder
// (ClinicCodeProblem).
std::filesystem::path RealSunSnapshotFolder(const std::filesystem::path& program_folder,
                                            std::string_view clinic_code);

// Throws Error naming both folders when `work_tree` is `snapshot` or lies inside it: replacing
// the snapshot would delete the work tree. A step calls this before it writes anything.
void RefuseWorkTreeInSnapshot(const std::filesystem::path& work_tree,
                              const std::filesystem::path& snapshot);

// Replaces `snapshot` with a copy of everything `work_tree` holds: the old snapshot is deleted,
// the folder made again, and each entry of the work tree copied into it (folders with
// CopyFolder, files overwriting). When the snapshot lies inside the work tree (a work tree that
// is the clinic folder) it is left out of the copy, so it never copies itself. Afterwards the
// snapshot holds exactly the files and folders of the work tree.
//
// Throws Error naming the folder or file when the work tree lies inside the snapshot (see
// RefuseWorkTreeInSnapshot), when the old snapshot cannot be deleted, and when anything cannot
// be copied; a snapshot that could not be completed is deleted, so that a restore never takes
// part of a work tree for the whole.
void SnapshotWorkTree(const std::filesystem::path& work_tree,
                      const std::filesystem::path& snapshot);

}  // namespace zuvo
