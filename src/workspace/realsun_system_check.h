#pragma once

// The first check of every RealSun step: the page's HIS field must name RealSun.

#include <string_view>

#include "core/step_context.h"

namespace zuvo {

inline constexpr std::string_view kRealSunWrongSystemUtf8 = "請先選取正確耀聖來源目錄";

// True when `his` (Big5, blanks around it aside) reads "耀聖"; otherwise the warning box
// "請先選取正確耀聖來源目錄" is shown and false returned.
bool CheckRealSunSystem(std::string_view his, StepContext& context);

}  // namespace zuvo
