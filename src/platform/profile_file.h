#pragma once

// Windows profile (INI) files with Windows semantics: section and key names compare without
// regard to ASCII letter case (Big5 bytes exactly), after blanks around them are removed; file
// order is kept; the first of duplicate sections and the first of duplicate keys are the ones
// read and written; values are raw Big5 bytes with surrounding blanks removed and one pair of
// enclosing double or single quotes stripped. Lines starting with ';' are comments; lines of a
// section without '=' are not read but kept. CR LF and LF line ends are read; new lines end in
// CR LF. A file that begins with a UTF-8 byte order mark is read as UTF-8 (its text converted to
// Big5) and written back in UTF-8. A missing file reads as empty.
//
// Every read sees the file as it is on disk now: when another object or program changed it, it
// is read again (changes made through this module are seen at once; changes by other programs as
// soon as the file's size or modification time differs). Every change reaches the file before
// the call returns; changes made here are applied to the current file content, so changes made
// meanwhile by others are kept.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

// One key line of a section: the key as written, the value as ReadString reads that line.
struct ProfileEntry {
  std::string key;
  std::string value;
};

class ProfileFile {
 public:
  // Loads `file` if it exists. Throws Error naming the file when it exists but cannot be read.
  explicit ProfileFile(std::filesystem::path file);
  ~ProfileFile();
  ProfileFile(ProfileFile&&) noexcept;
  ProfileFile& operator=(ProfileFile&&) noexcept;

  const std::filesystem::path& path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback = {}) const;
  // The value read as a decimal integer with an optional sign (Windows GetPrivateProfileInt),
  // clamped to the range of int; `fallback` when the key is missing or its value does not start
  // with a number.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  // Key names of the section in file order, as written in the file (duplicates included).
  std::vector<std::string> KeyNames(std::string_view section) const;
  // The section as "key=value" lines in file order, blanks around key and value removed, quotes
  // kept (Windows GetPrivateProfileSection).
  std::vector<std::string> SectionLines(std::string_view section) const;
  // The key lines of the section in file order (duplicates included).
  std::vector<ProfileEntry> Entries(std::string_view section) const;
  // Names of all sections in file order (duplicates included).
  std::vector<std::string> SectionNames() const;
  bool HasSection(std::string_view section) const;

  // Changes are written to the file before the call returns (as Windows does), replacing it
  // atomically; inside a Batch they are written once when the batch ends. Throw Error naming
  // the file when it cannot be written, and when a name or value cannot be stored in a profile
  // file (a line break anywhere, an empty name, ']' in a section name, '=' in a key name, a key
  // name starting with '[' or ';').
  //
  // WriteString changes the first occurrence of the key (keeping its spelling) or appends the
  // key at the end of the section (after its last non-blank line), or appends the section at
  // the end of the file.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Removes every section of that name, so that nothing of it is read afterwards.
  void EraseSection(std::string_view section);
  // Removes every occurrence of the key in the section that reads see.
  void DeleteKey(std::string_view section, std::string_view key);

  // Groups many changes into one write of the file. Batches may nest; the outermost one writes.
  // When the batch ends because of an exception, what was changed is still written (as it
  // would have been without the batch), but a write failure is then not reported.
  class Batch {
   public:
    explicit Batch(ProfileFile& file);
    ~Batch() noexcept(false);
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    ProfileFile& file_;
    int exceptions_at_start_;
  };

 private:
  struct Contents;
  struct PendingChange;

  // Re-reads the file when it changed on disk, applying the changes not yet saved again.
  void Refresh() const;
  // Applies `change` to the current content and saves it unless a batch is open.
  void Apply(PendingChange change);
  void Save();

  std::filesystem::path path_;
  std::unique_ptr<Contents> contents_;
  int batch_depth_ = 0;
};

// One-shot reads and writes. The reads keep the parsed content of the last few files read (and
// check the file on disk at every read, as above); the writes open and close the file.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback = {});
void WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);
// Windows' GetPrivateProfileString with a buffer of `buffer_chars` characters: a longer value
// is cut to buffer_chars - 1 bytes (a double-byte character that would be split is left out
// whole). "" when the key is missing.
std::string ReadProfileStringLimited(const std::filesystem::path& file, std::string_view section,
                                     std::string_view key, size_t buffer_chars);

}  // namespace zuvo
