#pragma once

// The chart text of a RealSun visit: up to three complaint texts (DESC1–DESC3), each wrapped as
// "<CC><name>" + text + "</name></CC>", without the marks RealSun appends to them.

#include <string>
#include <string_view>

namespace zuvo {

struct RealSunVisitRow;

// Big5. Empty when no text is left.
std::string RealSunChartText(const RealSunVisitRow& row);

// DESC2 without a trailing " Y" and then without a last blank-separated word "0", "50", "100",
// "150" or "200" (the registration fee RealSun writes there).
std::string WithoutFeeMarks(std::string_view desc2);
// DESC3 without a last item (after a blank or comma) that is one of the health-card order codes.
std::string WithoutCardOrderCode(std::string_view desc3);

}  // namespace zuvo
