#pragma once

namespace zuvo {

// A step either runs to its end or stops on a message box before anything further is written.
enum class StepResult { kDone, kStopped };

}  // namespace zuvo
