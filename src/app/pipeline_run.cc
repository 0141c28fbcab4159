#include "app/pipeline_run.h"

#include <exception>
#include <optional>

#include "app/conversion_report.h"
#include "core/clock_text.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "workspace/conversion_guard.h"
#include "workspace/folder_choice.h"
#include "workspace/source_system_check.h"

namespace zuvo {
namespace {

// Takes the clinic's lock and records the run in the work tree, when there is a work tree to
// record in.
void TakeGuard(std::optional<ConversionGuard>& guard, const Pipeline& pipeline,
               const PipelineStep* step, const RunFields& fields, const Workplace& place) {
  if (!fields.folder.work_tree.empty()) {
    guard.emplace(fields.folder.work_tree, ActivityName(pipeline, step), pipeline.system,
                  fields.chart, place.clock);
  }
}

Workplace StepPlace(const Workplace& run_place) {
  Workplace place = run_place;
  place.now = place.clock();
  return place;
}

}  // namespace

std::string ActivityName(const Pipeline& pipeline, const PipelineStep* step) {
  std::string name(pipeline.word);
  if (step == nullptr) return name + " run";
  return name + " step " + std::string(step->word);
}

namespace {

// The one-shot run into `outcome`, so that a caller that catches a step's error still has what
// the run did up to it.
void RunSteps(const Pipeline& pipeline, RunFields& fields, const Workplace& place,
              StepContext& context, const StepDone& step_done, RunOutcome& outcome) {
  // The refusals below are part of what the run showed, although no report is written for them.
  ReportingStepContext reporting(context);
  if (!CheckSourceSystem(pipeline.system, fields.folder, pipeline.wrong_system_message,
                         reporting) ||
      !AcceptSourceFolder(fields.folder.source_folder, place.program_folder, reporting)) {
    outcome.messages = reporting.entries();
    return;
  }
  if (pipeline.prepare_run) pipeline.prepare_run(fields, place, context);
  const DateTime started = place.clock();
  context.Flags().SetStepMessages(false);
  context.Flags().SetStopRequested(false);
  std::optional<ConversionGuard> guard;
  TakeGuard(guard, pipeline, nullptr, fields, place);

  const std::string title = "一次性轉換 (" + std::string(SourceSystemName(pipeline.system)) + "): ";
  auto write_report = [&](const std::string& status) {
    if (fields.folder.work_tree.empty()) return;
    outcome.report =
        WriteConversionReport(fields.folder.work_tree, title + status, reporting.entries(), started,
                              ElapsedText(started, place.clock()));
  };
  try {
    for (const PipelineStep& step : pipeline.steps) {
      if (context.StopRequested()) break;
      outcome.last_step = step.caption;
      reporting.ForgetProgress();
      StepResult result = step.run(fields, StepPlace(place), reporting);
      outcome.counts.push_back({step.caption, reporting.last_total(), reporting.last_done()});
      if (result != StepResult::kDone || context.StopRequested()) break;
      outcome.steps_done.push_back(step.word);
      if (step_done) step_done(step);
    }
  } catch (const std::exception& error) {
    // The window shows the error in a box; the report keeps it with the lines before it. A
    // report that cannot be written (a full disk) must not hide the step's own error.
    outcome.messages = reporting.entries();
    try {
      write_report("錯誤,後面的步驟沒有執行: " + std::string(error.what()));
    } catch (const std::exception& report_error) {
      throw Error(std::string(error.what()) + " (轉檔報告也無法寫入: " + report_error.what() + ")");
    }
    throw;
  }
  outcome.completed = outcome.steps_done.size() == pipeline.steps.size();
  outcome.end = outcome.completed ? RunEnd::kCompleted : RunEnd::kStopped;
  if (outcome.completed) {
    outcome.elapsed = "耗時:" + ElapsedText(started, place.clock());
    context.SetElapsedLabel(outcome.elapsed);
    reporting.ShowMessage(pipeline.completion, MessageKind::kInformation, MessageButtons::kOk);
    context.Flags().SetStepMessages(true);
  }
  write_report(!outcome.completed                    ? "已停止"
               : fields.skipped_claim_months.empty() ? "完成"
                                                     : "完成,但有申報檔月份略過");
  if (guard) guard->Finish(outcome.completed, fields.chart);
  outcome.messages = reporting.entries();
}

// Ends `outcome` as failed with the error `work` threw.
void CatchFailure(RunOutcome& outcome, const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& error) {
    outcome.completed = false;
    outcome.end = RunEnd::kFailed;
    outcome.error = error.what();
  }
}

}  // namespace

RunOutcome RunOneShot(const Pipeline& pipeline, RunFields& fields, const Workplace& place,
                      StepContext& context, const StepDone& step_done) {
  RunOutcome outcome;
  RunSteps(pipeline, fields, place, context, step_done, outcome);
  return outcome;
}

RunOutcome RunOneShotToEnd(const Pipeline& pipeline, RunFields& fields, const Workplace& place,
                           StepContext& context, const StepDone& step_done) {
  RunOutcome outcome;
  CatchFailure(outcome, [&] { RunSteps(pipeline, fields, place, context, step_done, outcome); });
  return outcome;
}

RunOutcome RunSingleStepToEnd(const Pipeline& pipeline, const PipelineStep& step, RunFields& fields,
                              const Workplace& place, StepContext& context,
                              const StepDone& step_done) {
  RunOutcome outcome;
  outcome.last_step = step.caption;
  ReportingStepContext reporting(context);
  CatchFailure(outcome, [&] {
    StepResult result = RunSingleStep(pipeline, step, fields, place, reporting, step_done);
    outcome.completed = result == StepResult::kDone && !context.StopRequested();
    outcome.end = outcome.completed ? RunEnd::kCompleted : RunEnd::kStopped;
    if (outcome.completed) outcome.steps_done.push_back(step.word);
  });
  outcome.counts.push_back({step.caption, reporting.last_total(), reporting.last_done()});
  outcome.messages = reporting.entries();
  return outcome;
}

StepResult RunSingleStep(const Pipeline& pipeline, const PipelineStep& step, RunFields& fields,
                         const Workplace& place, StepContext& context, const StepDone& step_done) {
  context.Flags().SetStopRequested(false);
  std::optional<ConversionGuard> guard;
  // A step of another system's clinic refuses with its own message and writes nothing: no lock
  // and no record in that clinic's work tree.
  if (IsClinicOf(pipeline.system, fields.folder)) {
    if (!AcceptSourceFolder(fields.folder.source_folder, place.program_folder, context)) {
      return StepResult::kStopped;
    }
    TakeGuard(guard, pipeline, &step, fields, place);
  }
  StepResult result = step.run(fields, place, context);
  const bool done = result == StepResult::kDone && !context.StopRequested();
  if (guard) guard->Finish(done, fields.chart);
  if (result == StepResult::kDone && step_done) step_done(step);
  return result;
}

}  // namespace zuvo
