#include "workspace/folder_choice.h"

#include "workspace/data_ini.h"
#include "workspace/folder_layout.h"
#include "workspace/path_text.h"
#include "workspace/settings_file_check.h"

namespace zuvo {

namespace fs = std::filesystem;

void ChooseSourceFolder(fs::path& field, std::string_view caption, const fs::path& program_folder,
                        StepContext& context) {
  std::error_code error;
  fs::path start = !field.empty() && fs::is_directory(field, error) ? field : program_folder;
  if (std::optional<fs::path> chosen = context.ChooseFolder(caption, start)) {
    field = WithTrailingSeparator(*chosen);
  }
}

std::string WrongSystemMessage(std::string_view system_name, std::string_view tail) {
  return "你選取的系統是" + std::string(system_name) + std::string(tail);
}

bool AcceptClinicCode(std::string_view code, StepContext& context) {
  std::optional<std::string> problem = ClinicCodeProblem(code);
  if (problem) context.ShowMessage(*problem, MessageKind::kWarning);
  return !problem;
}

void ReportDuplicateDataIniKeys(const fs::path& clinic_folder, StepContext& context) {
  for (const std::string& warning : DuplicateKeyWarnings(DataIniFile(clinic_folder))) {
    context.AddLine(warning);
  }
}

}  // namespace zuvo
