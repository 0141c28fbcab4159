#pragma once

// The RealSun pipeline: the RealSun page's steps in their order, and the handlers of their
// buttons over the shared run fields (each a thin wrapper of its engine step).

#include "app/pipeline.h"
#include "workspace/source_system_check.h"

namespace zuvo {

inline constexpr std::string_view kRealSunDefaultSplitDate = "1060101";

const Pipeline& RealSunPipeline();

// "選取耀聖目錄": SelectRealSunFolder with the page's mode.
StepResult CRSselectPathClick(RunFields& fields, const Workplace& place, StepContext& context);
// The catalogue and chart steps read the pharmacist and the opening date from data.ini
// [system]. Before either runs, what the page holds (or the command line gives) reaches it: a
// filled pharmacist replaces Pharmacistname and PharmacistID; a filled start date becomes
// 開業日期 when data.ini has none.
//
// "製作基本資料及OPD.MDB": BuildRealSunClinicAndOrders.
StepResult CRSmakeMXClick(RunFields& fields, const Workplace& place, StepContext& context);
// "製作病人資料": ConvertRealSunPatients.
StepResult CRScreateAntClick(RunFields& fields, const Workplace& place, StepContext& context);
// "製作Zuvo病歷檔": ConvertRealSunCharts; the doctors data.ini does not know go to
// `fields.unknown_doctors` (the page's CRSdrlist).
StepResult CRSdoCorvixChartClick(RunFields& fields, const Workplace& place, StepContext& context);
// "篩選常用診斷及醫令": ScreenRealSunWorkTree.
StepResult CRSscreenMXDXClick(RunFields& fields, const Workplace& place, StepContext& context);
// "用健保申報檔修正病歷": CorrectRealSunCharts (a blank split date comes back as tomorrow).
StepResult CRSfixbyINSUClick(RunFields& fields, const Workplace& place, StepContext& context);
// The option group "製作方式" clicked: the work tree of the mode (ChangeRealSunMakeDateMode).
StepResult CmakeDateModeClick(RunFields& fields, const Workplace& place, StepContext& context);

}  // namespace zuvo
