#pragma once

// The run flags and terminal StepContext of one command.

#include "terminal_step_context.h"

namespace zuvo::cli {

// True when both the standard input and the standard error are a terminal, so that a question
// can be asked and answered.
bool OnInteractiveTerminal();

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
