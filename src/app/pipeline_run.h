#pragma once

// Running a pipeline's steps: the one-shot run, and one step pressed on its own. Both take the
// clinic's lock and record in the work tree how they ended (see ConversionGuard), so that two
// conversions of one clinic never run at once and apply takes only what finished.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/pipeline.h"

namespace zuvo {

// How a run or a step ended.
enum class RunEnd { kCompleted, kStopped, kFailed };

// What a step reported through its progress as it ended: the record count of the table it read
// last ("總筆數") and the records it had done of it ("目前處理筆數").
struct StepCount {
  std::string_view caption;  // the step's button caption
  long total = 0;
  long done = 0;
};

struct RunOutcome {
  bool completed = false;                    // every step ran and the run was not stopped
  RunEnd end = RunEnd::kStopped;             // kFailed only from the *ToEnd runs below
  std::string_view last_step;                // caption of the step that stopped or failed
  std::string error;                         // the failed step's error
  std::vector<StepCount> counts;             // of each step that ran, in order
  std::vector<std::string_view> steps_done;  // words of the steps that ran to their end
  std::string elapsed;                       // "耗時:hh:mm:ss" when completed
  std::filesystem::path report;              // the conversion report, when one was written
  std::vector<std::string> messages;         // the message lines and boxes of the run
};

// Hears of each step as it finishes (the window ticks its check boxes).
using StepDone = std::function<void(const PipelineStep&)>;

// The one-shot run "一次性轉換":
// 1. a HIS field other than the pipeline's system: its wrong-system message, nothing runs;
// 2. a source folder inside the program folder is refused (see AcceptSourceFolder);
//    the pipeline's own preparation of the fields;
// 3. clears StepMessages and StopRequested, notes the start on `place.clock`;
// 4. runs each step (dated by the clock as it starts) while StopRequested is still clear; a step
//    that ends with StopRequested set or returns kStopped does not count as done and no later
//    step runs;
// 5. after the last step: "耗時:" + elapsed hh:mm:ss to the time label, the completion box,
//    StepMessages set. A stopped run ends silently with StepMessages clear.
// Every run that got past its system check writes the conversion report into the work tree
// (when the window names one), also when a step throws; the step's error then goes on to the
// caller, first in its message.
RunOutcome RunOneShot(const Pipeline& pipeline, RunFields& fields, const Workplace& place,
                      StepContext& context, const StepDone& step_done = {});

// RunOneShot, except that a step's error ends the run as kFailed with the error and the step in
// the outcome instead of going on to the caller (the report is written all the same).
RunOutcome RunOneShotToEnd(const Pipeline& pipeline, RunFields& fields, const Workplace& place,
                           StepContext& context, const StepDone& step_done = {});

// One step on its own, as its button runs it: clears StopRequested (a stop pressed earlier ended
// that earlier step), then runs the step, dated `place.now`. When the HIS field names the
// pipeline's system, a source folder inside the program folder is refused, and with a work tree
// chosen the step holds the clinic's lock and records itself in the work tree. `step_done` hears of
// it when it ran to its end.
StepResult RunSingleStep(const Pipeline& pipeline, const PipelineStep& step, RunFields& fields,
                         const Workplace& place, StepContext& context,
                         const StepDone& step_done = {});

// RunSingleStep with its end, count and message lines in an outcome (no report is written); an
// error of the step ends it as kFailed instead of going on to the caller.
RunOutcome RunSingleStepToEnd(const Pipeline& pipeline, const PipelineStep& step, RunFields& fields,
                              const Workplace& place, StepContext& context,
                              const StepDone& step_done = {});

// The command line's and the record's name of a run or step: "vision run",
// "vision step charts".
std::string ActivityName(const Pipeline& pipeline, const PipelineStep* step);

}  // namespace zuvo
