#include "step_meter.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "bench_timing.h"

namespace zuvo::bench {
namespace {

namespace fs = std::filesystem;

// The bytes this process has handed to write(), pwrite(), sendfile() and their kin so far.
uintmax_t WrittenBytes() {
  std::ifstream io("/proc/self/io");
  for (std::string line; std::getline(io, line);) {
    if (line.rfind("wchar:", 0) == 0) return std::stoull(line.substr(6));
  }
  return 0;
}

void WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t done = write(descriptor, bytes.data(), bytes.size());
    if (done <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(done));
  }
}

// The watcher process: watches `folders` and the folders made in them, until a byte (or the end)
// arrives on `stop`; then sends 'c' (complete) or 'l' (events lost) and the paths of the files
// opened, each ended by a zero byte, on `result`.
[[noreturn]] void Watch(const std::vector<fs::path>& folders, int stop, int result) {
  const int inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  bool lost = inotify < 0;
  std::unordered_map<int, fs::path> folder_of;
  std::unordered_set<std::string> opened;
  std::function<void(const fs::path&)> add = [&](const fs::path& folder) {
    const int watch =
        inotify_add_watch(inotify, folder.c_str(), IN_OPEN | IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
    if (watch < 0) {
      if (errno != ENOENT && errno != ENOTDIR) lost = true;  // not merely gone again
      return;
    }
    folder_of[watch] = folder;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      if (entry.is_directory(error) && !entry.is_symlink(error)) add(entry.path());
    }
  };
  for (const fs::path& folder : folders) add(folder);
  WriteAll(result, "r");

  alignas(inotify_event) char buffer[1 << 16];
  const auto drain = [&] {
    for (ssize_t got; (got = read(inotify, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        if (event->mask & IN_Q_OVERFLOW) lost = true;
        const auto folder = folder_of.find(event->wd);
        if (event->len == 0 || folder == folder_of.end()) continue;
        const fs::path path = folder->second / event->name;
        if (event->mask & IN_ISDIR) {
          if (event->mask & (IN_CREATE | IN_MOVED_TO)) add(path);
        } else if (event->mask & IN_OPEN) {
          opened.insert(path.string());
        }
      }
    }
  };
  // The meter writes its stop byte whatever happened here, so the watcher waits for it in any case
  // (a watcher gone before would leave the meter writing into a pipe nobody reads).
  pollfd waits[2] = {{inotify, POLLIN, 0}, {stop, POLLIN, 0}};
  for (;;) {
    if (poll(waits, 2, -1) < 0) {
      if (errno == EINTR) continue;
      lost = true;
      char byte;
      (void)!read(stop, &byte, 1);
      break;
    }
    drain();
    if (waits[1].revents != 0) break;
  }
  drain();
  std::string reply(1, lost ? 'l' : 'c');
  for (const std::string& path : opened) reply.append(path).push_back('\0');
  WriteAll(result, reply);
  _exit(0);
}

}  // namespace

uintmax_t StepFigures::read_bytes() const {
  uintmax_t bytes = 0;
  for (const auto& [path, size] : read) bytes += size;
  return bytes;
}

FileSizes FilesUnder(const std::vector<fs::path>& folders) {
  FileSizes files;
  for (const fs::path& folder : folders) {
    std::error_code error;
    for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
      if (entry->is_regular_file(error)) files[entry->path()] = entry->file_size(error);
    }
  }
  return files;
}

StepFigures InSequence(const std::vector<StepFigures>& steps, const FileSizes& at_start) {
  StepFigures all;
  for (const StepFigures& step : steps) {
    all.cpu_seconds += step.cpu_seconds;
    all.peak_kb = std::max(all.peak_kb, step.peak_kb);
    all.written_bytes += step.written_bytes;
    all.files_complete = all.files_complete && step.files_complete;
    for (const auto& [path, size] : step.read) {
      if (const auto before = at_start.find(path); before != at_start.end()) {
        all.read.insert(*before);
      }
    }
  }
  return all;
}

StepMeter::StepMeter(std::vector<fs::path> watched) {
  for (fs::path& folder : watched) folder = folder.lexically_normal();
  before_ = FilesUnder(watched);
  int stop[2], result[2];
  if (pipe(stop) != 0) throw std::runtime_error("no pipe for the file watcher");
  if (pipe(result) != 0) {
    close(stop[0]);
    close(stop[1]);
    throw std::runtime_error("no pipe for the file watcher");
  }
  std::fflush(nullptr);
  watcher_ = fork();
  if (watcher_ == 0) {
    close(stop[1]);
    close(result[0]);
    Watch(watched, stop[0], result[1]);
  }
  close(stop[0]);
  close(result[1]);
  stop_fd_ = stop[1];
  result_fd_ = result[0];
  char ready = 0;
  if (watcher_ < 0 || read(result_fd_, &ready, 1) != 1 || ready != 'r') {
    close(stop_fd_);
    close(result_fd_);
    if (watcher_ > 0) waitpid(watcher_, nullptr, 0);
    throw std::runtime_error("the file watcher did not start");
  }
  TakePeakKilobytes();
  written_start_ = WrittenBytes();
  cpu_start_ = CpuSeconds();
}

StepMeter::~StepMeter() {
  if (stop_fd_ >= 0) close(stop_fd_);
  if (result_fd_ >= 0) close(result_fd_);
  if (watcher_ > 0) waitpid(watcher_, nullptr, 0);
}

StepFigures StepMeter::Stop() {
  StepFigures figures;
  figures.cpu_seconds = CpuSeconds() - cpu_start_;
  figures.written_bytes = WrittenBytes() - written_start_;
  figures.peak_kb = TakePeakKilobytes();

  WriteAll(stop_fd_, "s");
  std::string reply;
  char buffer[1 << 16];
  for (ssize_t got; (got = read(result_fd_, buffer, sizeof buffer)) > 0;) {
    reply.append(buffer, static_cast<size_t>(got));
  }
  close(stop_fd_);
  close(result_fd_);
  stop_fd_ = result_fd_ = -1;
  waitpid(watcher_, nullptr, 0);
  watcher_ = -1;

  figures.files_complete = !reply.empty() && reply[0] == 'c';
  for (size_t at = 1; at < reply.size();) {
    const size_t end = reply.find('\0', at);
    const fs::path path = reply.substr(at, end - at);
    if (const auto before = before_.find(path); before != before_.end()) {
      figures.read.insert(*before);
    }
    at = end == std::string::npos ? reply.size() : end + 1;
  }
  return figures;
}

}  // namespace zuvo::bench
