#pragma once

#include <functional>
#include <string>

namespace zuvo {

// Adds one line (UTF-8) to the message list of the running step.
using ReportLine = std::function<void(const std::string& utf8_line)>;

}  // namespace zuvo
