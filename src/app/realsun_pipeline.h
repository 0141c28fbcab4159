#pragma once

// The RealSun pipeline: the RealSun page's steps in their order, and the handlers of their
// buttons over the shared run fields (each a thin wrapper of its engine step).

#include "app/pipeline.h"

namespace zuvo {

inline constexpr std::string_view kRealSunDefaultSplitDate = "1060101";
inline constexpr std::string_view kRealSunWrongSystemUtf8 = "請先選取正確耀聖來源目錄";

const Pipeline& RealSunPipeline();

// "選取耀聖目錄": SelectRealSunFolder with the page's mode.
StepResult CRSselectPathClick(RunFields& fields, const Workplace& place, StepContext& context);
// "製作病人資料": ConvertRealSunPatients.
StepResult CRScreateAntClick(RunFields& fields, const Workplace& place, StepContext& context);
// The option group "製作方式" clicked: the work tree of the mode (ChangeRealSunMakeDateMode).
StepResult CmakeDateModeClick(RunFields& fields, const Workplace& place, StepContext& context);

}  // namespace zuvo
