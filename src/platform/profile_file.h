#pragma once

// Windows profile (INI) files with Windows semantics: section and key names compare without
// regard to ASCII letter case (Big5 bytes exactly), file order is kept, the first of duplicate
// keys wins, values are raw Big5 bytes with surrounding blanks removed and one pair of enclosing
// quotes stripped. A missing file reads as empty.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

class ProfileFile {
 public:
  // Loads `file` if it exists. Throws Error naming the file when it exists but cannot be read.
  explicit ProfileFile(std::filesystem::path file);

  const std::filesystem::path& path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback = {}) const;
  // The value read as a decimal integer (Windows GetPrivateProfileInt); `fallback` when the key
  // is missing or its value does not start with a number.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  std::vector<std::string> KeyNames(std::string_view section) const;
  // The section as "key=value" lines in file order.
  std::vector<std::string> SectionLines(std::string_view section) const;
  std::vector<std::string> SectionNames() const;
  bool HasSection(std::string_view section) const;

  // Changes are written to the file before the call returns (as Windows does), replacing it
  // atomically; inside a Batch they are written once when the batch ends.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view key);

  // Groups many changes into one write of the file.
  class Batch {
   public:
    explicit Batch(ProfileFile& file);
    ~Batch() noexcept(false);
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    ProfileFile& file_;
  };

 private:
  void Save();
  std::filesystem::path path_;
  std::vector<std::string> lines_;  // the file's lines without line ends
  int batch_depth_ = 0;
  bool dirty_ = false;
};

// One-shot reads and writes, each opening and closing the file.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback = {});
void WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);
// Windows' GetPrivateProfileString with a buffer of `buffer_chars` characters: a longer value
// is cut to buffer_chars - 1 bytes.
std::string ReadProfileStringLimited(const std::filesystem::path& file, std::string_view section,
                                     std::string_view key, size_t buffer_chars);

}  // namespace zuvo
