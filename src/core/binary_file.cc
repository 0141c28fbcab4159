#include "core/binary_file.h"

#include <cerrno>
#include <cstring>

#include "platform/error.h"

namespace zuvo {
namespace {

// One entry or a few blocks; a chain walk reads little more than the entries it visits.
constexpr size_t kReadWindow = 8 * 1024;
// Small enough to stay in the processor's cache between our copy and the kernel's: a 1 MB
// buffer made writing a chart store three times slower.
constexpr size_t kStreamBuffer = 32 * 1024;

const char* OpenModeText(BinaryFile::Mode mode) {
  switch (mode) {
    case BinaryFile::Mode::kRead:
      return "rb";
    case BinaryFile::Mode::kReadWrite:
    case BinaryFile::Mode::kOpenOrCreate:
      return "r+b";
    case BinaryFile::Mode::kCreate:
      return "w+b";
  }
  return "rb";
}

}  // namespace

void MemoryByteSource::ReadAt(uint64_t offset, size_t length, char* destination) {
  if (offset > bytes_.size() || length > bytes_.size() - offset) {
    throw Error(name_ + ": read of " + std::to_string(length) + " bytes at " +
                std::to_string(offset) + " passes the end (" + std::to_string(bytes_.size()) +
                " bytes)");
  }
  std::memcpy(destination, bytes_.data() + offset, length);
}

BinaryFile::BinaryFile(const std::filesystem::path& path, Mode mode) : path_(path) {
  const char* open_mode = OpenModeText(mode);
  if (mode == Mode::kOpenOrCreate && !std::filesystem::exists(path)) open_mode = "w+b";
  file_ = std::fopen(path.c_str(), open_mode);
  if (file_ == nullptr) Fail("cannot open");
  if (mode == Mode::kRead) {
    // Reads go through the window; a stream buffer would only copy them twice.
    std::setvbuf(file_, nullptr, _IONBF, 0);
  } else if (mode == Mode::kCreate) {
    // New files are written front to back in many small pieces (chart entries).
    stream_buffer_ = std::make_unique_for_overwrite<char[]>(kStreamBuffer);
    std::setvbuf(file_, stream_buffer_.get(), _IOFBF, kStreamBuffer);
  }
  if (std::fseek(file_, 0, SEEK_END) != 0) Fail("cannot seek in");
  long end = std::ftell(file_);
  if (end < 0) Fail("cannot tell the size of");
  size_ = static_cast<uint64_t>(end);
  position_ = size_;
}

BinaryFile::~BinaryFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void BinaryFile::Fail(const std::string& what) const {
  int error = errno;
  throw Error(what + " " + path_.string() +
              (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
}

void BinaryFile::Seek(uint64_t offset, bool for_write) {
  // The C streams need a seek between a write and a read in either order.
  if (offset == position_ && for_write == last_was_write_) return;
  errno = 0;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) Fail("cannot seek in");
  position_ = offset;
  last_was_write_ = for_write;
}

void BinaryFile::ReadAt(uint64_t offset, size_t length, char* destination) {
  if (offset > size_ || length > size_ - offset) {
    throw Error(path_.string() + ": read of " + std::to_string(length) + " bytes at " +
                std::to_string(offset) + " passes the end of the file (" + std::to_string(size_) +
                " bytes)");
  }
  if (offset >= window_offset_ && offset + length <= window_offset_ + window_.size()) {
    std::memcpy(destination, window_.data() + (offset - window_offset_), length);
    return;
  }
  if (length > kReadWindow) {
    Seek(offset, false);
    errno = 0;
    if (std::fread(destination, 1, length, file_) != length) Fail("short read in");
    position_ += length;
    return;
  }
  window_offset_ = offset;
  window_.resize(static_cast<size_t>(std::min<uint64_t>(kReadWindow, size_ - offset)));
  Seek(offset, false);
  errno = 0;
  if (std::fread(window_.data(), 1, window_.size(), file_) != window_.size()) {
    window_.clear();
    Fail("short read in");
  }
  position_ += window_.size();
  std::memcpy(destination, window_.data(), length);
}

void BinaryFile::WriteAt(uint64_t offset, std::string_view bytes) {
  window_.clear();
  Seek(offset, true);
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) Fail("cannot write");
  position_ += bytes.size();
  size_ = std::max(size_, position_);
}

uint64_t BinaryFile::Append(std::string_view bytes) {
  uint64_t start = size_;
  WriteAt(start, bytes);
  return start;
}

void BinaryFile::Flush() {
  errno = 0;
  if (std::fflush(file_) != 0) Fail("cannot write");
}

void BinaryFile::Close() {
  if (file_ == nullptr) return;
  std::FILE* file = file_;
  file_ = nullptr;
  errno = 0;
  bool flushed = std::fflush(file) == 0;
  bool closed = std::fclose(file) == 0;
  if (!flushed || !closed) Fail("cannot write");
}

}  // namespace zuvo
