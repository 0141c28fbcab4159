#include "diagnosis/icd10_tools.h"

#include <optional>
#include <string>

#include "diagnosis/chronic_ranges.h"
#include "diagnosis/diagnosis_table.h"
#include "diagnosis/dx_merge.h"
#include "diagnosis/icd10_cm_import.h"
#include "diagnosis/icd10_to_dx.h"
#include "diagnosis/pcs_import.h"
#include "platform/file_ops.h"
#include "platform/scratch_folder.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

// A tool that changes nothing because its source has nothing for it: shown, and noted.
StepResult Refused(DiagnosisToolRun& run, StepContext& context, std::string refusal) {
  context.ShowMessage(refusal, MessageKind::kError);
  run.refusal = std::move(refusal);
  return StepResult::kStopped;
}

struct FileChoice {
  std::string_view caption;
  std::string_view start_name;  // in the program folder; empty: the folder itself
  std::string_view filter;
};

std::optional<fs::path> ChooseToolFile(const Workplace& workplace, StepContext& context,
                                       const FileChoice& choice) {
  fs::path start = workplace.program_folder;
  if (!choice.start_name.empty()) start /= PathFromUtf8(choice.start_name);
  return context.ChooseFile(choice.caption, start, choice.filter);
}

// The dated copy of the closed database `file` that a tool keeps before it replaces a table,
// listed so that the operator knows where the former rows are.
fs::path KeepCopy(const fs::path& file, DateTime now, StepContext& context) {
  fs::path backup = BackUpDiagnosisDatabase(file, now);
  context.AddLine("已備份診斷資料庫:" + PathToUtf8(backup));
  return backup;
}

// A tool that replaces a table: `read` takes the source in (with the database open, which also
// refuses a missing database before anything else), and when it refuses nothing is changed and
// no copy is made; otherwise the database, closed, is copied first and `write` replaces the
// table.
template <typename Read, typename Write>
StepResult ReplaceTable(DiagnosisToolRun& run, const Workplace& workplace, StepContext& context,
                        Read read, Write write) {
  const fs::path file = DiagnosisDatabaseFile(workplace.program_folder);
  auto source = [&] {
    Database database = Database::Open(file);
    return read(database);
  }();
  if (source.result != StepResult::kDone) {
    run.refusal = source.refusal;
    return source.result;
  }
  run.backup = KeepCopy(file, workplace.now, context);
  Database database = Database::Open(file);
  return write(database, source);
}

// ReplaceTable from one of the NHI workbooks, chosen by the operator.
StepResult ReplaceFromWorkbook(DiagnosisToolRun& run, const Workplace& workplace,
                               StepContext& context, const FileChoice& choice,
                               const CodeWorkbookRules& rules) {
  std::optional<fs::path> workbook = ChooseToolFile(workplace, context, choice);
  if (!workbook) return StepResult::kStopped;
  return ReplaceTable(
      run, workplace, context,
      [&](Database&) { return ReadCodeWorkbook(*workbook, rules, context); },
      [&](Database& database, const CodeWorkbookRows& read) {
        WorkbookImported imported = WriteCodeRows(database, rules, read.rows, context);
        run.rows = imported.rows;
        run.duplicates = imported.duplicates;
        return imported.result;
      });
}

}  // namespace

StepResult ImportIcd10CmWorkbook(DiagnosisToolRun& run, const Workplace& workplace,
                                 StepContext& context) {
  return ReplaceFromWorkbook(run, workplace, context,
                             {"選取ICD10的EXCEL檔", "", "ICD10的EXCEL檔|*.xls"},
                             Icd10CmWorkbookRules());
}

StepResult RebuildDiagnosisList(DiagnosisToolRun& run, const Workplace& workplace,
                                StepContext& context) {
  fs::path file = DiagnosisDatabaseFile(workplace.program_folder);
  {
    // Also refuses a missing or broken database before a copy is made.
    Database database = Database::Open(file);
    RecordSet codes = database.Query("select ICDcode from ICD10");
    codes.First();
    if (codes.Eof()) {
      // DX rebuilt from nothing would be an empty pick list.
      return Refused(run, context, "資料表ICD10沒有任何代碼,DX未變更:" + PathToUtf8(file));
    }
  }
  if (!Confirmed(context.ShowMessage(kIcd10ToDxQuestion, MessageKind::kWarning,
                                     MessageButtons::kOkCancel))) {
    return StepResult::kStopped;
  }
  run.backup = KeepCopy(file, workplace.now, context);
  Database database = Database::Open(file);
  run.rows = FillDxFromIcd10(database, workplace.now, context);
  context.ShowMessage("轉檔完成\n備份檔: " + PathToUtf8(run.backup.filename()));
  return StepResult::kDone;
}

StepResult MergeOtherDiagnosisList(DiagnosisToolRun& run, const Workplace& workplace,
                                   StepContext& context) {
  std::optional<fs::path> file =
      ChooseToolFile(workplace, context, {"選取ICD10的MDB檔", "", "ICD10的MDB檔|*.MDB"});
  if (!file) return StepResult::kStopped;
  Database database = OpenDiagnosisDatabase(workplace.program_folder);
  // A private folder for the copy of another database, removed with what it holds.
  const ScratchFolder scratch = ScratchFolder::InTemporaryFolder("zuvo-dx-merge-");
  Database other = OpenOtherDiagnosisDatabase(*file, scratch.path());
  run.rows = MergeDx(database, other, workplace.now, context);
  if (run.rows == 0) {
    // MergeDx changed nothing: there was nothing to merge.
    return Refused(run, context, "它檔DX沒有任何有短診斷名的資料,DX未變更:" + PathToUtf8(*file));
  }
  context.ShowMessage("轉檔完成");
  return StepResult::kDone;
}

StepResult ImportIcd10PcsWorkbook(DiagnosisToolRun& run, const Workplace& workplace,
                                  StepContext& context) {
  return ReplaceFromWorkbook(
      run, workplace, context,
      {"選取ICD-10-PCS的EXCEL檔", kPcsWorkbookName, "ICD-10-PCS的EXCEL檔|*.xls"},
      PcsWorkbookRules());
}

StepResult ImportPcsOrderMapping(DiagnosisToolRun& run, const Workplace& workplace,
                                 StepContext& context) {
  std::optional<fs::path> text =
      ChooseToolFile(workplace, context,
                     {"選取ICD-10-PCS代碼與醫令對應檔", kPcsMappingName, "ICD-10-PCS對應檔|*.txt"});
  if (!text) return StepResult::kStopped;
  return ReplaceTable(
      run, workplace, context,
      [&](Database& database) { return ReadPcsMapping(database, *text, context); },
      [&](Database& database, const PcsMappingRows& read) {
        run.rows = WritePcsMapping(database, read.rows, context);
        return StepResult::kDone;
      });
}

StepResult ApplyChronicDiagnosisRanges(DiagnosisToolRun&, const Workplace& workplace,
                                       StepContext& context) {
  Database database = OpenDiagnosisDatabase(workplace.program_folder);
  return ApplyChronicRanges(database, context);
}

}  // namespace zuvo
