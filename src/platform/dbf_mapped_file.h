#pragma once

// Read-only view of a whole file for the dBase adapter: memory-mapped where the system offers
// it, so that a table of a few hundred megabytes costs no copy and records are sliced straight
// from the file's bytes.

#include <filesystem>
#include <string_view>

namespace zuvo {

class DbfMappedFile {
 public:
  DbfMappedFile() = default;
  // Maps `file`. Throws Error naming the file when it cannot be opened or read.
  explicit DbfMappedFile(const std::filesystem::path& file);
  ~DbfMappedFile();
  DbfMappedFile(DbfMappedFile&& other) noexcept;
  DbfMappedFile& operator=(DbfMappedFile&& other) noexcept;
  DbfMappedFile(const DbfMappedFile&) = delete;
  DbfMappedFile& operator=(const DbfMappedFile&) = delete;

  // The file's bytes; valid while this object lives. Empty for an empty file.
  std::string_view bytes() const { return {data_, size_}; }

 private:
  void Release() noexcept;

  const char* data_ = nullptr;
  size_t size_ = 0;
  bool mapped_ = false;  // false: data_ was allocated with new[] (no mapping available)
};

}  // namespace zuvo
