#include "app/live_folders.h"

#include <algorithm>
#include <system_error>

#include "core/store_location.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/folder_manifest.h"
#include "platform/folder_switch.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

bool EqualWithoutCase(std::string_view a, std::string_view b) {
  return big5::UpperAscii(a) == big5::UpperAscii(b);
}

FileLock LockLiveRoot(const fs::path& live_root, std::string_view holder) {
  std::string held_by;
  std::optional<FileLock> lock = FileLock::TryAcquire(live_root / kLiveLockName, holder, &held_by);
  if (!lock) {
    throw Error("另一個套用或還原正在變更 " + PathToUtf8(live_root) + " (" + held_by + ")");
  }
  return std::move(*lock);
}

// With the live root's lock held.
SwitchRecovery FinishCutShortChange(const fs::path& live_root, StepContext& context) {
  SwitchRecovery recovery;
  try {
    recovery = RecoverFolderSwitch(live_root);
  } catch (const Error& error) {
    throw Error("上次中斷的套用或還原無法完成也無法復原: " + std::string(error.what()));
  }
  if (recovery != SwitchRecovery::kNone) context.AddLine(LiveRecoveryText(recovery));
  return recovery;
}

// "yyy/mm/dd hh:nn:ss" from the ROC time stamp after the prefix of a backup's name.
std::string TakenText(const std::string& name) {
  constexpr size_t kStampLength = 13;
  const std::string stamp = name.substr(std::min(name.size(), kBackupFolderPrefix.size()));
  if (stamp.size() < kStampLength || stamp.find_first_not_of("0123456789") < kStampLength) {
    return {};
  }
  return stamp.substr(0, 3) + "/" + stamp.substr(3, 2) + "/" + stamp.substr(5, 2) + " " +
         stamp.substr(7, 2) + ":" + stamp.substr(9, 2) + ":" + stamp.substr(11, 2);
}

uint64_t FilesBytes(const fs::path& folder) {
  uint64_t bytes = 0;
  std::error_code error;
  fs::recursive_directory_iterator walk(folder, error);
  for (auto it = walk; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code status_error;
    if (it->is_regular_file(status_error) && !it->is_symlink(status_error)) {
      bytes += it->file_size(status_error);
    }
  }
  return bytes;
}

// The manifest of a backup must name both live folders and nothing else, and no links.
std::vector<std::string> ContentProblems(const FolderManifest& manifest) {
  std::vector<std::string> problems;
  bool front_end = false;
  bool server = false;
  std::vector<std::string> others;
  for (const ManifestEntry& entry : manifest.entries) {
    const std::string top = entry.path.substr(0, entry.path.find('/'));
    if (EqualWithoutCase(top, kFrontEndFolderName)) {
      front_end = true;
    } else if (EqualWithoutCase(top, kServerFolderName)) {
      server = true;
    } else if (std::find(others.begin(), others.end(), top) == others.end()) {
      others.push_back(top);
      problems.push_back("清單列出現用資料夾 Corvix、Tolsern 以外的 " + top);
    }
    if (entry.kind == ManifestEntry::Kind::kLink) {
      problems.push_back(entry.path + " 是連結到 " + entry.target +
                         " 的連結,連結到的資料不在備份裡,不能還原");
    }
  }
  if (!front_end) problems.push_back("清單沒有列出 " + std::string(kFrontEndFolderName));
  if (!server) problems.push_back("清單沒有列出 " + std::string(kServerFolderName));
  return problems;
}

}  // namespace

fs::path NextBackupFolder(const fs::path& live_root, DateTime now) {
  const std::string base = std::string(kBackupFolderPrefix) + RocStamp(now);
  std::string name = base;
  std::error_code error;
  for (int n = 2; fs::exists(live_root / name, error) ||
                  fs::exists(live_root / (name + std::string(kPartialSuffix)), error);
       ++n) {
    name = base + "_" + std::to_string(n);
  }
  return live_root / name;
}

