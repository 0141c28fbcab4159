#include "diagnosis/icd10_tools.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

#include "diagnosis/chronic_ranges.h"
#include "diagnosis/diagnosis_table.h"
#include "diagnosis/dx_merge.h"
#include "diagnosis/icd10_cm_import.h"
#include "diagnosis/icd10_to_dx.h"
#include "diagnosis/pcs_import.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

// A private folder for the copy of another database, removed with what it holds.
class ScratchFolder {
 public:
  ScratchFolder() {
    static std::atomic<int> counter{0};
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() /
            ("zuvo-dx-merge-" + std::to_string(ticks) + "-" + std::to_string(counter++));
    CreateFolders(path_);
  }
  ~ScratchFolder() { DeleteFolder(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

ToolResult FromWorkbook(const WorkbookImported& imported) {
  return {imported.result, imported.rows, imported.duplicates, {}, imported.refusal};
}

const ToolResult kCancelled{StepResult::kStopped, 0, 0, {}, {}};

struct FileChoice {
  std::string_view caption;
  std::string_view start_name;  // in the program folder; empty: the folder itself
  std::string_view filter;
};

// Asks for the tool's file; with one chosen, runs `tool` on it and the open diagnosis
// database.
template <typename Tool>
ToolResult OnChosenFile(const Workplace& workplace, StepContext& context, const FileChoice& choice,
                        Tool tool) {
  fs::path start = workplace.program_folder;
  if (!choice.start_name.empty()) start /= PathFromUtf8(choice.start_name);
  std::optional<fs::path> file = context.ChooseFile(choice.caption, start, choice.filter);
  if (!file) return kCancelled;
  Database database = OpenDiagnosisDatabase(workplace.program_folder);
  return tool(database, *file);
}

}  // namespace

ToolResult CICD10txttoMDBClick(const Workplace& workplace, StepContext& context) {
  return OnChosenFile(workplace, context, {"選取ICD10的EXCEL檔", "", "ICD10的EXCEL檔|*.xls"},
                      [&](Database& database, const fs::path& file) {
                        return FromWorkbook(ImportIcd10CmWorkbook(database, file, context));
                      });
}

ToolResult CICD10toDXClick(const Workplace& workplace, StepContext& context) {
  if (!Confirmed(context.ShowMessage(kIcd10ToDxQuestion, MessageKind::kWarning,
                                     MessageButtons::kOkCancel))) {
    return kCancelled;
  }
  fs::path file = DiagnosisDatabaseFile(workplace.program_folder);
  // Opened once first, so that a missing or broken database is refused before a copy is made.
  Database::Open(file);
  ToolResult result;
  result.backup = BackUpDiagnosisDatabase(file, workplace.now);
  Database database = Database::Open(file);
  result.rows = FillDxFromIcd10(database, workplace.now, context);
  context.ShowMessage("轉檔完成\n備份檔: " + PathToUtf8(result.backup.filename()));
  return result;
}

ToolResult CDXsetInDXsetClick(const Workplace& workplace, StepContext& context) {
  return OnChosenFile(workplace, context, {"選取ICD10的MDB檔", "", "ICD10的MDB檔|*.MDB"},
                      [&](Database& database, const fs::path& file) {
                        ScratchFolder scratch;
                        Database other = OpenOtherDiagnosisDatabase(file, scratch.path());
                        ToolResult result;
                        result.rows = MergeDx(database, other, workplace.now, context);
                        context.ShowMessage("轉檔完成");
                        return result;
                      });
}

ToolResult CreadICD10_PCSClick(const Workplace& workplace, StepContext& context) {
  return OnChosenFile(workplace, context,
                      {"選取ICD-10-PCS的EXCEL檔", kPcsWorkbookName, "ICD-10-PCS的EXCEL檔|*.xls"},
                      [&](Database& database, const fs::path& file) {
                        return FromWorkbook(ImportPcsWorkbook(database, file, context));
                      });
}

ToolResult CcreatePCStableClick(const Workplace& workplace, StepContext& context) {
  return OnChosenFile(workplace, context,
                      {"選取ICD-10-PCS代碼與醫令對應檔", kPcsMappingName, "ICD-10-PCS對應檔|*.txt"},
                      [&](Database& database, const fs::path& file) {
                        ToolResult result;
                        result.rows = ImportPcsMapping(database, file, context);
                        return result;
                      });
}

StepResult CsetLongDXClick(const Workplace& workplace, StepContext& context) {
  Database database = OpenDiagnosisDatabase(workplace.program_folder);
  return ApplyChronicRanges(database, context);
}

}  // namespace zuvo
