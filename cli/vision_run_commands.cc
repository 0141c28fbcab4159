// The Vision one-shot run from a source folder, and the screening step on a work tree.
#include <iostream>

#include "app/program_folder.h"
#include "app/vision_one_shot.h"
#include "app/vision_work_tree.h"
#include "app/workplace_setup.h"
#include "command.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "postprocess/screening.h"
#include "step_output.h"
#include "terminal_session.h"

namespace zuvo::cli {
namespace {

int ChoiceArgument(Invocation& invocation, const std::string& name,
                   std::initializer_list<const char*> words) {
  std::optional<std::string> value = invocation.args.Option(name);
  if (!value) return 0;
  int index = 0;
  for (const char* word : words) {
    if (*value == word) return index;
    ++index;
  }
  throw UsageError("--" + name + " has no value " + *value);
}

int IntegerArgument(Invocation& invocation, const std::string& name, int fallback, int low,
                    int high) {
  std::optional<std::string> value = invocation.args.Option(name);
  if (!value) return fallback;
  try {
    size_t used = 0;
    int number = std::stoi(*value, &used);
    if (used == value->size() && number >= low && number <= high) return number;
  } catch (const std::exception&) {
  }
  throw UsageError("--" + name + " must be a whole number from " + std::to_string(low) + " to " +
                   std::to_string(high));
}

int RunVisionRun(Invocation& invocation) {
  VisionRunFields fields;
  fields.split_date = big5::FromUtf8(invocation.args.OptionOr("split-date", "1070101"));
  fields.folder.pharmacist_name = big5::FromUtf8(invocation.args.OptionOr("pharmacist", ""));
  fields.folder.pharmacist_id = big5::FromUtf8(invocation.args.OptionOr("pharmacist-id", ""));
  fields.folder.start_date = big5::FromUtf8(invocation.args.OptionOr("start-date", ""));
  fields.chart_file_size = IntegerArgument(invocation, "file-size", 6, 1, 12);
  fields.name_type = ChoiceArgument(invocation, "name-type", {"source", "original"});
  fields.remark_mode = ChoiceArgument(invocation, "remark-mode", {"full", "note"});
  std::filesystem::path source =
      std::filesystem::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, "SRC")));
  invocation.args.Finish(1);

  InstallDeliveredFiles(invocation.home);
  TerminalSession session;
  session.context().SetFolderAnswer(source);
  StepResult chosen =
      SelectVisionFolder(fields.folder, CurrentWorkplace(invocation.home), session.context());
  if (chosen != StepResult::kDone) return ExitStatusOf(chosen);
  PrintWorkTree(std::cout, fields.folder.work_tree);
  VisionRunOutcome outcome =
      CVISWallClick(fields, VisionPipelineSteps(invocation.home), session.context());
  if (!outcome.report.empty()) std::cout << "report: " << PathToUtf8(outcome.report) << '\n';
  return outcome.completed ? kExitOk : kExitStopped;
}

int RunVisionScreen(Invocation& invocation) {
  std::optional<std::string> work_tree_text = invocation.args.Option("work-tree");
  std::optional<std::string> clinic = invocation.args.Option("clinic-id");
  invocation.args.Finish(0);
  if (!work_tree_text) throw UsageError("--work-tree is required");
  std::filesystem::path work_tree = std::filesystem::absolute(PathFromUtf8(*work_tree_text));
  std::string clinic_id = clinic ? big5::FromUtf8(*clinic) : WorkTreeClinicCode(work_tree);
  TerminalSession session;
  ScreeningOutcome outcome = CscreenMXDXClick(work_tree, clinic_id, Now(), session.context());
  if (!outcome.screened) return kExitStopped;
  std::cout << "entries counted: " << outcome.entries
            << "\ncommon diagnoses: " << outcome.common_diagnoses
            << "\ncommon orders: " << outcome.common_orders << '\n';
  return kExitOk;
}

ZUVO_COMMAND("vision run",
             "SRC [--split-date D] [--pharmacist NAME --pharmacist-id ID] [--start-date D] "
             "[--file-size N] [--name-type source|original] [--remark-mode full|note]",
             "choose the Vision folder SRC and run the whole conversion into a new work tree",
             RunVisionRun);
ZUVO_COMMAND("vision step screen", "--work-tree WT [--clinic-id CODE]",
             "mark the diagnoses and orders used most in the last two years as common",
             RunVisionScreen);

}  // namespace
}  // namespace zuvo::cli
