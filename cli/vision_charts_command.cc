// The Vision window's chart conversion button, run on a work tree made by `vision select`.
#include <iostream>

#include "app/program_folder.h"
#include "app/vision_work_tree.h"
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

// The window fields of a work tree made earlier, with the options of the command.
VisionChartInput InputOf(Invocation& invocation) {
  const std::optional<std::string> work_tree = invocation.args.Option("work-tree");
  if (!work_tree) throw UsageError("--work-tree is required");
  std::optional<fs::path> source;
  if (std::optional<std::string> given = invocation.args.Option("source")) {
    source = fs::absolute(PathFromUtf8(*given));
  }
  const VisionWorkTree tree =
      ReadVisionWorkTree(invocation.home, fs::absolute(PathFromUtf8(*work_tree)), source);
  VisionChartInput input;
  input.his = tree.fields.his;
  input.source_folder = tree.fields.source_folder;
  input.work_tree = tree.fields.work_tree;
  input.clinic_id = tree.fields.clinic_id;
  input.start_date = tree.fields.start_date;
  input.pharmacist_name = tree.fields.pharmacist_name;
  input.pharmacist_id = tree.fields.pharmacist_id;
  input.split_date = big5::FromUtf8(invocation.args.OptionOr("split-date", ""));
  const std::string mode = invocation.args.OptionOr("mode", "after");
  if (mode != "after" && mode != "before") throw UsageError("--mode must be after or before");
  input.mode = mode == "after" ? MakeDateMode::kOnAndAfter : MakeDateMode::kBefore;
  if (std::optional<std::string> start = invocation.args.Option("start-date")) {
    input.start_date = big5::FromUtf8(*start);
  }
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
