// "<system> run" and "<system> step <word>" for every step of each pipeline, built from its
// table.
#include <iostream>

#include "app/pipeline_run.h"
#include "app/program_folder.h"
#include "app/realsun_pipeline.h"
#include "app/vision_pipeline.h"
#include "app/work_tree_selection.h"
#include "app/workplace_setup.h"
#include "command.h"
#include "platform/file_ops.h"
#include "run_options.h"
#include "step_output.h"
#include "terminal_session.h"

namespace zuvo::cli {
namespace {

namespace fs = std::filesystem;

// The doctors' names a chart step could not find among the clinic's doctors.
void PrintUnknownDoctors(const RunFields& fields) {
  for (const std::string& doctor : fields.unknown_doctors) {
    PrintBig5Field(std::cout, "unknown doctor", doctor);
  }
}

// The fields a step filled that the operator reads off the window.
void PrintStepFields(const RunFields& fields) {
  PrintBig5Field(std::cout, "pharmacist name", fields.folder.pharmacist_name);
  PrintBig5Field(std::cout, "pharmacist id", fields.folder.pharmacist_id);
  PrintBig5Field(std::cout, "split date", fields.chart.split_date);
  PrintUnknownDoctors(fields);
}

// A run or step that completed but skipped claim months ends with status 1 so that a script
// notices; the work tree is complete and can be applied.
int SkippedMonthsStatus(const RunFields& fields, std::string_view activity, int status) {
  if (status != kExitOk || fields.skipped_claim_months.empty()) return status;
  std::cout.flush();
  std::cerr << "zuvoconv " << activity << ": some months were skipped (";
  for (size_t i = 0; i < fields.skipped_claim_months.size(); ++i) {
    std::cerr << (i > 0 ? ", " : "") << fields.skipped_claim_months[i];
  }
  std::cerr << "); the other months were corrected and the work tree can be applied\n";
  return kExitError;
}

int RunStep(const Pipeline& pipeline, const PipelineStep& step, Invocation& invocation) {
  std::optional<std::string> work_tree = invocation.args.Option("work-tree");
  if (!work_tree) throw UsageError("--work-tree is required");
  std::optional<fs::path> source;
  if (std::optional<std::string> given = invocation.args.Option("source")) {
    source = fs::absolute(PathFromUtf8(*given));
  }
  InstallDeliveredFiles(invocation.home);
  RunFields fields =
      ReadWorkTree(pipeline, invocation.home, fs::absolute(PathFromUtf8(*work_tree)), source);
  ReadRunOptions(invocation.args, step.options, fields);
  invocation.args.Finish(0);
  TerminalSession session;
  StepResult result =
      RunSingleStep(pipeline, step, fields, CurrentWorkplace(invocation.home), session.context());
  PrintStepFields(fields);
  if (result == StepResult::kDone) PrintWorkTree(std::cout, fields.folder.work_tree);
  return SkippedMonthsStatus(fields, ActivityName(pipeline, &step), ExitStatusOf(result));
}

int RunPipeline(const Pipeline& pipeline, Invocation& invocation) {
  RunFields fields;
  fields.chart.split_date = pipeline.default_split_date;
  ReadRunOptions(invocation.args, AllOptions(pipeline), fields);
  fields.folder.same_day_tree = SameDayTreeOption(invocation.args);
  fs::path source = fs::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, "SRC")));
  invocation.args.Finish(1);
  InstallDeliveredFiles(invocation.home);
  TerminalSession session;
  session.context().SetFolderAnswer(source);
  StepResult chosen = pipeline.select(fields, CurrentWorkplace(invocation.home), session.context());
  if (chosen != StepResult::kDone) return ExitStatusOf(chosen);
  // What the folder choice read from the clinic's settings gives way to what was asked for.
  ReadRunOptions(invocation.args, AllOptions(pipeline), fields);
  PrintWorkTree(std::cout, fields.folder.work_tree);
  std::cout.flush();  // the work tree is known before the run, even when the run is killed
  RunOutcome outcome =
      RunOneShot(pipeline, fields, CurrentWorkplace(invocation.home), session.context());
  PrintUnknownDoctors(fields);
  if (!outcome.report.empty()) std::cout << "report: " << PathToUtf8(outcome.report) << '\n';
  PrintWorkTree(std::cout, fields.folder.work_tree);
  return SkippedMonthsStatus(fields, ActivityName(pipeline, nullptr),
                             outcome.completed ? kExitOk : kExitStopped);
}

bool RegisterPipeline(const Pipeline& pipeline) {
  const std::string system(pipeline.word);
  RegisterCommand(
      {system + " run", "SRC " + OptionsUsage(AllOptions(pipeline)) + " " + kReplaceUsage,
       "choose the " + system + " folder SRC and run the whole conversion into a new work tree (" +
           kReplaceSummary + ")",
       [&pipeline](Invocation& invocation) { return RunPipeline(pipeline, invocation); }});
  for (const std::vector<PipelineStep>* steps : {&pipeline.steps, &pipeline.separate_steps}) {
    for (const PipelineStep& step : *steps) {
      std::string usage = "--work-tree WT [--source SRC]";
      if (!step.options.empty()) usage += " " + OptionsUsage(step.options);
      RegisterCommand({system + " step " + std::string(step.word), usage, std::string(step.summary),
                       [&pipeline, &step](Invocation& invocation) {
                         return RunStep(pipeline, step, invocation);
                       }});
    }
  }
  return true;
}

const bool registered_vision = RegisterPipeline(VisionPipeline());
const bool registered_realsun = RegisterPipeline(RealSunPipeline());

}  // namespace
}  // namespace zuvo::cli
