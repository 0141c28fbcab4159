#include "terminal_session.h"

#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace zuvo::cli {

namespace {

bool IsTerminal(int descriptor) {
#ifdef _WIN32
  return _isatty(descriptor) != 0;
#else
  return isatty(descriptor) == 1;
#endif
}

// Single steps run from the command line show their completion messages.
RunFlags& WithStepMessages(RunFlags& flags) {
  flags.SetStepMessages(true);
  return flags;
}

}  // namespace

bool OnInteractiveTerminal() { return IsTerminal(0) && IsTerminal(2); }

TerminalSession::TerminalSession()
    : context_(WithStepMessages(flags_), TerminalStreams{std::cout, std::cerr, std::cin,
                                                         IsTerminal(2), OnInteractiveTerminal()}) {}

}  // namespace zuvo::cli
