#pragma once

// A file read and written at explicit byte positions (pread and pwrite; ReadFile and WriteFile
// with an offset on Windows): no stream position to move and no buffer of its own, so that a
// read after a write, or a write far from the last one, costs one system call. Failures throw
// Error naming the file and the system's reason.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zuvo {

class PositionedFile {
 public:
  enum class Opening {
    kReadOnly,      // an existing file, read only
    kExisting,      // an existing file, read and write
    kCreate,        // an empty file: a new one, or an existing one truncated
    kOpenOrCreate,  // an existing file, or a new empty one
  };
  // Throws Error "cannot open <path>: <reason>".
  PositionedFile(const std::filesystem::path& path, Opening opening);
  // Closes without throwing.
  ~PositionedFile();
  PositionedFile(const PositionedFile&) = delete;
  PositionedFile& operator=(const PositionedFile&) = delete;

  // The file's size now; throws Error when the system cannot tell it.
  uint64_t Size() const;
  // Reads up to `length` bytes at `offset` into `destination`; fewer only where the file ends.
  // Returns the bytes read. Throws Error "cannot read <path>: <reason>" on a failed read.
  size_t ReadAt(uint64_t offset, size_t length, char* destination) const;
  // Writes every byte at `offset` (beyond the end, the gap reads as zero bytes). Throws Error
  // "cannot write <path>: <reason>" when not all were written (a full disk, a read-only file).
  void WriteAt(uint64_t offset, std::string_view bytes) const;
  // Closes the file; throws Error "cannot write <path>: <reason>" when the system reports that
  // earlier writes failed. Nothing happens for a closed file.
  void Close();
  bool is_open() const;

 private:
  [[noreturn]] void Fail(const std::string& what, int error) const;
  std::filesystem::path path_;
  intptr_t handle_;
};

}  // namespace zuvo
