#pragma once

// Measures one step of a benchmark: its processor seconds (user + system), the resident set's
// high-water mark while it ran, the files it read and the bytes it wrote.
//
// The files read are the files under the watched folders that existed when the step began and
// that it opened (in any mode, mapped or read), each counted once with its size then. They are
// seen through inotify by a watcher process of the meter's own, so that watching costs the step
// no processor time. The bytes written are what the process handed to write() and its kin
// during the step (/proc/self/io), so that a file changed in place counts what was changed, not
// its whole size.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

namespace zuvo::bench {

struct StepFigures {
  double cpu_seconds = 0;
  long peak_kb = 0;
  std::map<std::filesystem::path, uintmax_t> read;  // file -> its size when the step began
  uintmax_t written_bytes = 0;
  bool files_complete = true;  // false when the watcher lost events (its queue overflowed)

  uintmax_t read_bytes() const;
};

using FileSizes = std::map<std::filesystem::path, uintmax_t>;

// The regular files under `folders` (recursively; missing folders are left out) with their sizes.
FileSizes FilesUnder(const std::vector<std::filesystem::path>& folders);

// The figures of steps run one after another, as one: processor seconds and bytes written added,
// the highest peak, and of the files read those in `at_start` (the files before the first step),
// with their size then.
StepFigures InSequence(const std::vector<StepFigures>& steps, const FileSizes& at_start);

class StepMeter {
 public:
  // Notes the files under `watched` (folders, recursively; missing ones are left out), starts
  // the watcher and waits until it watches them, then resets the resident set's high-water mark
  // and notes the processor time and the bytes written so far. Throws std::runtime_error when
  // the watcher cannot start.
  explicit StepMeter(std::vector<std::filesystem::path> watched);
  StepMeter(const StepMeter&) = delete;
  StepMeter& operator=(const StepMeter&) = delete;
  ~StepMeter();  // ends a watcher Stop was not called for

  // Reads the processor time, peak and bytes written first, then collects the watcher's files.
  // Call once.
  StepFigures Stop();

 private:
  double cpu_start_ = 0;
  uintmax_t written_start_ = 0;
  std::map<std::filesystem::path, uintmax_t> before_;  // FilesUnder the watched folders
  pid_t watcher_ = -1;
  int stop_fd_ = -1;    // the meter writes here to end the watch
  int result_fd_ = -1;  // the watcher's files come back here
};

}  // namespace zuvo::bench
