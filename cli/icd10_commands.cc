// zuvoconv icd10 …: the ICD-10 tools of the settings page on the program folder's diagnosis
// database, the files given as arguments instead of the dialogs.
#include <iostream>

#include "app/workplace_setup.h"
#include "command.h"
#include "diagnosis/icd10_tools.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_session.h"

namespace zuvo::cli {
namespace {

using Tool = StepResult (*)(DiagnosisToolRun&, const Workplace&, StepContext&);

// Runs `tool` in `session` and prints what it did.
int RunAndPrint(Tool tool, const Invocation& invocation, TerminalSession& session,
                std::string_view command, std::string_view rows_caption) {
  DiagnosisToolRun result;
  const StepResult ended = tool(result, CurrentWorkplace(invocation.home), session.context());
  if (ended != StepResult::kDone) {
    // A stopped tool changed nothing; a count here would read as the table's new size.
    std::cout.flush();
    std::cerr << "zuvoconv " << command << ": stopped"
              << (result.refusal.empty() ? "" : ": " + result.refusal) << "; nothing was changed\n";
    return ExitStatusOf(ended);
  }
  std::cout << rows_caption << ": " << result.rows << "\n";
  if (result.duplicates > 0) std::cout << "duplicates skipped: " << result.duplicates << "\n";
  if (!result.backup.empty()) std::cout << "backup: " << PathToUtf8(result.backup) << "\n";
  return ExitStatusOf(ended);
}

// A tool that reads the file named by the one argument.
int RunFileTool(Invocation& invocation, std::string_view command, const char* what, Tool tool,
                std::string_view rows_caption) {
  std::filesystem::path file =
      std::filesystem::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, what)));
  invocation.args.Finish(1);
  TerminalSession session;
  session.context().SetFileAnswer(file);
  return RunAndPrint(tool, invocation, session, command, rows_caption);
}

int RunImportCm(Invocation& invocation) {
  return RunFileTool(invocation, "icd10 import-cm", "FILE.xls", ImportIcd10CmWorkbook,
                     "ICD10 rows");
}

int RunToDx(Invocation& invocation) {
  bool yes = invocation.args.Flag("yes");
  invocation.args.Finish(0);
  if (!yes) {
    std::cerr << "zuvoconv icd10 to-dx rebuilds DX from ICD10 and discards every setting of the "
                 "diagnosis editor (groups, short names, departments, keywords, chronic marks); "
                 "a dated copy of ICD10CM.MDB is kept beside it. Give --yes to run it.\n";
    return kExitStopped;
  }
  TerminalSession session;
  return RunAndPrint(RebuildDiagnosisList, invocation, session, "icd10 to-dx", "DX rows");
}

int RunMergeDx(Invocation& invocation) {
  return RunFileTool(invocation, "icd10 merge-dx", "OTHER.MDB", MergeOtherDiagnosisList,
                     "other DX rows read");
}

int RunImportPcs(Invocation& invocation) {
  return RunFileTool(invocation, "icd10 import-pcs", "FILE.xls", ImportIcd10PcsWorkbook,
                     "ICD10PCS rows");
}

int RunImportPcsMap(Invocation& invocation) {
  return RunFileTool(invocation, "icd10 import-pcs-map", "FILE.txt", ImportPcsOrderMapping,
                     "PCS rows");
}

ZUVO_COMMAND("icd10 import-cm", "FILE.xls",
             "replace ICD10 of the program folder's ICD10CM.MDB with the NHI ICD-10-CM workbook "
             "(all or nothing)",
             RunImportCm);
ZUVO_COMMAND("icd10 to-dx", "--yes",
             "rebuild DX from ICD10 (leaf codes only), discarding the editor's settings; keeps a "
             "dated copy of ICD10CM.MDB",
             RunToDx);
ZUVO_COMMAND("icd10 merge-dx", "OTHER.MDB",
             "merge the DX rows with short names of another diagnosis database (table store file "
             "or Access .mdb) into this one",
             RunMergeDx);
ZUVO_COMMAND("icd10 import-pcs", "FILE.xls",
             "replace ICD10PCS with the NHI ICD-10-PCS workbook (all or nothing)", RunImportPcs);
ZUVO_COMMAND("icd10 import-pcs-map", "FILE.txt",
             "replace PCS with the ICD-10-PCS to NHI order code mapping text (Big5, tab between)",
             RunImportPcsMap);

}  // namespace
}  // namespace zuvo::cli
