#include "app/apply_live.h"

#include <optional>
#include <system_error>
#include <vector>

#include "app/live_folders.h"
#include "app/work_tree_selection.h"
#include "core/store_location.h"
#include "core/store_verify.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/folder_manifest.h"
#include "platform/profile_file.h"
#include "platform/test_point.h"
#include "workspace/conversion_guard.h"
#include "workspace/dataedit_ini.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system.h"
#include "workspace/source_system_check.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kLiveSettingsName = "CORVIX.INI";
constexpr std::string_view kPatientIndexName = "PTdata.ind";
// How many findings of one store the list shows before it only counts them.
constexpr size_t kFindingsListed = 20;

bool HasFolder(const fs::path& parent, std::string_view name) {
  std::error_code error;
  return fs::is_directory(FindWithoutCase(parent, name), error);
}

StoreLocation StagedStore(const fs::path& staged_server, const fs::path& work_store) {
  return {FindWithoutCase(staged_server, PathToUtf8(work_store.filename())),
          FindWithoutCase(staged_server, kPatientIndexName)};
}

void CopyOrThrow(bool copied, const fs::path& from, const fs::path& to) {
  if (!copied) throw Error("無法把 " + PathToUtf8(from) + " 完整複製到 " + PathToUtf8(to));
}

// The new live folders in the staging folder: the live folders as they are, then the work
// tree's files over them, each clinic store the work tree brings replacing the old one whole.
void StageWorkTree(const fs::path& work_tree, LiveRootChange& change) {
  for (std::string_view name : {kFrontEndFolderName, kServerFolderName}) {
    const fs::path live = change.LiveFolder(name);
    const fs::path staged = change.StagedFolder(name);
    if (HasFolder(live.parent_path(), name)) {
      CopyOrThrow(CopyFolderContents(live, staged), live, staged);
    } else {
      CreateFolders(staged);
    }
  }
  const fs::path staged_server = change.StagedFolder(kServerFolderName);
  for (const fs::path& work_store : WorkTreeStoreFolders(work_tree)) {
    for (const fs::path& old : StagedStore(staged_server, work_store).ExistingFiles()) {
      if (!DeleteFolder(old)) throw Error("cannot remove " + PathToUtf8(old));
    }
  }
  for (std::string_view name : {kFrontEndFolderName, kServerFolderName}) {
    const fs::path from = FindWithoutCase(work_tree, name);
    CopyOrThrow(CopyFolderContents(from, change.StagedFolder(name)), from,
                change.StagedFolder(name));
  }
  WriteProfileString(FindWithoutCase(change.StagedFolder(kFrontEndFolderName), kLiveSettingsName),
                     "Corvix", "HostName", ComputerName());
}

// Lists the findings of the store in `folder` (UTF-8 path); false when there are any.
bool ListStoreFindings(const std::string& folder, const std::vector<StoreFinding>& findings,
                       StepContext& context) {
  for (size_t i = 0; i < findings.size() && i < kFindingsListed; ++i) {
    context.AddLine("病歷檔檢查不通過:" + folder + " " + findings[i].where + ": " +
                    findings[i].problem);
  }
  if (findings.size() > kFindingsListed) {
    context.AddLine("病歷檔檢查不通過:" + folder + " 共 " + std::to_string(findings.size()) +
                    " 項");
  }
  return findings.empty();
}

// The clinic's own store, which must come with the work tree: Tolsern / the clinic code, the
// name of the clinic folder above the work tree, as the conversion steps name it.
struct ClinicStore {
  std::string code;    // UTF-8; empty when the work tree lies in no clinic folder
  std::string folder;  // UTF-8, the folder the report concerns
  StoreVerifyReport report;
};

ClinicStore CheckClinicStore(const fs::path& work_tree) {
  ClinicStore clinic;
  std::string code;
  try {
    code = big5::Trim(WorkTreeClinicCode(work_tree));
  } catch (const Error& error) {
    clinic.folder = PathToUtf8(work_tree);
    clinic.report.findings.push_back({"Tolsern", error.what()});
    return clinic;
  }
  clinic.code = big5::ToUtf8Escaped(code);
  const StoreLocation store{FindWithoutCase(FindWithoutCase(work_tree, kServerFolderName), code),
                            FindWithoutCase(work_tree, kServerFolderName) / kPatientIndexName};
  clinic.folder = PathToUtf8(store.server_data_folder);
  clinic.report = VerifyStore(store);
  return clinic;
}

// The clinic the work tree converted, for the confirmation: the name its CORVIX.INI was given
// and the clinic code, "名稱 (3501)", or the code alone.
std::string ClinicText(const fs::path& work_tree, const std::string& code) {
  const fs::path settings =
      FindWithoutCase(FindWithoutCase(work_tree, kFrontEndFolderName), kLiveSettingsName);
  std::error_code error;
  std::string name;
  if (fs::is_regular_file(settings, error)) {
    name = big5::Trim(
        ProfileFile(settings).ReadString(big5::Literal("System"), big5::Literal("診所名稱")));
  }
  if (name.empty()) return code;
  return big5::ToUtf8Escaped(name) + " (" + code + ")";
}

