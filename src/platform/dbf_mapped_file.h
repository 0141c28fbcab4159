#pragma once

// Read-only view of a whole file for the dBase adapter: memory-mapped where the system offers
// it, so that a table of a few hundred megabytes costs no copy and records are sliced straight
// from the file's bytes.

#include <filesystem>
#include <string_view>

namespace zuvo {

// How a mapped file will be read: start to end (all pages are read in at once), or here and
// there (pages are read in when touched).
enum class MappedAccess { kSequential, kScattered };

class DbfMappedFile {
 public:
  DbfMappedFile() = default;
  // Maps `file`. Throws Error naming the file when it cannot be opened or read.
  explicit DbfMappedFile(const std::filesystem::path& file,
                         MappedAccess access = MappedAccess::kSequential);
  ~DbfMappedFile();
  DbfMappedFile(DbfMappedFile&& other) noexcept;
  DbfMappedFile& operator=(DbfMappedFile&& other) noexcept;
  DbfMappedFile(const DbfMappedFile&) = delete;
  DbfMappedFile& operator=(const DbfMappedFile&) = delete;

  // The file's bytes; valid while this object lives. Empty for an empty file.
  std::string_view bytes() const { return {data_, size_}; }

  // Lets the system drop the mapped pages from this process's resident set; they are read back
  // (from the page cache, as a rule) when touched again. A long pass over a large file calls it
  // now and then, so that the whole file does not stay resident. Nothing for a copied file.
  void ReleaseResidentPages() const noexcept;

 private:
  void Release() noexcept;

  const char* data_ = nullptr;
  size_t size_ = 0;
  bool mapped_ = false;  // false: data_ was allocated with new[] (no mapping available)
};

}  // namespace zuvo
