// The Vision patient step on a work tree made by "vision select".
#include <iostream>

#include "app/vision_work_tree.h"
#include "command.h"
#include "patients/vision_patients_step.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_session.h"

namespace zuvo::cli {
namespace {

namespace fs = std::filesystem;

RemarkMode RemarkModeArgument(Invocation& invocation) {
  std::string mode = invocation.args.OptionOr("remark-mode", "full");
  if (mode == "full") return RemarkMode::kFullPhraseAnalysis;
  if (mode == "note") return RemarkMode::kNotesOnly;
  throw UsageError("--remark-mode must be full or note");
}

int RunVisionPatients(Invocation& invocation) {
  std::optional<std::string> work_tree = invocation.args.Option("work-tree");
  if (!work_tree) throw UsageError("--work-tree is required");
  std::optional<std::string> source = invocation.args.Option("source");
  RemarkMode mode = RemarkModeArgument(invocation);
  invocation.args.Finish(0);

  std::optional<fs::path> source_folder;
  if (source) source_folder = fs::absolute(PathFromUtf8(*source));
  VisionWorkTree tree =
      ReadVisionWorkTree(invocation.home, fs::absolute(PathFromUtf8(*work_tree)), source_folder);
  VisionPatientsInput input = VisionPatientsInputOf(tree.fields, mode);
  TerminalSession session;
  StepResult result = ConvertVisionPatients(input, session.context());
  if (result == StepResult::kDone) PrintWorkTree(std::cout, input.work_tree);
  return ExitStatusOf(result);
}

ZUVO_COMMAND("vision step patients", "--work-tree WT [--source SRC] [--remark-mode full|note]",
             "convert the Vision patient table CO01M.DBF into the work tree's patient store",
             RunVisionPatients);

}  // namespace
}  // namespace zuvo::cli
