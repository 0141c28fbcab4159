#pragma once

// Every source system the workbench converts, as its pipeline table. The command line registers
// its commands from this list and apply finds a work tree's system in it; a new source system is
// one more entry.

#include <vector>

#include "app/pipeline.h"

namespace zuvo {

// Vision, then RealSun.
const std::vector<const Pipeline*>& AllPipelines();

// The pipeline of `system`; nullptr for a system the workbench does not convert.
const Pipeline* PipelineOf(SourceSystem system);

}  // namespace zuvo
