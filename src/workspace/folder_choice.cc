#include "workspace/folder_choice.h"

#include "platform/file_ops.h"
#include "workspace/clinic_settings.h"
#include "workspace/folder_layout.h"
#include "workspace/path_text.h"

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

bool AcceptSourceFolder(const fs::path& source_folder, const fs::path& program_folder,
                        StepContext& context) {
  if (source_folder.empty() || !IsSameOrInside(source_folder, program_folder)) return true;
  context.ShowMessage("原始目錄不可以是程式資料夾或在它裡面(那裡是轉檔結果的工作資料夾): " +
                          PathToUtf8(source_folder),
                      MessageKind::kWarning);
  return false;
}

bool AcceptClinicCode(std::string_view code, StepContext& context) {
  std::optional<std::string> problem = ClinicCodeProblem(code);
  if (problem) context.ShowMessage(*problem, MessageKind::kWarning);
  return !problem;
}

void ReportDuplicateDataIniKeys(const fs::path& clinic_folder, StepContext& context) {
  for (const std::string& warning : ClinicSettings(clinic_folder).DuplicateKeyWarnings()) {
    context.AddLine(warning);
  }
}

}  // namespace zuvo
