#pragma once

// The Vision pipeline: the Vision window's steps in their order, and the handlers of their
// buttons over the shared run fields (each a thin wrapper of its engine step).

#include "app/pipeline.h"

namespace zuvo {

inline constexpr std::string_view kVisionDefaultSplitDate = "1070101";
// The command-line word of the lab import, the one separate step.
inline constexpr std::string_view kLabImportStepWord = "labs";

const Pipeline& VisionPipeline();

// "製作診所及醫令資料": BuildVisionClinicAndOrders.
StepResult CmakeMXClick(RunFields& fields, const Workplace& place, StepContext& context);
// "製作病人資料": ConvertVisionPatients.
StepResult CcreateAntClick(RunFields& fields, const Workplace& place, StepContext& context);
// "製作主訴,轉診,醫令連結檔": PrepareVisionVisits.
StepResult CVISWreadChartClick(RunFields& fields, const Workplace& place, StepContext& context);
// "製作Zuvo病歷檔": ConvertVisionCharts.
StepResult CVISWdoCorvixChartClick(RunFields& fields, const Workplace& place, StepContext& context);
// "篩選常用診斷及醫令": ScreenVisionWorkTree; kStopped when there was no day index to count.
StepResult CscreenMXDXClick(RunFields& fields, const Workplace& place, StepContext& context);
// "轉入檢驗值": ImportVisionLabValues; not part of the one-shot run.
StepResult ClabInputClick(RunFields& fields, const Workplace& place, StepContext& context);

}  // namespace zuvo
