#pragma once

// An exclusive lock held through a lock file, between processes. The operating system releases
// the lock when its holder ends in any way (also a kill or a crash), so a lock file left behind
// by a killed process is taken over at once; the file only tells who holds it now.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zuvo {

class FileLock {
 public:
  // Takes the lock of `file` (created when missing, its folder must exist) and writes
  // "pid <process id>: <holder>" into it. Empty when another holder has it (another process, or
  // another FileLock of this process); `held_by` then receives that holder's line. Throws Error
  // naming the file when it cannot be created or opened.
  static std::optional<FileLock> TryAcquire(const std::filesystem::path& file,
                                            std::string_view holder,
                                            std::string* held_by = nullptr);

  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  // Empties the file and releases the lock. The file stays, so that no second process can lock
  // a file that is being removed.
  ~FileLock();

  const std::filesystem::path& file() const { return file_; }

 private:
  FileLock(std::filesystem::path file, intptr_t handle) : file_(std::move(file)), handle_(handle) {}
  void Release();

  std::filesystem::path file_;
  intptr_t handle_ = -1;
};

}  // namespace zuvo
