#include "maintenance/chart_set.h"

#include <system_error>

#include "platform/big5.h"
#include "platform/profile_file.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSystemSection = "System";

}  // namespace

fs::path ChartSetSettingsFile(const fs::path& set_folder) {
  return FindWithoutCase(FindWithoutCase(set_folder, kFrontEndFolderName), "CORVIX.INI");
}

bool ReadChartSetSettings(ChartSetFields& set) {
  const fs::path file = ChartSetSettingsFile(set.folder);
  std::error_code error;
  if (set.folder.empty() || !fs::is_regular_file(file, error)) {
    set.clinic_name.clear();
    set.clinic_code.clear();
    return false;
  }
  set.clinic_name =
      ReadProfileString(file, big5::Literal(kSystemSection), big5::Literal("診所名稱"));
  set.clinic_code =
      ReadProfileString(file, big5::Literal(kSystemSection), big5::Literal("診所健保代碼"));
  set.split_date =
      ReadProfileString(file, big5::Literal(kSystemSection), big5::Literal("切割日期"));
  return true;
}

StoreLocation ChartSetStore(const fs::path& set_folder, std::string_view code) {
  const fs::path server = FindWithoutCase(set_folder, kServerFolderName);
  return {FindWithoutCase(server, big5::Trim(code)), FindWithoutCase(server, "PTdata.ind")};
}

fs::path MergedFolderFor(const fs::path& program_folder, std::string_view code, DateTime now) {
  return ClinicFolder(program_folder, kMergeArea, big5::Trim(code)) / RocDate(now);
}

StepResult ChooseChartSet(ChartSetChoice& input, const Workplace& place, StepContext& context) {
  ChartSetFields& set = input.set;
  std::error_code error;
  const fs::path start = !set.folder.empty() && fs::is_directory(set.folder, error)
                             ? set.folder
                             : place.program_folder;
  std::optional<fs::path> chosen = context.ChooseFolder(
      input.role == ChartSetRole::kRecent ? "選擇近期病歷資料夾" : "選擇過去病歷資料夾", start);
  if (!chosen) return StepResult::kStopped;
  set.folder = *chosen / "";
  ReadChartSetSettings(set);
  if (!big5::Trim(set.clinic_code).empty()) {
    input.merged_folder = MergedFolderFor(place.program_folder, set.clinic_code, place.now) / "";
    CreateWorkTree(input.merged_folder);
  }
  return StepResult::kDone;
}

}  // namespace zuvo
