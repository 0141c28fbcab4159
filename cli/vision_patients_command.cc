// The Vision patient step on a work tree made by "vision select".
#include <iostream>

#include "app/dataedit_ini.h"
#include "command.h"
#include "patients/vision_patients_step.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_session.h"
#include "workspace/source_system.h"

namespace zuvo::cli {
namespace {

namespace fs = std::filesystem;

RemarkMode RemarkModeArgument(Invocation& invocation) {
  std::string mode = invocation.args.OptionOr("remark-mode", "full");
  if (mode == "full") return RemarkMode::kFullPhraseAnalysis;
  if (mode == "note") return RemarkMode::kNotesOnly;
  throw UsageError("--remark-mode must be full or note");
}

fs::path WithoutTrailingSeparator(const fs::path& folder) {
  return folder.has_filename() ? folder : folder.parent_path();
}

// The window fields a work tree stands for: the clinic code is the name of the clinic folder
// above it, the source folder the one given or else the last Vision folder chosen, and the
// system the one recognised in that folder.
VisionPatientsInput InputOfWorkTree(const fs::path& home, const fs::path& work_tree,
                                    const std::optional<std::string>& source) {
  VisionPatientsInput input;
  input.work_tree = WithoutTrailingSeparator(work_tree);
  input.clinic_id = big5::FromUtf8(PathToUtf8(input.work_tree.parent_path().filename()));
  input.source_folder =
      source ? fs::absolute(PathFromUtf8(*source)) : DataEditIni(home).ReadLastVisionFolder();
  input.his = big5::FromUtf8(SourceSystemName(RecogniseSourceSystem(input.source_folder)));
  return input;
}

int RunVisionPatients(Invocation& invocation) {
  std::optional<std::string> work_tree = invocation.args.Option("work-tree");
  if (!work_tree) throw UsageError("--work-tree is required");
  std::optional<std::string> source = invocation.args.Option("source");
  RemarkMode mode = RemarkModeArgument(invocation);
  invocation.args.Finish(0);

  VisionPatientsInput input =
      InputOfWorkTree(invocation.home, fs::absolute(PathFromUtf8(*work_tree)), source);
  input.remark_mode = mode;
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
