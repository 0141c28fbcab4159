#include "app/vision_one_shot.h"

#include <exception>

#include "app/conversion_report.h"
#include "core/clock_text.h"
#include "platform/big5.h"
#include "workspace/realsun_selection.h"
#include "workspace/source_system.h"

namespace zuvo {

VisionRunOutcome CVISWallClick(VisionRunFields& fields, const std::vector<VisionStep>& steps,
                               StepContext& context, const std::function<DateTime()>& clock,
                               const std::function<void(VisionStepId)>& step_done) {
  VisionRunOutcome outcome;
  if (big5::Trim(fields.folder.his) != big5::Literal(SourceSystemName(SourceSystem::kVision))) {
    context.ShowMessage("請先正確選取原始系統目錄", MessageKind::kWarning);
    return outcome;
  }
  if (big5::Trim(fields.folder.pharmacist_name).empty()) {
    fields.folder.pharmacist_name = big5::Literal(kOutsidePharmacyName);
    fields.folder.pharmacist_id.clear();
  }
  const DateTime started = clock();
  context.Flags().SetStepMessages(false);
  context.Flags().SetStopRequested(false);

  ReportingStepContext reporting(context);
  auto write_report = [&](const std::string& status) {
    if (fields.folder.work_tree.empty()) return;
    outcome.report =
        WriteConversionReport(fields.folder.work_tree, "一次性轉換 (展望): " + std::string(status),
                              reporting.entries(), started, ElapsedText(started, clock()));
  };
  try {
    for (const VisionStep& step : steps) {
      if (context.StopRequested()) break;
      StepResult result = step.run(fields, reporting);
      if (result != StepResult::kDone || context.StopRequested()) break;
      outcome.steps_done.push_back(step.id);
      if (step_done) step_done(step.id);
    }
  } catch (const std::exception& error) {
    // The window shows the error in a box; the report keeps it with the lines before it.
    write_report("錯誤,後面的步驟沒有執行: " + std::string(error.what()));
    throw;
  }
  outcome.completed = outcome.steps_done.size() == steps.size();
  if (outcome.completed) {
    outcome.elapsed = "耗時:" + ElapsedText(started, clock());
    context.SetElapsedLabel(outcome.elapsed);
    reporting.ShowMessage(kVisionRunDoneUtf8, MessageKind::kInformation, MessageButtons::kOk);
    context.Flags().SetStepMessages(true);
  }
  write_report(outcome.completed ? "完成" : "已停止");
  outcome.messages = reporting.entries();
  return outcome;
}

}  // namespace zuvo
