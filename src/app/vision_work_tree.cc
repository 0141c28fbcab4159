#include "app/vision_work_tree.h"

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "workspace/clinic_identity.h"
#include "workspace/data_ini.h"
#include "workspace/dataedit_ini.h"
#include "workspace/folder_layout.h"
#include "workspace/path_text.h"
#include "workspace/source_system.h"

namespace zuvo {
namespace fs = std::filesystem;

std::string WorkTreeClinicCode(const fs::path& work_tree) {
  fs::path clinic_folder = WithoutTrailingSeparator(work_tree).parent_path();
  std::optional<std::string> code = big5::TryFromUtf8(PathToUtf8(clinic_folder.filename()));
  if (!code || ClinicCodeProblem(*code)) {
    throw Error("工作目錄上層的資料夾名稱不是診所代號: " + PathToUtf8(clinic_folder));
  }
  return *code;
}

VisionWorkTree ReadVisionWorkTree(const fs::path& program_folder, const fs::path& work_tree,
                                  const std::optional<fs::path>& source_folder) {
  fs::path tree = WithoutTrailingSeparator(work_tree);
  std::error_code error;
  if (!fs::is_directory(tree / kFrontEndFolderName, error)) {
    throw Error("工作目錄不存在或缺少 Corvix 資料夾: " + PathToUtf8(tree));
  }
  VisionWorkTree result;
  result.program_folder = program_folder;
  result.clinic_folder = tree.parent_path();
  VisionFolderFields& fields = result.fields;
  fields.work_tree = WithTrailingSeparator(tree);
  fields.clinic_id = WorkTreeClinicCode(tree);
  fields.his = big5::Literal(SourceSystemName(SourceSystem::kVision));
  fields.source_folder =
      source_folder ? *source_folder : DataEditIni(program_folder).ReadLastVisionFolder();
  if (fields.source_folder.empty()) {
    throw Error("沒有記錄展望系統的資料夾 (DataEdit.ini Vsystem 一轉目錄): 請指定來源資料夾");
  }
  if (RecogniseSourceSystem(fields.source_folder) == SourceSystem::kVision) {
    fields.clinic_name = ReadVisionIdentity(fields.source_folder).name;
  }
  ClinicStartSettings settings = ReadClinicStartSettings(result.clinic_folder);
  fields.start_date = settings.opening_date;
  fields.pharmacist_name = settings.pharmacist_name;
  fields.pharmacist_id = settings.pharmacist_id;
  return result;
}

}  // namespace zuvo
