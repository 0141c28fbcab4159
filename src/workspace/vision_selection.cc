#include "workspace/vision_selection.h"

#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "workspace/clinic_identity.h"
#include "workspace/clinic_settings.h"
#include "workspace/conversion_guard.h"
#include "workspace/dataedit_ini.h"
#include "workspace/folder_layout.h"
#include "workspace/path_text.h"
#include "workspace/same_day_work_tree.h"
#include "workspace/source_system.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kReadyPersonalName = "PERSONAL.mdb";
constexpr std::string_view kCopiedPersonalName = "PERSONAL.MDB";

// A clinic folder may hold the catalogue databases made in an earlier conversion; they are used
// instead of new ones, but only as a pair.
void CopyReadyDatabases(const fs::path& clinic_folder, const fs::path& work_tree,
                        StepContext& context) {
  std::optional<fs::path> catalogue = ResolvePath(clinic_folder, kCatalogueFileName);
  if (!catalogue) return;
  std::optional<fs::path> personal = ResolvePath(clinic_folder, kReadyPersonalName);
  if (!personal) {
    context.ShowMessage("做好的只有OPD.mdb沒有PERSONAL.mdb", MessageKind::kWarning);
    return;
  }
  context.ShowMessage("OPD資料庫用已經做好的");
  fs::path front_end = work_tree / PathFromUtf8(kFrontEndFolderName);
  fs::path catalogue_copy = front_end / PathFromUtf8(kCatalogueFileName);
  fs::path personal_copy = front_end / PathFromUtf8(kCopiedPersonalName);
  DeleteDatabaseFile(catalogue_copy);
  DeleteDatabaseFile(personal_copy);
  CopyFileTo(*catalogue, catalogue_copy, true);
  CopyFileTo(*personal, personal_copy, true);
}

void FillBlank(std::string& field, const std::string& value) {
  if (big5::Trim(field).empty()) field = value;
}

}  // namespace

StepResult SelectVisionFolder(ClinicFolderFields& fields, const Workplace& place,
                              StepContext& context) {
  ChooseSourceFolder(fields.source_folder, kSystemFolderCaption, place.program_folder, context);
  SourceSystem system = RecogniseSourceSystem(fields.source_folder);
  if (system != SourceSystem::kVision) {
    context.ShowMessage(WrongSystemMessage(SourceSystemName(system), ",與目前設定的系統不合"),
                        MessageKind::kWarning);
    return StepResult::kStopped;
  }
  if (!AcceptSourceFolder(fields.source_folder, place.program_folder, context)) {
    return StepResult::kStopped;
  }
  DataEditIni(place.program_folder).WriteLastFolder(SourceSystem::kVision, fields.source_folder);

  ClinicIdentity identity = ReadVisionIdentity(fields.source_folder);
  fields.clinic_name = identity.name;
  fields.clinic_id = identity.code;
  fields.his = big5::Literal(SourceSystemName(system));
  if (!AcceptClinicCode(fields.clinic_id, context)) return StepResult::kStopped;

  fs::path clinic_folder = ClinicFolder(place.program_folder, kVisionArea, fields.clinic_id);
  FileLock lock = LockClinicFolder(clinic_folder, "vision select");
  fs::path work_tree = MakeSameDayWorkTree(clinic_folder, RocDate(place.now), WorkTreeKind::kVision,
                                           fields.same_day_tree, context);
  fields.work_tree = WithTrailingSeparator(work_tree);

  CopyReadyDatabases(clinic_folder, work_tree, context);

  ReportDuplicateDataIniKeys(clinic_folder, context);
  ClinicStartSettings settings = ReadClinicStartSettings(clinic_folder);
  FillBlank(fields.start_date, settings.opening_date);
  FillBlank(fields.pharmacist_name, settings.pharmacist_name);
  FillBlank(fields.pharmacist_id, settings.pharmacist_id);
  return StepResult::kDone;
}

}  // namespace zuvo
