#pragma once

// A finding block (tag 16) as chart text, the form in which a merged entry keeps it:
// "name=" + name + "^time=" + time + "^area=" + area + "^note=" + note + "^plusminus=" + the
// plus-minus character + "^code=" + the code in decimal; texts trimmed, all Big5.

#include <string>

#include "core/chart_records.h"

namespace zuvo {

std::string FindingText(const FindingRecord& finding);

}  // namespace zuvo
