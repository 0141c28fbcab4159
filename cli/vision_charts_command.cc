// The Vision window's chart conversion button, run on a work tree made by `vision select`.
#include <iostream>

#include "app/dataedit_ini.h"
#include "app/program_folder.h"
#include "app/workplace_setup.h"
#include "charts/vision_charts_step.h"
#include "command.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_session.h"

namespace zuvo::cli {
namespace {

namespace fs = std::filesystem;

// The window fields of a work tree: the clinic code is the name of its clinic folder
// (VISW/<code>/<date>_n), the source folder the one given or the last Vision folder chosen.
VisionChartInput InputOf(Invocation& invocation) {
  VisionChartInput input;
  input.his = big5::Literal("展望");
  fs::path work_tree = fs::absolute(PathFromUtf8(invocation.args.OptionOr("work-tree", "")));
  if (work_tree == fs::absolute("")) throw UsageError("--work-tree is required");
  input.work_tree = work_tree.lexically_normal();
  if (!input.work_tree.has_filename()) input.work_tree = input.work_tree.parent_path();
  input.clinic_id = big5::FromUtf8(PathToUtf8(input.work_tree.parent_path().filename()));
  if (std::optional<std::string> source = invocation.args.Option("source")) {
    input.source_folder = fs::absolute(PathFromUtf8(*source));
  } else {
    input.source_folder = DataEditIni(invocation.home).ReadLastVisionFolder();
  }
  input.split_date = big5::FromUtf8(invocation.args.OptionOr("split-date", ""));
  const std::string mode = invocation.args.OptionOr("mode", "after");
  if (mode != "after" && mode != "before") throw UsageError("--mode must be after or before");
  input.mode = mode == "after" ? MakeDateMode::kOnAndAfter : MakeDateMode::kBefore;
  input.start_date = big5::FromUtf8(invocation.args.OptionOr("start-date", ""));
  const std::string size = invocation.args.OptionOr("file-size", "6");
  try {
    input.file_size = std::stoi(size);
  } catch (const std::exception&) {
    input.file_size = 0;
  }
  if (input.file_size < 1 || input.file_size > 12) {
    throw UsageError("--file-size must be a number from 1 to 12");
  }
  invocation.args.Finish(0);
  return input;
}

int RunVisionCharts(Invocation& invocation) {
  VisionChartInput input = InputOf(invocation);
  InstallDeliveredFiles(invocation.home);
  TerminalSession session;
  VisionChartOutcome outcome;
  StepResult result =
      ConvertVisionCharts(input, outcome, CurrentWorkplace(invocation.home), session.context());
  PrintBig5Field(std::cout, "split date", input.split_date);
  return ExitStatusOf(result);
}

ZUVO_COMMAND("vision step charts",
             "--work-tree WT [--source SRC] [--split-date D] [--mode after|before] "
             "[--start-date D] [--file-size N]",
             "convert every visit of the Vision clinic into a fresh chart store of WT",
             RunVisionCharts);

}  // namespace
}  // namespace zuvo::cli