// The question before the live folders change: close Zuvo first, what replaces them
// (`what`, lines ending in a newline), and where the live folders that are replaced will go.
std::string LiveChangeQuestion(const std::string& what, const fs::path& live_root, DateTime now) {
  const fs::path root = WithoutTrailingSeparator(live_root);
  return std::string(kCloseZuvoFirstUtf8) + "\n\n" + what + "現用資料根目錄: " + PathToUtf8(root) +
         "\n目前的現用資料會備份到: " + PathToUtf8(NextBackupFolder(root, now));
}

// Lists the findings of the store shown as `folder`; notes the first folder that failed.
void CheckStore(const std::string& folder, const std::vector<StoreFinding>& findings,
                StepContext& context, std::string& first_failed) {
  if (ListStoreFindings(folder, findings, context)) return;
  if (first_failed.empty()) first_failed = folder;
}

// Checks every store the work tree brings, as staged; lists the findings. False when any;
// `first_failed` then names the first folder that failed.
bool StagedStoresAreClean(const fs::path& work_tree, LiveRootChange& change, StepContext& context,
                          std::string& first_failed) {
  const fs::path staged_server = change.StagedFolder(kServerFolderName);
  for (const fs::path& work_store : WorkTreeStoreFolders(work_tree)) {
    CheckStore(PathToUtf8(work_store), VerifyStore(StagedStore(staged_server, work_store)).findings,
               context, first_failed);
  }
  return first_failed.empty();
}

// Every store a restore staged, shown under its place in the backup.
bool RestoredStoresAreClean(const fs::path& backup, LiveRootChange& change, StepContext& context,
                            std::string& first_failed) {
  const fs::path staged_server = change.StagedFolder(kServerFolderName);
  for (const fs::path& store : WorkTreeStoreFolders(change.staging())) {
    CheckStore(PathToUtf8(backup / store.lexically_relative(change.staging())),
               VerifyStore(StagedStore(staged_server, store)).findings, context, first_failed);
  }
  return first_failed.empty();
}

[[noreturn]] void ThrowIncompleteBackup(const fs::path& backup,
                                        const std::vector<std::string>& problems) {
  std::string text = PathToUtf8(backup) + " 不是完整的現用資料備份,沒有還原:";
  for (const std::string& problem : problems) text += "\n" + problem;
  throw Error(text);
}

// Copies exactly what the manifest lists into the staging folder and checks every copied file
// against its size and checksum there, so that what is switched in is what was backed up.
void StageBackup(const fs::path& backup, const FolderManifest& manifest, LiveRootChange& change) {
  std::vector<std::string> problems;
  for (const ManifestEntry& entry : manifest.entries) {
    const fs::path staged = change.StagedPathOf(entry.path);
    if (entry.kind == ManifestEntry::Kind::kFolder) {
      CreateFolders(staged);
      continue;
    }
    CreateFolders(staged.parent_path());
    CopyFileTo(backup / PathFromUtf8(entry.path), staged, true);
    if (std::optional<std::string> problem =
            EntryProblem(staged, entry, ManifestDepth::kChecksums)) {
      problems.push_back(std::move(*problem));
    }
  }
  if (!problems.empty()) ThrowIncompleteBackup(backup, problems);
}

bool HoldsLiveFolders(const fs::path& work_tree) {
  return !work_tree.empty() && HasFolder(work_tree, kFrontEndFolderName) &&
         HasFolder(work_tree, kServerFolderName);
}

// Why the work tree's last run or step does not let it be applied; empty when it completed.
std::optional<std::string> UnfinishedConversion(const fs::path& work_tree) {
  std::optional<ConversionRecord> record = ReadConversionRecord(work_tree);
  if (!record) return "沒有轉檔紀錄 (" + std::string(kConversionRecordName) + ")";
  if (record->state == ConversionState::kCompleted) return std::nullopt;
  return "最後一次轉檔 " + record->activity + " (開始於 " + record->started +
         ") 沒有完成: " + std::string(ConversionStateWord(record->state));
}

}  // namespace

