#include "platform/file_lock.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/error.h"
#include "platform/file_ops.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace zuvo {
namespace {

constexpr size_t kHolderLineLimit = 512;

long ProcessId() {
#ifdef _WIN32
  return static_cast<long>(GetCurrentProcessId());
#else
  return static_cast<long>(::getpid());
#endif
}

#ifdef _WIN32
HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

intptr_t OpenLockFile(const std::filesystem::path& file) {
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    throw Error("cannot open the lock file " + PathToUtf8(file) + ": error " +
                std::to_string(GetLastError()));
  }
  return reinterpret_cast<intptr_t>(handle);
}

bool LockExclusively(intptr_t handle) {
  OVERLAPPED at = {};
  return LockFileEx(AsHandle(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &at) != 0;
}

void CloseLockFile(intptr_t handle) { CloseHandle(AsHandle(handle)); }

void ReplaceContent(intptr_t handle, std::string_view text) {
  SetFilePointer(AsHandle(handle), 0, nullptr, FILE_BEGIN);
  SetEndOfFile(AsHandle(handle));
  DWORD written = 0;
  WriteFile(AsHandle(handle), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
#else
intptr_t OpenLockFile(const std::filesystem::path& file) {
  int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (descriptor < 0) {
    throw Error("cannot open the lock file " + PathToUtf8(file) + ": " + std::strerror(errno));
  }
  return descriptor;
}

// flock() locks belong to one open file, so a second open of the same file in this process
// conflicts as another process's would.
bool LockExclusively(intptr_t handle) {
  while (::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

void CloseLockFile(intptr_t handle) { ::close(static_cast<int>(handle)); }

void ReplaceContent(intptr_t handle, std::string_view text) {
  int descriptor = static_cast<int>(handle);
  if (::ftruncate(descriptor, 0) != 0) return;  // the line is only informative
  if (::pwrite(descriptor, text.data(), text.size(), 0) < 0) return;
}
#endif

// The holder's line: the lock file is tiny, and a reader only shows it.
std::string ReadHolder(const std::filesystem::path& file) {
  try {
    std::string text = ReadWholeFile(file);
    if (text.size() > kHolderLineLimit) text.resize(kHolderLineLimit);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text.empty() ? "an unknown process" : text;
  } catch (const Error&) {
    return "an unknown process";
  }
}

}  // namespace

std::optional<FileLock> FileLock::TryAcquire(const std::filesystem::path& file,
                                             std::string_view holder, std::string* held_by) {
  intptr_t handle = OpenLockFile(file);
  if (!LockExclusively(handle)) {
    CloseLockFile(handle);
    if (held_by != nullptr) *held_by = ReadHolder(file);
    return std::nullopt;
  }
  ReplaceContent(handle, "pid " + std::to_string(ProcessId()) + ": " + std::string(holder) + "\n");
  return FileLock(file, handle);
}

FileLock::FileLock(FileLock&& other) noexcept
    : file_(std::move(other.file_)), handle_(std::exchange(other.handle_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    file_ = std::move(other.file_);
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

FileLock::~FileLock() { Release(); }

void FileLock::Release() {
  if (handle_ == -1) return;
  ReplaceContent(handle_, "");
  CloseLockFile(handle_);
  handle_ = -1;
}

}  // namespace zuvo
