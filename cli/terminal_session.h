#pragma once

// The run flags and terminal StepContext of one command.

#include "terminal_step_context.h"

namespace zuvo::cli {

class TerminalSession {
 public:
  TerminalSession();
  TerminalStepContext& context() { return context_; }
  RunFlags& flags() { return flags_; }

 private:
  RunFlags flags_;
  TerminalStepContext context_;
};

}  // namespace zuvo::cli
