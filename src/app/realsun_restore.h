#pragma once

// "返還前二階段資料": the RealSun work tree back as the last patient step left it, from the
// snapshot that step took (program folder / RS / <code> / InitBak), so that the chart step can
// be run again.

#include <string_view>

#include "app/run_fields.h"
#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"

namespace zuvo {

inline constexpr std::string_view kInitBakFolderName = "InitBak";
inline constexpr std::string_view kRestoredUtf8 = "返還完成,可以直接[製作Zuvo病歷檔]";

// The page's button (handler CRSreturnInitClick) and `realsun restore`:
// - a HIS field other than "耀聖": "請先選取正確耀聖來源目錄", kStopped;
// - no snapshot folder: a box naming it, kStopped, the work tree as it was;
// - otherwise, holding the clinic's lock, the work tree is replaced as a whole by a copy of the
//   snapshot (made beside it and switched in, so that a failed copy leaves the work tree as it
//   was), and "返還完成,可以直接[製作Zuvo病歷檔]" is shown; kDone (the page then ticks the
//   catalogue and patient steps' boxes).
StepResult RestoreRealSunWorkTree(RunFields& fields, const Workplace& place, StepContext& context);

}  // namespace zuvo
