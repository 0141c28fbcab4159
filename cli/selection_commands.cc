// The folder choices of the Vision window, the RealSun page and the HIS search page, with the
// source folder given as the argument instead of the dialog.
#include <iostream>

#include "app/program_folder.h"
#include "app/workplace_setup.h"
#include "command.h"
#include "run_options.h"
#include "step_output.h"
#include "terminal_session.h"
#include "workspace/his_selection.h"
#include "workspace/path_text.h"
#include "workspace/realsun_selection.h"
#include "workspace/vision_selection.h"

namespace zuvo::cli {
namespace {

std::filesystem::path SourceArgument(Invocation& invocation) {
  return std::filesystem::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, "SRC")));
}

int RunVisionSelect(Invocation& invocation) {
  ClinicFolderFields fields;
  fields.same_day_tree = SameDayTreeOption(invocation.args);
  std::filesystem::path source = SourceArgument(invocation);
  invocation.args.Finish(1);
  InstallDeliveredFiles(invocation.home);
  TerminalSession session;
  session.context().SetFolderAnswer(source);
  StepResult result =
      SelectVisionFolder(fields, CurrentWorkplace(invocation.home), session.context());
  return PrintClinicResult(std::cout, fields, result);
}

MakeDateMode ModeArgument(Invocation& invocation) {
  std::string mode = invocation.args.OptionOr("mode", "after");
  if (mode == "after") return MakeDateMode::kOnAndAfter;
  if (mode == "before") return MakeDateMode::kBefore;
  throw UsageError("--mode must be after or before");
}

int RunRealSunSelect(Invocation& invocation) {
  RealSunFolderFields fields;
  fields.mode = ModeArgument(invocation);
  fields.same_day_tree = SameDayTreeOption(invocation.args);
  std::filesystem::path source = SourceArgument(invocation);
  invocation.args.Finish(1);
  InstallDeliveredFiles(invocation.home);
  TerminalSession session;
  session.context().SetFolderAnswer(source);
  StepResult result =
      SelectRealSunFolder(fields, CurrentWorkplace(invocation.home), session.context());
  return PrintClinicResult(std::cout, fields, result);
}

int PrintHisResult(const HisFolderFields& fields, StepResult result) {
  std::cout << "source folder: " << PathToUtf8(fields.source_folder) << '\n';
  PrintBig5Field(std::cout, "system", fields.system_name);
  PrintBig5Field(std::cout, "clinic name", fields.clinic_name);
  PrintBig5Field(std::cout, "clinic code", fields.clinic_id);
  if (result == StepResult::kDone && !fields.work_tree.empty()) {
    PrintWorkTree(std::cout, fields.work_tree);
  }
  return ExitStatusOf(result);
}

int RunHisSelect(Invocation& invocation) {
  std::filesystem::path source = SourceArgument(invocation);
  invocation.args.Finish(1);
  InstallDeliveredFiles(invocation.home);
  TerminalSession session;
  session.context().SetFolderAnswer(source);
  HisFolderFields fields;
  StepResult result = SelectHisFolder(fields, CurrentWorkplace(invocation.home), session.context());
  return PrintHisResult(fields, result);
}

int RunHisSearch(Invocation& invocation) {
  invocation.args.Finish(0);
  InstallDeliveredFiles(invocation.home);
  TerminalSession session;
  HisFolderFields fields;
  StepResult result = SearchHisSystem(fields, CurrentWorkplace(invocation.home), session.context());
  return PrintHisResult(fields, result);
}

ZUVO_COMMAND(
    "vision select", std::string("SRC ") + kReplaceUsage,
    std::string("recognise the Vision system in SRC and make the clinic's new work tree (") +
        kReplaceSummary + ")",
    RunVisionSelect);
ZUVO_COMMAND("realsun select", std::string("SRC [--mode after|before] ") + kReplaceUsage,
             std::string("recognise the RealSun system in SRC and make the work tree of the split "
                         "mode (") +
                 kReplaceSummary + ")",
             RunRealSunSelect);
const bool realsun_select_help =
    RegisterOptionsHelp("realsun select", OptionsHelp({RunOption::kMode}, ""));
ZUVO_COMMAND("his select", "SRC",
             "recognise any known clinic system in SRC and prepare its folders", RunHisSelect);
ZUVO_COMMAND("his search", "",
             "search the drive folders of DataEdit.ini [Workbench] for an installed clinic system",
             RunHisSearch);

}  // namespace
}  // namespace zuvo::cli
