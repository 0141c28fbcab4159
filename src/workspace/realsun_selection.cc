#include "workspace/realsun_selection.h"

#include "platform/big5.h"
#include "platform/file_ops.h"
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

WorkTreeKind KindOf(MakeDateMode mode) {
  return mode == MakeDateMode::kBefore ? WorkTreeKind::kRealSunBefore
                                       : WorkTreeKind::kRealSunOnAndAfter;
}

fs::path RealSunClinicFolder(const RealSunFolderFields& fields, const Workplace& place) {
  return ClinicFolder(place.program_folder, kRealSunArea, fields.clinic_id);
}

// Makes the work tree of the current mode and its server data folder; the code was accepted and
// the caller holds the clinic folder's lock.
void MakeModeWorkTree(RealSunFolderFields& fields, const Workplace& place, StepContext& context) {
  fs::path work_tree = MakeSameDayWorkTree(RealSunClinicFolder(fields, place), RocDate(place.now),
                                           KindOf(fields.mode), fields.same_day_tree, context);
  CreateFolders(ServerDataFolder(work_tree, fields.clinic_id));
  fields.work_tree = WithTrailingSeparator(work_tree);
}

void RemindMissingSettings(const RealSunFolderFields& fields, StepContext& context) {
  if (fields.pharmacist_name != big5::Literal(kOutsidePharmacyName) &&
      (fields.pharmacist_name.empty() || fields.pharmacist_id.empty())) {
    context.ShowMessage("沒有藥師資料,無藥師請忽略", MessageKind::kWarning);
  }
  if (fields.start_date.empty()) context.ShowMessage("尚未設定開業日期", MessageKind::kWarning);
}

}  // namespace

StepResult SelectRealSunFolder(RealSunFolderFields& fields, const Workplace& place,
                               StepContext& context) {
  ChooseSourceFolder(fields.source_folder, kRealSunFolderCaption, place.program_folder, context);
  SourceSystem system = RecogniseSourceSystem(fields.source_folder);
  if (system != SourceSystem::kRealSun) {
    context.ShowMessage(WrongSystemMessage(SourceSystemName(system), ",與目前設定要耀聖系統不合"),
                        MessageKind::kWarning);
    return StepResult::kStopped;
  }
  if (!AcceptSourceFolder(fields.source_folder, place.program_folder, context)) {
    return StepResult::kStopped;
  }
  DataEditIni(place.program_folder).WriteLastFolder(SourceSystem::kRealSun, fields.source_folder);

  ClinicIdentity identity = ReadRealSunIdentity(fields.source_folder);
  fields.clinic_name = identity.name;
  fields.clinic_id = identity.code;
  fields.his = big5::Literal(SourceSystemName(system));
  if (!AcceptClinicCode(fields.clinic_id, context)) return StepResult::kStopped;
  fs::path clinic_folder = RealSunClinicFolder(fields, place);
  FileLock lock = LockClinicFolder(clinic_folder, "realsun select");
  MakeModeWorkTree(fields, place, context);

  ReportDuplicateDataIniKeys(clinic_folder, context);
  ClinicStartSettings settings = ReadClinicStartSettings(clinic_folder);
  fields.start_date = settings.opening_date;
  fields.pharmacist_name = settings.pharmacist_name;
  fields.pharmacist_id = settings.pharmacist_id;
  RemindMissingSettings(fields, context);
  return StepResult::kDone;
}

StepResult ChangeRealSunMakeDateMode(RealSunFolderFields& fields, const Workplace& place,
                                     StepContext& context) {
  if (big5::Trim(fields.clinic_id).empty()) return StepResult::kDone;
  if (!AcceptClinicCode(fields.clinic_id, context)) return StepResult::kStopped;
  FileLock lock = LockClinicFolder(RealSunClinicFolder(fields, place), "realsun mode");
  MakeModeWorkTree(fields, place, context);
  return StepResult::kDone;
}

}  // namespace zuvo
