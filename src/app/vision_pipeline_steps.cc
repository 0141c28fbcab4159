// The engine calls behind the one-shot run's steps.
#include "app/vision_one_shot.h"
#include "platform/error.h"
#include "postprocess/screening.h"

namespace zuvo {
namespace {

// A step whose engine function is not part of this build: the run ends with an error naming
// it rather than skipping it, so that no incomplete conversion passes for a finished one.
std::function<StepResult(VisionRunFields&, StepContext&)> Missing(std::string_view caption) {
  return [caption](VisionRunFields&, StepContext&) -> StepResult {
    throw Error(std::string(caption) + ": 這個步驟尚未納入本程式");
  };
}

}  // namespace

std::vector<VisionStep> VisionPipelineSteps() {
  return {
      {VisionStepId::kCatalogue, "製作診所及醫令資料", Missing("製作診所及醫令資料")},
      {VisionStepId::kPatients, "製作病人資料", Missing("製作病人資料")},
      {VisionStepId::kPrepass, "製作主訴,轉診,醫令連結檔", Missing("製作主訴,轉診,醫令連結檔")},
      {VisionStepId::kCharts, "製作Zuvo病歷檔", Missing("製作Zuvo病歷檔")},
      {VisionStepId::kScreening, "篩選常用診斷及醫令",
       [](VisionRunFields& fields, StepContext& context) {
         return CscreenMXDXClick(fields.folder.work_tree, fields.folder.clinic_id, context).screened
                    ? StepResult::kDone
                    : StepResult::kStopped;
       }},
  };
}

}  // namespace zuvo
