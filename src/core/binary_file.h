#pragma once

// Checked binary file access for the Zuvo stores. Every failure (a file that cannot be opened, a
// short read, a failed write) throws Error naming the file; nothing is retried or swallowed.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/positioned_file.h"

namespace zuvo {

// Bytes that a reader may look at by position: a file or a buffer in memory. Readers check every
// position against size() before they read, so damaged lengths and offsets never read out of
// bounds.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Reads exactly `length` bytes at `offset`; throws Error when they are not all there.
  virtual void ReadAt(uint64_t offset, size_t length, char* destination) = 0;
  // A name for messages (the file path).
  virtual std::string name() const = 0;
  std::string ReadString(uint64_t offset, size_t length) {
    std::string bytes(length, '\0');
    ReadAt(offset, length, bytes.data());
    return bytes;
  }
};

class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view bytes, std::string name = "memory")
      : bytes_(bytes), name_(std::move(name)) {}
  uint64_t size() const override { return bytes_.size(); }
  void ReadAt(uint64_t offset, size_t length, char* destination) override;
  std::string name() const override { return name_; }

 private:
  std::string_view bytes_;
  std::string name_;
};

// Reads `source` through a window of `window` bytes, for walking a file front to back in small
// reads: one read of the source per window instead of one per block.
class WindowedSource : public ByteSource {
 public:
  WindowedSource(ByteSource& source, size_t window) : source_(source), window_size_(window) {}
  uint64_t size() const override { return source_.size(); }
  void ReadAt(uint64_t offset, size_t length, char* destination) override;
  std::string name() const override { return source_.name(); }

 private:
  ByteSource& source_;
  size_t window_size_;
  std::string window_;
  uint64_t window_offset_ = 0;
};

// An open file, read and written at positions (no stream position, see PositionedFile). Small
// reads go through a window so that walking small blocks costs few system calls; writes keep
// the window current. Writes that continue one another are gathered and written together before
// a read of their bytes, a write elsewhere, Flush or Close.
class BinaryFile : public ByteSource {
 public:
  enum class Mode {
    kRead,         // existing file, read only
    kReadWrite,    // existing file, read and write
    kCreate,       // new empty file (an existing one is truncated), read and write
    kOpenOrCreate  // existing file, or a new empty one, read and write
  };
  BinaryFile(const std::filesystem::path& path, Mode mode);
  // Closes, writing gathered bytes; errors are not reported here (Close reports them).
  ~BinaryFile() override;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;

  uint64_t size() const override { return size_; }
  void ReadAt(uint64_t offset, size_t length, char* destination) override;
  std::string name() const override { return path_.string(); }
  const std::filesystem::path& path() const { return path_; }

  void WriteAt(uint64_t offset, std::string_view bytes);
  // Writes at the end of the file; returns the offset where the bytes begin.
  uint64_t Append(std::string_view bytes);
  // Hands gathered writes to the operating system; throws on failure (a full disk).
  void Flush();
  // Flushes and closes; throws on failure. The destructor closes without throwing.
  void Close();

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  // Reads straight from the file; throws when the bytes are not all there.
  void ReadFromFile(uint64_t offset, size_t length, char* destination);
  std::filesystem::path path_;
  PositionedFile file_;
  bool writable_;
  uint64_t size_ = 0;
  std::string window_;
  uint64_t window_offset_ = 0;
  std::string pending_;  // gathered writes, to go at pending_offset_
  uint64_t pending_offset_ = 0;
};

}  // namespace zuvo
