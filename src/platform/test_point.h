#pragma once

// Named points inside long file operations at which a test can make the program die or fail,
// to prove that what an interrupted operation leaves behind is whole. The environment variable
// ZUVO_TEST_POINT names one point: "NAME" kills the process there (SIGKILL, as a power cut or
// the task manager would), "NAME:fail" throws Error there. Unset, a test point costs one
// environment look-up and does nothing.

#include <string_view>

namespace zuvo {

inline constexpr const char* kTestPointVariable = "ZUVO_TEST_POINT";

void TestPoint(std::string_view name);

}  // namespace zuvo
