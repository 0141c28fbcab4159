// zuvoconv vision step prepass: the Vision visit pre-pass on a work tree made by
// "vision select".

#include "app/program_folder.h"
#include "app/vision_work_tree.h"
#include "charts/vision_prepass.h"
#include "command.h"
#include "core/number_text.h"
#include "core/roc_date.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_session.h"

namespace zuvo::cli {
namespace {

namespace fs = std::filesystem;

// The window's fields for a work tree made by the folder choice; the options stand for the
// fields the operator fills in before pressing the button.
VisionChartInput ChartInputArguments(Invocation& invocation) {
  Args& args = invocation.args;
  std::optional<std::string> tree = args.Option("work-tree");
  if (!tree) throw UsageError("--work-tree WT is required");
  std::optional<fs::path> source;
  if (std::optional<std::string> text = args.Option("source")) {
    source = fs::absolute(PathFromUtf8(*text));
  }
  VisionWorkTree recorded =
      ReadVisionWorkTree(invocation.home, fs::absolute(PathFromUtf8(*tree)), source);
  VisionChartInput input;
  input.his = recorded.fields.his;
  input.source_folder = recorded.fields.source_folder;
  input.work_tree = recorded.fields.work_tree;
  input.clinic_id = recorded.fields.clinic_id;
  input.start_date = recorded.fields.start_date;
  input.pharmacist_name = recorded.fields.pharmacist_name;
  input.pharmacist_id = recorded.fields.pharmacist_id;
  if (std::optional<std::string> start = args.Option("start-date")) input.start_date = *start;
  input.split_date = args.OptionOr("split-date", "");
  std::string mode = args.OptionOr("mode", "after");
  if (mode == "after") {
    input.mode = MakeDateMode::kOnAndAfter;
  } else if (mode == "before") {
    input.mode = MakeDateMode::kBefore;
  } else {
    throw UsageError("--mode must be after or before");
  }
  std::optional<int64_t> size = ParseInteger(args.OptionOr("file-size", "6"));
  if (!size || *size < 1 || *size > 12) throw UsageError("--file-size must be 1-12");
  input.file_size = static_cast<int>(*size);
  return input;
}

int RunVisionPrepass(Invocation& invocation) {
  VisionChartInput input = ChartInputArguments(invocation);
  invocation.args.Finish(0);
  InstallDeliveredFiles(invocation.home);
  TerminalSession session;
  VisionChartOutcome outcome;
  StepResult result =
      CVISWreadChartClick(input, invocation.home, Now(), session.context(), outcome);
  return ExitStatusOf(result);
}

ZUVO_COMMAND("vision step prepass",
             "--work-tree WT [--source SRC] [--split-date D] [--mode after|before] "
             "[--start-date D] [--file-size N]",
             "complaint, referral and order files of a Vision work tree", RunVisionPrepass);

}  // namespace
}  // namespace zuvo::cli
