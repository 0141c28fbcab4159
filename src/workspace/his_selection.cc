#include "workspace/his_selection.h"

#include "platform/big5.h"
#include "platform/file_ops.h"
#include "workspace/clinic_identity.h"
#include "workspace/folder_layout.h"
#include "workspace/path_text.h"
#include "workspace/source_system.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kVisionFolderOnDrive = "VISW";
constexpr std::string_view kChangChengFolderPattern = "wm*";
constexpr std::string_view kUnknownValue = "不明";

StepResult MakeHisFolders(HisFolderFields& fields, SourceSystem system, const Workplace& place,
                          StepContext& context) {
  if (!AcceptClinicCode(fields.clinic_id, context)) return StepResult::kStopped;
  fs::path clinic_folder =
      ClinicFolder(place.program_folder, SourceSystemName(system), fields.clinic_id);
  fs::path work_tree = WorkTreeFolder(clinic_folder, RocDate(place.now), WorkTreeKind::kHisSearch);
  CreateWorkTree(work_tree);
  fields.work_tree = WithTrailingSeparator(work_tree);
  return StepResult::kDone;
}

void TakeIdentity(HisFolderFields& fields, SourceSystem system, const ClinicIdentity& identity) {
  fields.clinic_name = identity.name;
  fields.clinic_id = identity.code;
  fields.system_name = big5::Literal(SourceSystemName(system));
}

// The first entry of `root` named like wm*, when it is a 常誠 folder.
std::optional<fs::path> ChangChengFolderOn(const fs::path& root) {
  std::vector<fs::path> entries = ListByWildcard(root, kChangChengFolderPattern);
  if (entries.empty()) return std::nullopt;
  std::error_code error;
  if (!fs::is_directory(entries.front(), error)) return std::nullopt;
  if (!ResolvePath(entries.front(), kChangChengSettingsTable)) return std::nullopt;
  return WithTrailingSeparator(entries.front());
}

// Finds an installed system on the drives; the source folder and system, or nothing.
std::optional<std::pair<fs::path, SourceSystem>> FindInstalledSystem(const Workplace& place) {
  for (const fs::path& root : place.drive_roots) {
    if (!root.empty() && ResolvePath(root, kRealSunTitleTable)) {
      return std::make_pair(WithTrailingSeparator(root), SourceSystem::kRealSun);
    }
  }
  for (const fs::path& root : place.drive_roots) {
    if (root.empty()) continue;
    if (auto vision = ResolvePath(root, kVisionFolderOnDrive);
        vision && ResolvePath(*vision, kVisionParameterTable)) {
      return std::make_pair(WithTrailingSeparator(*vision), SourceSystem::kVision);
    }
  }
  for (const fs::path& root : place.drive_roots) {
    if (root.empty()) continue;
    if (auto folder = ChangChengFolderOn(root)) {
      return std::make_pair(*folder, SourceSystem::kChangCheng);
    }
  }
  return std::nullopt;
}

}  // namespace

StepResult SelectHisFolder(HisFolderFields& fields, const Workplace& place, StepContext& context) {
  ChooseSourceFolder(fields.source_folder, kSystemFolderCaption, place.program_folder, context);
  SourceSystem system = RecogniseSourceSystem(fields.source_folder);
  switch (system) {
    case SourceSystem::kVision:
      TakeIdentity(fields, system, ReadVisionIdentity(fields.source_folder));
      return MakeHisFolders(fields, system, place, context);
    case SourceSystem::kRealSun:
      TakeIdentity(fields, system, ReadRealSunIdentity(fields.source_folder));
      return MakeHisFolders(fields, system, place, context);
    case SourceSystem::kChangCheng: {
      ChangChengIdentity identity = ReadChangChengIdentity(fields.source_folder);
      TakeIdentity(fields, system, {identity.name.value_or(""), identity.code.value_or("")});
      if (!identity.name || !identity.code) {
        context.ShowMessage("BASICSET.DBF裡沒有診所名稱或健保代碼", MessageKind::kWarning);
        return StepResult::kStopped;
      }
      return MakeHisFolders(fields, system, place, context);
    }
    case SourceSystem::kUnknown:
      break;
  }
  return StepResult::kDone;
}

StepResult SearchHisSystem(HisFolderFields& fields, const Workplace& place, StepContext& context) {
  fields.source_folder.clear();
  fields.clinic_name.clear();
  fields.clinic_id.clear();
  fields.system_name.clear();
  std::optional<std::pair<fs::path, SourceSystem>> found = FindInstalledSystem(place);
  if (!found) {
    context.ShowMessage("找不到任何HIS系統", MessageKind::kWarning);
    return StepResult::kStopped;
  }
  auto [folder, system] = *found;
  fields.source_folder = folder;
  switch (system) {
    case SourceSystem::kRealSun:
      TakeIdentity(fields, system, ReadRealSunIdentity(folder));
      return StepResult::kDone;
    case SourceSystem::kVision:
      TakeIdentity(fields, system, ReadVisionIdentity(folder));
      break;
    default: {
      ChangChengIdentity identity = ReadChangChengIdentity(folder);
      const std::string& unknown = big5::Literal(kUnknownValue);
      TakeIdentity(fields, system,
                   {identity.name.value_or(unknown), identity.code.value_or(unknown)});
      break;
    }
  }
  return MakeHisFolders(fields, system, place, context);
}

}  // namespace zuvo
