#include "platform/positioned_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/error.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zuvo {
namespace {

constexpr intptr_t kClosed = -1;

#ifdef _WIN32
HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
int LastError() { return static_cast<int>(GetLastError()); }
std::string ReasonOf(int error) { return std::system_category().message(error); }
OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}
// One call moves at most this much, well inside a DWORD.
constexpr size_t kLargestTransfer = size_t{1} << 30;
#else
int LastError() { return errno; }
std::string ReasonOf(int error) { return std::strerror(error); }
#endif

}  // namespace

PositionedFile::PositionedFile(const std::filesystem::path& path, Opening opening)
    : path_(path), handle_(kClosed) {
#ifdef _WIN32
  DWORD access = GENERIC_READ | (opening == Opening::kReadOnly ? 0 : GENERIC_WRITE);
  DWORD disposition = opening == Opening::kCreate         ? CREATE_ALWAYS
                      : opening == Opening::kOpenOrCreate ? OPEN_ALWAYS
                                                          : OPEN_EXISTING;
  HANDLE handle =
      CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) Fail("cannot open", LastError());
  handle_ = reinterpret_cast<intptr_t>(handle);
#else
  int flags = O_CLOEXEC;
  switch (opening) {
    case Opening::kReadOnly:
      flags |= O_RDONLY;
      break;
    case Opening::kExisting:
      flags |= O_RDWR;
      break;
    case Opening::kCreate:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
    case Opening::kOpenOrCreate:
      flags |= O_RDWR | O_CREAT;
      break;
  }
  int descriptor;
  do {
    descriptor = ::open(path.c_str(), flags, 0666);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) Fail("cannot open", LastError());
  handle_ = descriptor;
#endif
}

PositionedFile::~PositionedFile() {
  if (handle_ == kClosed) return;
#ifdef _WIN32
  CloseHandle(AsHandle(handle_));
#else
  ::close(static_cast<int>(handle_));
#endif
}

bool PositionedFile::is_open() const { return handle_ != kClosed; }

void PositionedFile::Fail(const std::string& what, int error) const {
  throw Error(what + " " + path_.string() + (error != 0 ? ": " + ReasonOf(error) : std::string()));
}

uint64_t PositionedFile::Size() const {
#ifdef _WIN32
  LARGE_INTEGER size;
  if (!GetFileSizeEx(AsHandle(handle_), &size)) Fail("cannot tell the size of", LastError());
  return static_cast<uint64_t>(size.QuadPart);
#else
  struct stat status;
  if (::fstat(static_cast<int>(handle_), &status) != 0) {
    Fail("cannot tell the size of", LastError());
  }
  return static_cast<uint64_t>(status.st_size);
#endif
}

size_t PositionedFile::ReadAt(uint64_t offset, size_t length, char* destination) const {
  size_t done = 0;
  while (done < length) {
#ifdef _WIN32
    OVERLAPPED at = At(offset + done);
    DWORD moved = 0;
    DWORD wanted = static_cast<DWORD>(std::min(length - done, kLargestTransfer));
    if (!ReadFile(AsHandle(handle_), destination + done, wanted, &moved, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      Fail("cannot read", LastError());
    }
#else
    ssize_t moved = ::pread(static_cast<int>(handle_), destination + done, length - done,
                            static_cast<off_t>(offset + done));
    if (moved < 0) {
      if (errno == EINTR) continue;
      Fail("cannot read", LastError());
    }
#endif
    if (moved == 0) break;
    done += static_cast<size_t>(moved);
  }
  return done;
}

void PositionedFile::WriteAt(uint64_t offset, std::string_view bytes) const {
  size_t done = 0;
  while (done < bytes.size()) {
#ifdef _WIN32
    OVERLAPPED at = At(offset + done);
    DWORD moved = 0;
    DWORD wanted = static_cast<DWORD>(std::min(bytes.size() - done, kLargestTransfer));
    if (!WriteFile(AsHandle(handle_), bytes.data() + done, wanted, &moved, &at)) {
      Fail("cannot write", LastError());
    }
#else
    ssize_t moved = ::pwrite(static_cast<int>(handle_), bytes.data() + done, bytes.size() - done,
                             static_cast<off_t>(offset + done));
    if (moved < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write", LastError());
    }
#endif
    if (moved == 0) Fail("cannot write", 0);
    done += static_cast<size_t>(moved);
  }
}

void PositionedFile::Close() {
  if (handle_ == kClosed) return;
  const intptr_t handle = handle_;
  handle_ = kClosed;
#ifdef _WIN32
  if (!CloseHandle(AsHandle(handle))) Fail("cannot write", LastError());
#else
  // After a failed close the descriptor is gone all the same; it is not closed again.
  if (::close(static_cast<int>(handle)) != 0 && errno != EINTR) Fail("cannot write", LastError());
#endif
}

}  // namespace zuvo
