#pragma once

// Checked binary file access for the Zuvo stores. Every failure (a file that cannot be opened, a
// short read, a failed write) throws Error naming the file; nothing is retried or swallowed.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

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

// An open file. Reads go through a window buffer so that walking small blocks costs few system
// calls; writes invalidate the window.
class BinaryFile : public ByteSource {
 public:
  enum class Mode {
    kRead,         // existing file, read only
    kReadWrite,    // existing file, read and write
    kCreate,       // new empty file (an existing one is truncated), read and write
    kOpenOrCreate  // existing file, or a new empty one, read and write
  };
  BinaryFile(const std::filesystem::path& path, Mode mode);
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
  // Writes buffered bytes to the operating system; throws on failure (a full disk).
  void Flush();
  // Flushes and closes; throws on failure. The destructor closes without throwing.
  void Close();

 private:
  [[noreturn]] void Fail(const std::string& what) const;
  void Seek(uint64_t offset, bool for_write);
  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
  uint64_t position_ = UINT64_MAX;  // where the stream stands; unknown at first
  bool last_was_write_ = false;
  std::string window_;
  uint64_t window_offset_ = 0;
  std::unique_ptr<char[]> stream_buffer_;
};

}  // namespace zuvo
