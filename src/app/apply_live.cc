#include "app/apply_live.h"

#include <system_error>

#include "app/dataedit_ini.h"
#include "core/store_location.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kLiveSettingsName = "CORVIX.INI";

// The live folders in the order apply copies them.
constexpr std::string_view kLiveFolders[] = {kFrontEndFolderName, kServerFolderName};

bool HasFolder(const fs::path& parent, std::string_view name) {
  std::error_code error;
  return fs::is_directory(FindWithoutCase(parent, name), error);
}

fs::path NewBackupFolder(const fs::path& live_root, DateTime now) {
  std::string base = std::string(kBackupFolderPrefix) + RocStamp(now);
  fs::path folder = live_root / base;
  for (int n = 2; fs::exists(folder); ++n) folder = live_root / (base + "_" + std::to_string(n));
  return folder;
}

// Copies the live folders that exist into a new backup folder; empty when none exists. Throws
// Error when the backup cannot be completed (the partial backup is removed).
fs::path BackUpLiveFolders(const fs::path& live_root, DateTime now) {
  bool any = false;
  for (std::string_view name : kLiveFolders) any = any || HasFolder(live_root, name);
  if (!any) return {};
  fs::path backup = NewBackupFolder(live_root, now);
  CreateFolders(backup);
  for (std::string_view name : kLiveFolders) {
    if (!HasFolder(live_root, name)) continue;
    if (!CopyFolder(FindWithoutCase(live_root, name), backup)) {
      DeleteFolder(backup);
      throw Error("現用資料夾無法完整備份到 " + PathToUtf8(backup) + ",沒有套用");
    }
  }
  return backup;
}

ApplyOutcome ApplyForSystem(SourceSystem system, std::string_view refusal, std::string_view his,
                            const fs::path& work_tree, const fs::path& program_folder,
                            StepContext& context) {
  if (big5::Trim(his) != big5::Literal(SourceSystemName(system))) {
    context.ShowMessage(refusal, MessageKind::kWarning);
    return {};
  }
  return ApplyWorkTree(work_tree, DataEditIni(program_folder).ReadWorkbench().live_root, Now(),
                       context);
}

}  // namespace

ApplyOutcome ApplyWorkTree(const fs::path& work_tree, const fs::path& live_root, DateTime now,
                           StepContext& context) {
  ApplyOutcome outcome;
  if (work_tree.empty() || !HasFolder(work_tree, kFrontEndFolderName) ||
      !HasFolder(work_tree, kServerFolderName)) {
    context.ShowMessage(PathToUtf8(work_tree / "") + "資料夾未含Zuvo病歷檔", MessageKind::kWarning);
    return outcome;
  }
  if (!Confirmed(context.ShowMessage(kCloseZuvoFirstUtf8, MessageKind::kWarning,
                                     MessageButtons::kOkCancel))) {
    return outcome;
  }
  CreateFolders(live_root);
  outcome.backup = BackUpLiveFolders(live_root, now);
  if (!outcome.backup.empty()) context.AddLine("現用資料已備份到:" + PathToUtf8(outcome.backup));

  for (std::string_view name : kLiveFolders) {
    if (!CopyFolder(FindWithoutCase(work_tree, name), live_root)) {
      std::string where =
          outcome.backup.empty() ? std::string("(套用前沒有現用資料)") : PathToUtf8(outcome.backup);
      context.ShowMessage("套用失敗,原來的現用資料在:" + where, MessageKind::kError);
      return outcome;
    }
  }
  fs::path live_front_end = FindWithoutCase(live_root, kFrontEndFolderName);
  WriteProfileString(FindWithoutCase(live_front_end, kLiveSettingsName), "Corvix", "HostName",
                     ComputerName());
  context.ShowMessage(kAppliedUtf8);
  outcome.result = StepResult::kDone;
  return outcome;
}

ApplyOutcome CVISWcopyClick(std::string_view his, const fs::path& work_tree,
                            const fs::path& program_folder, StepContext& context) {
  return ApplyForSystem(SourceSystem::kVision, "請先正確選取原始系統目錄", his, work_tree,
                        program_folder, context);
}

ApplyOutcome CRSreplaceNowClick(std::string_view his, const fs::path& work_tree,
                                const fs::path& program_folder, StepContext& context) {
  return ApplyForSystem(SourceSystem::kRealSun, "請先選取正確耀聖來源目錄", his, work_tree,
                        program_folder, context);
}

void RestoreLiveBackup(const fs::path& backup) {
  std::error_code error;
  if (!fs::is_directory(backup, error) ||
      !PathToUtf8(backup.filename()).starts_with(kBackupFolderPrefix) ||
      !(HasFolder(backup, kFrontEndFolderName) || HasFolder(backup, kServerFolderName))) {
    throw Error(PathToUtf8(backup) + " 不是現用資料夾的備份");
  }
  fs::path live_root = backup.parent_path();
  for (std::string_view name : kLiveFolders) {
    if (!HasFolder(backup, name)) continue;
    fs::path incoming = live_root / (std::string(name) + ".restoring");
    DeleteFolder(incoming);
    CreateFolders(incoming);
    if (!CopyFolder(FindWithoutCase(backup, name), incoming)) {
      DeleteFolder(incoming);
      throw Error("無法從 " + PathToUtf8(backup) + " 複製 " + std::string(name));
    }
    fs::path live = FindWithoutCase(live_root, name);
    fs::path outgoing = live_root / (std::string(name) + ".replaced");
    DeleteFolder(outgoing);
    if (fs::exists(live)) fs::rename(live, outgoing, error);
    if (!error) fs::rename(incoming / name, live_root / name, error);
    if (error) {
      std::string reason = error.message();
      if (fs::exists(outgoing)) fs::rename(outgoing, live, error);
      DeleteFolder(incoming);
      throw Error("無法還原 " + PathToUtf8(live_root / name) + ": " + reason);
    }
    DeleteFolder(incoming);
    DeleteFolder(outgoing);
  }
}

}  // namespace zuvo