ApplyOutcome ApplyWorkTree(const fs::path& work_tree, const fs::path& live_root, DateTime now,
                           StepContext& context, ApplyChecks checks, std::string_view done_text) {
  ApplyOutcome outcome;
  if (!HoldsLiveFolders(work_tree)) {
    context.ShowMessage(PathToUtf8(work_tree / "") + "資料夾未含Zuvo病歷檔", MessageKind::kWarning);
    return outcome;
  }
  if (std::optional<std::string> unfinished = UnfinishedConversion(work_tree)) {
    if (checks == ApplyChecks::kRefuseFailures) {
      context.ShowMessage("這個工作資料夾不能套用," + *unfinished + ": " + PathToUtf8(work_tree),
                          MessageKind::kWarning);
      return outcome;
    }
    context.AddLine("仍然套用," + *unfinished);
  }
  RequireLiveRoot(live_root);
  // The clinic's own store as the work tree holds it, before anything is asked: its counts go
  // into the question, and a store that fails its check is not offered.
  const ClinicStore clinic = CheckClinicStore(work_tree);
  std::string failed_store;
  CheckStore(clinic.folder, clinic.report.findings, context, failed_store);
  if (!failed_store.empty()) {
    if (checks == ApplyChecks::kRefuseFailures) {
      context.ShowMessage("病歷檔檢查不通過,沒有套用: " + failed_store, MessageKind::kError);
      return outcome;
    }
    context.AddLine("病歷檔檢查不通過,仍然套用:" + failed_store);
  }
  const std::string what = "套用工作資料夾: " + PathToUtf8(WithoutTrailingSeparator(work_tree)) +
                           "\n診所: " + ClinicText(work_tree, clinic.code) + "\n病人 " +
                           std::to_string(clinic.report.patients) + " 筆,門診 " +
                           std::to_string(clinic.report.entries) + " 筆\n";
  if (!Confirmed(context.ShowMessage(LiveChangeQuestion(what, live_root, now),
                                     MessageKind::kWarning, MessageButtons::kOkCancel))) {
    return outcome;
  }
  // No conversion of the clinic may write the work tree while it is copied.
  FileLock clinic_lock =
      LockClinicFolder(WithoutTrailingSeparator(work_tree).parent_path(), "apply");
  LiveRootChange change(live_root, "apply " + PathToUtf8(work_tree), context);
  try {
    StageWorkTree(work_tree, change);
    TestPoint("apply:staged");
  } catch (const Error& error) {
    throw Error(std::string(error.what()) + " (沒有套用,現用資料沒有變動)");
  }
  failed_store.clear();
  if (!StagedStoresAreClean(work_tree, change, context, failed_store)) {
    if (checks == ApplyChecks::kRefuseFailures) {
      context.ShowMessage("病歷檔檢查不通過,沒有套用: " + failed_store, MessageKind::kError);
      return outcome;
    }
    context.AddLine("病歷檔檢查不通過,仍然套用:" + failed_store);
  }
  outcome.backup = change.SwitchIn(now);
  if (!outcome.backup.empty()) context.AddLine("現用資料已備份到:" + PathToUtf8(outcome.backup));
  context.ShowMessage(done_text);
  outcome.result = StepResult::kDone;
  return outcome;
}

std::optional<std::string> NotReadyToApply(const fs::path& work_tree) {
  if (!HoldsLiveFolders(work_tree)) return PathToUtf8(work_tree / "") + "資料夾未含Zuvo病歷檔";
  return UnfinishedConversion(work_tree);
}

ApplyOutcome ApplyConvertedWorkTree(const Pipeline& pipeline, std::string_view his,
                                    const fs::path& work_tree, const fs::path& program_folder,
                                    StepContext& context) {
  ClinicFolderFields clinic;
  clinic.his = his;
  clinic.work_tree = work_tree;
  if (!CheckSourceSystem(pipeline.system, clinic, pipeline.wrong_system_message, context)) {
    return {};
  }
  return ApplyWorkTree(work_tree, DataEditIni(program_folder).ReadWorkbench().live_root, Now(),
                       context);
}

fs::path RestoreLiveBackup(const fs::path& backup, const fs::path& live_root, DateTime now,
                           StepContext& context, ApplyChecks checks) {
  const fs::path folder = WithoutTrailingSeparator(fs::absolute(backup));
  // Sizes first, before the live root is locked; the checksums are checked on the copies.
  std::vector<std::string> problems = BackupProblems(folder, ManifestDepth::kSizes);
  if (!problems.empty()) ThrowIncompleteBackup(folder, problems);
  const FolderManifest manifest = ReadFolderManifest(folder / kBackupManifestName);
  if (!manifest.checksums) {
    context.AddLine("這個備份的清單沒有檢查碼 (舊版的備份),只核對了檔案大小: " +
                    PathToUtf8(folder));
  }
  LiveRootChange change(live_root, "restore " + PathToUtf8(folder), context);
  StageBackup(folder, manifest, change);
  std::string failed_store;
  if (!RestoredStoresAreClean(folder, change, context, failed_store)) {
    if (checks == ApplyChecks::kRefuseFailures) {
      throw Error("病歷檔檢查不通過,沒有還原: " + failed_store + " (現用資料沒有變動)");
    }
    context.AddLine("病歷檔檢查不通過,仍然還原:" + failed_store);
  }
  return change.SwitchIn(now);
}

ApplyOutcome ConfirmAndRestoreLiveBackup(const fs::path& backup, const fs::path& live_root,
                                         DateTime now, StepContext& context) {
  ApplyOutcome outcome;
  const std::string question = LiveChangeQuestion(
      "還原備份: " + PathToUtf8(WithoutTrailingSeparator(backup)) + "\n", live_root, now);
  if (!Confirmed(context.ShowMessage(question, MessageKind::kWarning, MessageButtons::kOkCancel))) {
    return outcome;
  }
  outcome.backup = RestoreLiveBackup(backup, live_root, now, context);
  if (!outcome.backup.empty()) context.AddLine("現用資料已備份到:" + PathToUtf8(outcome.backup));
  context.ShowMessage(kLiveRestoredUtf8);
  outcome.result = StepResult::kDone;
  return outcome;
}

}  // namespace zuvo