LiveRootChange::LiveRootChange(const fs::path& live_root, std::string_view holder,
                               StepContext& context)
    : live_root_(WithoutTrailingSeparator(live_root)), staging_(live_root_ / kStagingFolderName) {
  RequireLiveRoot(live_root_);
  lock_ = LockLiveRoot(live_root_, holder);
  FinishCutShortChange(live_root_, context);
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

fs::path LiveRootChange::StagedPathOf(std::string_view relative) const {
  const size_t slash = relative.find('/');
  const std::string_view top = relative.substr(0, slash);
  for (std::string_view name : {kFrontEndFolderName, kServerFolderName}) {
    if (!EqualWithoutCase(top, name)) continue;
    if (slash == std::string_view::npos) return StagedFolder(name);
    return StagedFolder(name) / PathFromUtf8(relative.substr(slash + 1));
  }
  throw Error(std::string(relative) + " lies in neither live folder");
}

fs::path LiveRootChange::SwitchIn(DateTime now) {
  FolderSwitchPlan plan{live_root_,
                        {},
                        std::string(kStagingFolderName),
                        PathToUtf8(NextBackupFolder(live_root_, now).filename())};
  for (std::string_view name : {kFrontEndFolderName, kServerFolderName}) {
    plan.names.push_back(PathToUtf8(LiveFolder(name).filename()));
  }
  return SwitchFolders(plan, [](const fs::path& partial) {
    WriteFolderManifest(partial, partial / kBackupManifestName);
  });
}

void RequireLiveRoot(const fs::path& live_root) {
  std::error_code error;
  if (fs::is_directory(live_root, error)) return;
  throw Error("現用資料的根目錄不存在: " + PathToUtf8(WithoutTrailingSeparator(live_root)) +
              " (請檢查 DataEdit.ini [Workbench] LiveRoot),現用資料沒有變動");
}

std::vector<std::string> BackupProblems(const fs::path& backup, ManifestDepth depth) {
  const fs::path folder = WithoutTrailingSeparator(backup);
  const std::string name = PathToUtf8(folder.filename());
  std::error_code error;
  if (!fs::is_directory(folder, error)) return {PathToUtf8(folder) + " is not a folder"};
  if (!name.starts_with(kBackupFolderPrefix)) {
    return {name + " is not named as a backup of the live folders (" +
            std::string(kBackupFolderPrefix) + "...)"};
  }
  if (name.ends_with(kPartialSuffix)) return {name + " was cut short before it was complete"};
  FolderManifest manifest;
  try {
    manifest = ReadFolderManifest(folder / kBackupManifestName);
  } catch (const Error& failure) {
    return {failure.what()};
  }
  std::vector<std::string> problems = ContentProblems(manifest);
  for (std::string& problem : CheckFolderAgainst(folder, manifest, depth)) {
    problems.push_back(std::move(problem));
  }
  return problems;
}

std::vector<LiveBackup> ListLiveBackups(const fs::path& live_root) {
  std::vector<LiveBackup> backups;
  for (const fs::path& folder : ListByWildcard(WithoutTrailingSeparator(live_root),
                                               std::string(kBackupFolderPrefix) + "*")) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error))) continue;
    LiveBackup backup;
    backup.folder = folder;
    backup.taken = TakenText(PathToUtf8(folder.filename()));
    backup.problems = BackupProblems(folder);
    for (const fs::path& store : WorkTreeStoreFolders(folder)) {
      backup.clinics.push_back(PathToUtf8(store.filename()));
    }
    std::sort(backup.clinics.begin(), backup.clinics.end());
    try {
      FolderManifest manifest = ReadFolderManifest(folder / kBackupManifestName);
      backup.checksums = manifest.checksums;
      for (const ManifestEntry& entry : manifest.entries) backup.bytes += entry.size;
    } catch (const Error&) {
      backup.bytes = FilesBytes(folder);
    }
    backups.push_back(std::move(backup));
  }
  return backups;
}

SwitchRecovery RecoverLiveRoot(const fs::path& live_root, std::string_view holder,
                               StepContext& context) {
  const fs::path root = WithoutTrailingSeparator(live_root);
  std::error_code error;
  if (!fs::exists(fs::symlink_status(root / PathFromUtf8(kSwitchJournalName), error))) {
    return SwitchRecovery::kNone;
  }
  FileLock lock = LockLiveRoot(root, holder);
  return FinishCutShortChange(root, context);
}

std::string_view LiveRecoveryText(SwitchRecovery recovery) {
  switch (recovery) {
    case SwitchRecovery::kFinished:
      return "上次中斷的套用或還原已經完成,剩下的暫存資料已刪除";
    case SwitchRecovery::kRolledBack:
      return "上次中斷的套用或還原已經復原,現用資料是中斷前的資料";
    case SwitchRecovery::kNone:
      break;
  }
  return {};
}

void RecoverLiveRootOf(const fs::path& folder, const fs::path& live_root, StepContext& context) {
  if (IsSameOrInside(folder, live_root)) RecoverLiveRoot(live_root, "recover", context);
}

}  // namespace zuvo
