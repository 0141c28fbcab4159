#include "workspace/work_tree_snapshot.h"

#include <system_error>

#include "platform/error.h"
#include "platform/file_ops.h"
#include "workspace/folder_layout.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

// Copies the entries of folder `from` into folder `to`, leaving out `snapshot` and descending
// into the folder that holds it.
void CopyEntries(const fs::path& from, const fs::path& to, const fs::path& snapshot) {
  std::error_code error;
  fs::directory_iterator it(from, error);
  for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
    const fs::path entry = it->path();
    const fs::path target = to / entry.filename();
    std::error_code status_error;
    if (IsSameOrInside(entry, snapshot)) continue;
    if (IsSameOrInside(snapshot, entry)) {
      CreateFolders(target);
      CopyEntries(entry, target, snapshot);
    } else if (it->is_directory(status_error)) {
      if (!CopyFolder(entry, to)) throw Error("備份工作資料夾失敗,無法複製: " + PathToUtf8(entry));
    } else {
      CopyFileTo(entry, target, true);
    }
  }
  if (error) {
    throw Error("備份工作資料夾失敗,無法讀取: " + PathToUtf8(from) + ": " + error.message());
  }
}

}  // namespace

fs::path RealSunSnapshotFolder(const fs::path& program_folder, std::string_view clinic_code) {
  return ClinicFolder(program_folder, kRealSunArea, clinic_code) /
         PathFromUtf8(kSnapshotFolderName);
}

void RefuseWorkTreeInSnapshot(const fs::path& work_tree, const fs::path& snapshot) {
  if (IsSameOrInside(work_tree, snapshot)) {
    throw Error("工作資料夾在備份資料夾之內,無法備份: " + PathToUtf8(work_tree) + " " +
                PathToUtf8(snapshot));
  }
}

void SnapshotWorkTree(const fs::path& work_tree, const fs::path& snapshot) {
  const fs::path tree = WithoutTrailingSeparator(work_tree);
  const fs::path copy = WithoutTrailingSeparator(snapshot);
  RefuseWorkTreeInSnapshot(tree, copy);
  if (!DeleteFolder(copy)) throw Error("無法刪除舊的備份資料夾: " + PathToUtf8(copy));
  try {
    CreateFolders(copy);
    CopyEntries(tree, copy, copy);
  } catch (const Error&) {
    DeleteFolder(copy);
    throw;
  }
}

}  // namespace zuvo
