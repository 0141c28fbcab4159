#pragma once

// Runs a piece of a benchmark in a child process, so that its memory peak and its page cache
// use are its own, and nothing an earlier piece allocated counts against it.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace zuvo::bench {

// Runs `work` in a child process; false when it failed (an exception is printed on stderr).
template <typename Work>
bool InChildProcess(Work work) {
  std::fflush(stdout);
  pid_t child = fork();
  if (child == 0) {
    try {
      work();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "%s\n", error.what());
      std::_Exit(1);
    }
    std::fflush(stdout);
    std::_Exit(0);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

}  // namespace zuvo::bench
