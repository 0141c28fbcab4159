#pragma once

// A source system's conversion as a table: its steps in order, each with its button, check
// boxes, command-line word and engine call on the shared run fields. The window's step buttons,
// the one-shot run and the command line's "<system> run" and "<system> step <word>" are all
// built from it; a new source system is a new table and its engine steps.

#include <functional>
#include <string_view>
#include <vector>

#include "app/run_fields.h"
#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"
#include "workspace/source_system.h"

namespace zuvo {

// The run fields a step reads beyond the clinic fields; the command line has one option for
// each (a window has one box).
enum class RunOption {
  kSplitDate,
  kMode,
  kStartDate,
  kFileSize,
  kPharmacist,
  kNameType,
  kRemarkMode
};

// The engine call of a step: reads and fills `fields`, dated and clocked by `place`.
using StepCall =
    std::function<StepResult(RunFields& fields, const Workplace& place, StepContext& context)>;

struct PipelineStep {
  std::string_view word;     // the command line's "<system> step <word>"
  std::string_view caption;  // the button's caption (UTF-8)
  std::string_view button;   // the button's object name
  // Ticked when the step has run to its end; the first is the step's own, beside its button.
  std::vector<std::string_view> check_boxes;
  std::vector<RunOption> options;
  std::string_view summary;  // one line of the command line's help
  StepCall run;
};

// The one-shot run's closing box, the same for every system.
inline constexpr std::string_view kOneShotDoneUtf8 = "Zuvo病歷資料製作完成";

struct Pipeline {
  SourceSystem system;
  std::string_view word;  // "vision"
  // Shown when the HIS field names another system; the one-shot run then does nothing.
  std::string_view wrong_system_message;
  std::string_view completion;          // the one-shot run's closing box
  std::string_view default_split_date;  // the split-date box's text when the window opens
  // What the one-shot run settles before its first step (the Vision run takes a blank
  // pharmacist for prescriptions filled outside; the RealSun run a blank split date for the mode
  // "before" and its work tree); may be empty.
  std::function<void(RunFields&, const Workplace&, StepContext&)> prepare_run;
  // The folder choice: recognises the system in the folder the context chooses and makes the
  // clinic's new work tree.
  StepCall select;
  std::vector<PipelineStep> steps;
  // Steps that only their own button (and "<system> step <word>") runs, after the others: the
  // one-shot run leaves them out.
  std::vector<PipelineStep> separate_steps;

  // The step of `word` (of either list), or nullptr.
  const PipelineStep* Find(std::string_view word) const;
};

}  // namespace zuvo
