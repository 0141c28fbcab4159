#include "app/realsun_restore.h"

#include <system_error>

#include "app/realsun_pipeline.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/folder_switch.h"
#include "workspace/conversion_guard.h"
#include "workspace/folder_layout.h"
#include "workspace/source_system_check.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRestoringSuffix = ".restoring";
constexpr std::string_view kReplacedSuffix = ".replaced";

}  // namespace

StepResult RestoreRealSunWorkTree(RunFields& fields, const Workplace& place, StepContext& context) {
  if (!CheckSourceSystem(SourceSystem::kRealSun, fields.folder, kRealSunWrongSystemUtf8, context)) {
    return StepResult::kStopped;
  }
  const fs::path clinic_folder =
      ClinicFolder(place.program_folder, kRealSunArea, big5::Trim(fields.folder.clinic_id));
  const fs::path snapshot = clinic_folder / kInitBakFolderName;
  const fs::path work_tree = WithoutTrailingSeparator(fields.folder.work_tree);
  std::error_code error;
  if (!fs::is_directory(snapshot, error)) {
    context.ShowMessage("沒有前二階段資料的備份,不能返還: " + PathToUtf8(snapshot),
                        MessageKind::kWarning);
    return StepResult::kStopped;
  }
  FileLock lock = LockClinicFolder(work_tree.parent_path(), "realsun restore");
  RecoverFolderSwitch(work_tree.parent_path());
  const std::string name = PathToUtf8(work_tree.filename());
  FolderSwitchPlan plan{work_tree.parent_path(),
                        {name},
                        name + std::string(kRestoringSuffix),
                        name + std::string(kReplacedSuffix)};
  const fs::path staged = plan.root / PathFromUtf8(plan.staging) / PathFromUtf8(name);
  DeleteFolder(plan.root / PathFromUtf8(plan.staging));
  if (!CopyFolderContents(snapshot, staged)) {
    DeleteFolder(plan.root / PathFromUtf8(plan.staging));
    throw Error("無法從 " + PathToUtf8(snapshot) + " 完整複製前二階段資料,工作資料夾沒有變動");
  }
  const fs::path replaced = SwitchFolders(plan, [](const fs::path&) {});
  DeleteFolder(replaced);
  context.ShowMessage(kRestoredUtf8);
  return StepResult::kDone;
}

}  // namespace zuvo
