#pragma once

// The Vision window's one-shot run "一次性轉換": every Vision step in order (catalogue and
// clinic, patients, visit pre-pass, charts, screening of common items), silently, with the
// elapsed time and one completion box at the end, and a conversion report in the work tree.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/roc_date.h"
#include "core/step_context.h"
#include "workspace/vision_selection.h"

namespace zuvo {

// The Vision window's fields a run reads: the folder choice's fields and the options.
struct VisionRunFields {
  VisionFolderFields folder;
  std::string split_date = "1070101";  // CVISWsplitDate (Big5)
  int chart_file_size = 6;             // chart file size limit in millions of bytes
  int name_type = 0;                   // CSnameType: 0 the source's short names, 1 full names
  int remark_mode = 0;                 // CreMarkType: 0 phrase analysis, 1 all as note
};

enum class VisionStepId { kCatalogue, kPatients, kPrepass, kCharts, kScreening };

// One step of the run: which it is, its button caption (UTF-8), and the engine call.
struct VisionStep {
  VisionStepId id;
  std::string_view caption;
  // kStopped when the step refused to run or ended on a message box.
  std::function<StepResult(VisionRunFields&, StepContext&)> run;
};

// The steps of the Vision pipeline in their order, calling the engine's step functions with the
// program folder's delivered files and the clock that dates the run.
std::vector<VisionStep> VisionPipelineSteps(const std::filesystem::path& program_folder,
                                            std::function<DateTime()> clock = Now);

inline constexpr std::string_view kVisionRunDoneUtf8 = "Zuvo病歷資料製作完成";

struct VisionRunOutcome {
  bool completed = false;                // every step ran and the run was not stopped
  std::vector<VisionStepId> steps_done;  // steps that ran to their end (their boxes get ticked)
  std::string elapsed;                   // "耗時:hh:mm:ss" when completed
  std::filesystem::path report;          // the conversion report, when one was written
  std::vector<std::string> messages;     // the message lines and boxes of the run
};

// "一次性轉換":
// 1. a HIS field other than "展望": "請先正確選取原始系統目錄", nothing runs;
// 2. a blank pharmacist name becomes "釋出處方箋" and the pharmacist id is cleared;
// 3. clears StepMessages and StopRequested, notes the start on `clock`;
// 4. runs each step while StopRequested is still clear; a step that ends with StopRequested set
//    or returns kStopped does not count as done and no later step runs;
// 5. after the last step: "耗時:" + elapsed hh:mm:ss to the time label, the box
//    "Zuvo病歷資料製作完成", StepMessages set. A stopped run ends silently with StepMessages
//    clear.
// Every run that got past its precondition writes the conversion report into the work tree
// (when the window names one), also when a step throws; the error then goes on to the caller.
// `step_done` hears of each step as it finishes (the window ticks the step's check box).
VisionRunOutcome CVISWallClick(VisionRunFields& fields, const std::vector<VisionStep>& steps,
                               StepContext& context, const std::function<DateTime()>& clock = Now,
                               const std::function<void(VisionStepId)>& step_done = {});

}  // namespace zuvo
