#pragma once

// Every source system the workbench converts, as its pipeline table. The command line registers
// its commands from this list; a new source system is one more entry.

#include <vector>

#include "app/pipeline.h"

namespace zuvo {

// Vision, then RealSun.
const std::vector<const Pipeline*>& AllPipelines();

}  // namespace zuvo
