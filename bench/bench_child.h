#pragma once

// Runs a measurement in a child process, so that its peak memory is its own and nothing an
// earlier measurement allocated counts against it.

#include <sys/wait.h>
#include <unistd.h>

#include <type_traits>

namespace zuvo::bench {

// `measure()` in a forked child; its result comes back through a pipe. A value-initialised
// result when the child fails to deliver one.
template <typename Result, typename Measure>
Result MeasureApart(Measure measure) {
  static_assert(std::is_trivially_copyable_v<Result>, "the result crosses a pipe as bytes");
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    const Result result = measure();
    const ssize_t written = write(pipe_ends[1], &result, sizeof result);
    _exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
  }
  close(pipe_ends[1]);
  Result result{};
  const ssize_t got = read(pipe_ends[0], &result, sizeof result);
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (got != static_cast<ssize_t>(sizeof result)) result = {};
  return result;
}

}  // namespace zuvo::bench
