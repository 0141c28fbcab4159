#include "app/live_folders.h"

#include <system_error>

#include "core/store_location.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/folder_manifest.h"
#include "platform/folder_switch.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

std::string NewBackupName(const fs::path& live_root, DateTime now) {
  const std::string base = std::string(kBackupFolderPrefix) + RocStamp(now);
  std::string name = base;
  std::error_code error;
  for (int n = 2; fs::exists(live_root / name, error) ||
                  fs::exists(live_root / (name + std::string(kPartialSuffix)), error);
       ++n) {
    name = base + "_" + std::to_string(n);
  }
  return name;
}

}  // namespace

LiveRootChange::LiveRootChange(const fs::path& live_root, std::string_view holder,
                               StepContext& context)
    : live_root_(WithoutTrailingSeparator(live_root)), staging_(live_root_ / kStagingFolderName) {
  CreateFolders(live_root_);
  std::string held_by;
  lock_ = FileLock::TryAcquire(live_root_ / kLiveLockName, holder, &held_by);
  if (!lock_) {
    throw Error("另一個套用或還原正在變更 " + PathToUtf8(live_root_) + " (" + held_by + ")");
  }
  switch (RecoverFolderSwitch(live_root_)) {
    case SwitchRecovery::kFinished:
      context.AddLine("上次中斷的套用或還原已經完成,剩下的暫存資料已刪除");
      break;
    case SwitchRecovery::kRolledBack:
      context.AddLine("上次中斷的套用或還原已經復原,現用資料是中斷前的資料");
      break;
    case SwitchRecovery::kNone:
      break;
  }
  if (!DeleteFolder(staging_)) throw Error("cannot remove " + PathToUtf8(staging_));
  CreateFolders(staging_);
}

LiveRootChange::~LiveRootChange() { DeleteFolder(staging_); }

fs::path LiveRootChange::LiveFolder(std::string_view name) const {
  return FindWithoutCase(live_root_, name);
}

fs::path LiveRootChange::StagedFolder(std::string_view name) const {
  return staging_ / LiveFolder(name).filename();
}

fs::path LiveRootChange::SwitchIn(DateTime now) {
  FolderSwitchPlan plan{
      live_root_, {}, std::string(kStagingFolderName), NewBackupName(live_root_, now)};
  for (std::string_view name : {kFrontEndFolderName, kServerFolderName}) {
    plan.names.push_back(PathToUtf8(LiveFolder(name).filename()));
  }
  return SwitchFolders(plan, [](const fs::path& partial) {
    WriteFolderManifest(partial, partial / kBackupManifestName);
  });
}

std::vector<std::string> BackupProblems(const fs::path& backup) {
  const fs::path folder = WithoutTrailingSeparator(backup);
  const std::string name = PathToUtf8(folder.filename());
  std::error_code error;
  if (!fs::is_directory(folder, error)) return {PathToUtf8(folder) + " is not a folder"};
  if (!name.starts_with(kBackupFolderPrefix)) {
    return {name + " is not named as a backup of the live folders (" +
            std::string(kBackupFolderPrefix) + "...)"};
  }
  if (name.ends_with(kPartialSuffix)) return {name + " was cut short before it was complete"};
  return CheckFolderManifest(folder, folder / kBackupManifestName);
}

}  // namespace zuvo
