#include "app/work_tree_selection.h"

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "workspace/clinic_identity.h"
#include "workspace/clinic_settings.h"
#include "workspace/conversion_guard.h"
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

RunFields ReadWorkTree(const Pipeline& pipeline, const fs::path& program_folder,
                       const fs::path& work_tree, const std::optional<fs::path>& source_folder) {
  fs::path tree = WithoutTrailingSeparator(work_tree);
  std::error_code error;
  if (!fs::is_directory(tree / kFrontEndFolderName, error)) {
    throw Error("工作目錄不存在或缺少 Corvix 資料夾: " + PathToUtf8(tree));
  }
  RunFields fields;
  ClinicFolderFields& folder = fields.folder;
  folder.work_tree = WithTrailingSeparator(tree);
  folder.clinic_id = WorkTreeClinicCode(tree);
  folder.source_folder =
      source_folder ? *source_folder : DataEditIni(program_folder).LastFolder(pipeline.system);
  if (folder.source_folder.empty()) {
    throw Error("沒有記錄" + std::string(SourceSystemName(pipeline.system)) +
                "系統的資料夾 (DataEdit.ini 一轉目錄): 請指定來源資料夾");
  }
  // The HIS field is what the folder choice recognises in the source folder, never the
  // command's own system: a step then refuses another system's folder.
  const SourceSystem recognised = RecogniseSourceSystem(folder.source_folder);
  folder.his = big5::Literal(SourceSystemName(recognised));
  if (recognised == pipeline.system) {
    folder.clinic_name = ReadClinicIdentity(pipeline.system, folder.source_folder).name;
  }
  ClinicStartSettings settings = ReadClinicStartSettings(tree.parent_path());
  folder.start_date = settings.opening_date;
  folder.pharmacist_name = settings.pharmacist_name;
  folder.pharmacist_id = settings.pharmacist_id;
  if (std::optional<ConversionRecord> record = ReadConversionRecord(tree)) {
    fields.chart = record->chart;
  } else {
    fields.chart.split_date = pipeline.default_split_date;
  }
  // A RealSun work tree is the work tree of one mode, and its name says which.
  if (pipeline.system == SourceSystem::kRealSun) {
    const std::string full_name = PathToUtf8(tree.filename());
    const std::string_view name = WorkTreeNameWithoutSerial(full_name);
    const std::string_view before = WorkTreeSuffix(WorkTreeKind::kRealSunBefore);
    fields.chart.mode = name.size() > before.size() && name.ends_with(before)
                            ? MakeDateMode::kBefore
                            : MakeDateMode::kOnAndAfter;
  }
  return fields;
}

}  // namespace zuvo
