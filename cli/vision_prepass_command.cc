// zuvoconv vision step prepass: the Vision visit pre-pass on a work tree made by
// "vision select".
#include <iostream>

#include "app/dataedit_ini.h"
#include "app/program_folder.h"
#include "charts/vision_prepass.h"
#include "command.h"
#include "core/number_text.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_session.h"
#include "workspace/data_ini.h"

namespace zuvo::cli {
namespace {

namespace fs = std::filesystem;

// The window's fields for a work tree "<program folder>/VISW/<code>/<date>_1": the clinic code
// is the name of the folder above it, the opening date comes from the clinic's data.ini unless
// given, and the source folder is the one the folder choice remembered unless given.
VisionChartInput ChartInputArguments(Invocation& invocation) {
  Args& args = invocation.args;
  VisionChartInput input;
  std::optional<std::string> tree = args.Option("work-tree");
  if (!tree) throw UsageError("--work-tree WT is required");
  input.work_tree = fs::absolute(PathFromUtf8(*tree));
  if (!fs::is_directory(input.work_tree)) {
    throw UsageError("no work tree at " + PathToUtf8(input.work_tree));
  }
  fs::path clinic_folder = input.work_tree.parent_path();
  input.clinic_id = big5::FromUtf8(PathToUtf8(clinic_folder.filename()));
  input.his = big5::Literal("展望");
  if (std::optional<std::string> source = args.Option("source")) {
    input.source_folder = fs::absolute(PathFromUtf8(*source));
  } else {
    input.source_folder = DataEditIni(invocation.home).ReadLastVisionFolder();
    if (input.source_folder.empty()) throw UsageError("--source SRC is required");
  }
  input.split_date = args.OptionOr("split-date", "");
  std::string mode = args.OptionOr("mode", "after");
  if (mode == "after") {
    input.mode = MakeDateMode::kOnAndAfter;
  } else if (mode == "before") {
    input.mode = MakeDateMode::kBefore;
  } else {
    throw UsageError("--mode must be after or before");
  }
  std::optional<std::string> start = args.Option("start-date");
  input.start_date = start ? *start : ReadClinicStartSettings(clinic_folder).opening_date;
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
