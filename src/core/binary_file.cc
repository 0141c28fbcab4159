#include "core/binary_file.h"

#include <algorithm>
#include <cstring>

#include "platform/error.h"

namespace zuvo {
namespace {

// One entry or a few blocks; a chain walk reads little more than the entries it visits.
constexpr size_t kReadWindow = 8 * 1024;
// A read this large wants its own bytes, not their neighbours: it goes straight to the file.
constexpr size_t kDirectRead = 1024;
// Writes that continue one another are gathered up to this much: a chart store is written in
// entries of one or two kilobytes.
constexpr size_t kGatherLimit = 32 * 1024;

PositionedFile::Opening OpeningOf(BinaryFile::Mode mode) {
  switch (mode) {
    case BinaryFile::Mode::kRead:
      return PositionedFile::Opening::kReadOnly;
    case BinaryFile::Mode::kReadWrite:
      return PositionedFile::Opening::kExisting;
    case BinaryFile::Mode::kCreate:
      return PositionedFile::Opening::kCreate;
    case BinaryFile::Mode::kOpenOrCreate:
      return PositionedFile::Opening::kOpenOrCreate;
  }
  return PositionedFile::Opening::kReadOnly;
}

[[noreturn]] void FailPastEnd(const std::string& name, uint64_t offset, size_t length,
                              uint64_t size, std::string_view what) {
  throw Error(name + ": read of " + std::to_string(length) + " bytes at " + std::to_string(offset) +
              " passes the end" + std::string(what) + " (" + std::to_string(size) + " bytes)");
}

bool Within(uint64_t offset, size_t length, uint64_t start, size_t size) {
  return offset >= start && offset - start <= size && length <= size - (offset - start);
}

}  // namespace

void MemoryByteSource::ReadAt(uint64_t offset, size_t length, char* destination) {
  if (offset > bytes_.size() || length > bytes_.size() - offset) {
    FailPastEnd(name_, offset, length, bytes_.size(), "");
  }
  std::memcpy(destination, bytes_.data() + offset, length);
}

void WindowedSource::ReadAt(uint64_t offset, size_t length, char* destination) {
  if (Within(offset, length, window_offset_, window_.size())) {
    std::memcpy(destination, window_.data() + (offset - window_offset_), length);
    return;
  }
  const uint64_t size = source_.size();
  if (length > window_size_ || offset > size || length > size - offset) {
    source_.ReadAt(offset, length, destination);  // throws past the end
    return;
  }
  window_offset_ = offset;
  window_.resize(static_cast<size_t>(std::min<uint64_t>(window_size_, size - offset)));
  source_.ReadAt(offset, window_.size(), window_.data());
  std::memcpy(destination, window_.data(), length);
}

BinaryFile::BinaryFile(const std::filesystem::path& path, Mode mode)
    : path_(path),
      file_(path, OpeningOf(mode)),
      writable_(mode != Mode::kRead),
      size_(file_.Size()) {}

BinaryFile::~BinaryFile() {
  try {
    Flush();
  } catch (const Error&) {
    // Close reports a failed write; a file let go without it keeps what could be written.
  }
}

void BinaryFile::Fail(const std::string& what) const { throw Error(what + " " + path_.string()); }

void BinaryFile::ReadFromFile(uint64_t offset, size_t length, char* destination) {
  if (!pending_.empty() && offset < pending_offset_ + pending_.size() &&
      pending_offset_ < offset + length) {
    Flush();
  }
  if (file_.ReadAt(offset, length, destination) != length) Fail("short read in");
}

void BinaryFile::ReadAt(uint64_t offset, size_t length, char* destination) {
  if (offset > size_ || length > size_ - offset) {
    FailPastEnd(path_.string(), offset, length, size_, " of the file");
  }
  if (Within(offset, length, window_offset_, window_.size())) {
    std::memcpy(destination, window_.data() + (offset - window_offset_), length);
    return;
  }
  if (length >= kDirectRead) {
    ReadFromFile(offset, length, destination);
    return;
  }
  window_.resize(static_cast<size_t>(std::min<uint64_t>(kReadWindow, size_ - offset)));
  window_offset_ = offset;
  try {
    ReadFromFile(offset, window_.size(), window_.data());
  } catch (const Error&) {
    window_.clear();
    throw;
  }
  std::memcpy(destination, window_.data(), length);
}

void BinaryFile::WriteAt(uint64_t offset, std::string_view bytes) {
  if (!writable_) throw Error("cannot write " + path_.string() + ": opened for reading only");
  if (bytes.empty()) return;
  // The window keeps showing the file as written.
  const uint64_t window_end = window_offset_ + window_.size();
  const uint64_t end = offset + bytes.size();
  if (offset < window_end && window_offset_ < end) {
    const uint64_t from = std::max(offset, window_offset_);
    const uint64_t to = std::min(end, window_end);
    std::memcpy(window_.data() + (from - window_offset_), bytes.data() + (from - offset),
                static_cast<size_t>(to - from));
  }
  if (!pending_.empty() && offset == pending_offset_ + pending_.size() &&
      pending_.size() + bytes.size() <= kGatherLimit) {
    pending_.append(bytes);
  } else {
    Flush();
    if (bytes.size() < kGatherLimit) {
      pending_.assign(bytes);
      pending_offset_ = offset;
    } else {
      file_.WriteAt(offset, bytes);
    }
  }
  size_ = std::max(size_, end);
}

uint64_t BinaryFile::Append(std::string_view bytes) {
  uint64_t start = size_;
  WriteAt(start, bytes);
  return start;
}

void BinaryFile::Flush() {
  if (pending_.empty()) return;
  // Written or not, the bytes are handed over once: a failed write is not tried again.
  struct Forget {
    std::string& bytes;
    ~Forget() { bytes.clear(); }
  } forget{pending_};
  file_.WriteAt(pending_offset_, pending_);
}

void BinaryFile::Close() {
  if (!file_.is_open()) return;
  try {
    Flush();
  } catch (const Error&) {
    try {
      file_.Close();
    } catch (const Error&) {
      // The failed write is the one to report.
    }
    throw;
  }
  file_.Close();
}

}  // namespace zuvo
