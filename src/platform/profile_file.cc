#include "platform/profile_file.h"

#include <charconv>
#include <climits>
#include <exception>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kNewLineEnd = "\r\n";
// Files whose parsed content the one-shot reads keep.
constexpr size_t kMaxCachedFiles = 16;

enum class LineKind { kBlank, kComment, kSection, kKey, kOther };

struct Line {
  std::string text;    // without its line end
  std::string ending;  // "\r\n", "\n", or "" for a last line that has none
  LineKind kind = LineKind::kBlank;
  bool removed = false;  // deleted key: left out when the file is written
};

struct Section {
  std::string folded_name;  // trimmed and upper-cased; empty for the lines before any header
  std::vector<Line> lines;  // the header line first (none for the lines before any header)
  // Folded key name -> indexes of its lines, in file order.
  std::unordered_map<std::string, std::vector<size_t>> keys;
};

std::string Fold(std::string_view name) { return big5::UpperAscii(big5::Trim(name)); }

// Offset of the last ']' that is a character of its own (a Big5 trail byte can be 0x5D), or npos.
size_t ClosingBracket(std::string_view text) {
  size_t found = std::string_view::npos;
  big5::ForEachChar(text, [&](std::string_view character, size_t offset) {
    if (character == "]") found = offset;
  });
  return found;
}

// A header is '[' (after blanks) up to the last ']'; without a ']' the line is an ordinary one.
bool SectionNameOf(std::string_view text, std::string& name) {
  const std::string line = big5::TrimLeft(text);
  if (line.empty() || line[0] != '[') return false;
  const size_t close = ClosingBracket(line);
  if (close == std::string_view::npos) return false;
  name = big5::Trim(std::string_view(line).substr(1, close - 1));
  return true;
}

// '=' (0x3D) is never a Big5 trail byte, so the first one found is the separator.
std::string KeyOf(std::string_view text) { return big5::Trim(text.substr(0, text.find('='))); }
std::string ValueOf(std::string_view text) { return big5::Trim(text.substr(text.find('=') + 1)); }

LineKind Classify(std::string_view text) {
  const std::string line = big5::TrimLeft(text);
  if (line.empty()) return LineKind::kBlank;
  if (line[0] == ';') return LineKind::kComment;
  std::string name;
  if (SectionNameOf(line, name)) return LineKind::kSection;
  if (line.find('=') == std::string::npos || KeyOf(line).empty()) return LineKind::kOther;
  return LineKind::kKey;
}

// Windows strips one pair of matching quotes around a value read with GetPrivateProfileString.
std::string StripQuotes(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// One name per file for the tables below, whatever spelling of its path is used.
std::string FileKey(const fs::path& file) {
  return PathToUtf8(fs::absolute(file).lexically_normal());
}

// Saves made by this process, per file (by FileKey). Time stamps alone can miss a change made
// within their resolution that keeps the size; a change made through another object of this
// process is always seen through this count.
class LocalSaves {
 public:
  static uint64_t Count(const std::string& file_key) {
    std::lock_guard lock(mutex_);
    auto found = counts_.find(file_key);
    return found == counts_.end() ? 0 : found->second;
  }
  static void Add(const std::string& file_key) {
    std::lock_guard lock(mutex_);
    ++counts_[file_key];
  }

 private:
  static inline std::mutex mutex_;
  static inline std::unordered_map<std::string, uint64_t> counts_;
};

struct FileStamp {
  bool exists = false;
  uintmax_t size = 0;
  fs::file_time_type modified;
  uint64_t local_saves = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const fs::path& file, const std::string& file_key) {
  FileStamp stamp;
  stamp.local_saves = LocalSaves::Count(file_key);
  std::error_code error;
  if (!fs::exists(fs::status(file, error))) return stamp;
  stamp.exists = true;
  stamp.size = fs::file_size(file, error);
  stamp.modified = fs::last_write_time(file, error);
  return stamp;
}

std::string Quoted(std::string_view big5) { return "\"" + big5::ToUtf8Escaped(big5) + "\""; }

}  // namespace

struct ProfileFile::PendingChange {
  enum class Kind { kWrite, kEraseSection, kDeleteKey };
  Kind kind;
  std::string section;  // trimmed
  std::string key;      // trimmed
  std::string value;
};

struct ProfileFile::Contents {
  std::string file_key;
  bool loaded = false;
  bool utf8 = false;              // the file starts with a UTF-8 byte order mark
  std::vector<Section> sections;  // sections[0] holds the lines before the first header
  std::unordered_map<std::string, size_t> first_section;  // folded name -> index
  std::string disk_bytes;                                 // the file as last read or written
  FileStamp stamp;                                        // of the file as last read or written
  std::vector<PendingChange> pending;                     // applied here, not yet written

  void Parse(std::string_view bytes, const fs::path& file);
  std::string Serialize(const fs::path& file) const;
  void ApplyChange(const PendingChange& change);

  const Section* FindSection(std::string_view name) const {
    auto found = first_section.find(Fold(name));
    return found == first_section.end() ? nullptr : &sections[found->second];
  }
  Section* FindSection(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
  }
  const Line* FindKey(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) return nullptr;
    auto lines = found->keys.find(Fold(key));
    return lines == found->keys.end() ? nullptr : &found->lines[lines->second.front()];
  }

 private:
  void IndexSections();
  void AppendSection(const std::string& name);
  void EnsureLastLineEnds();
};

void ProfileFile::Contents::Parse(std::string_view bytes, const fs::path& file) {
  std::string converted;
  utf8 = bytes.starts_with(kUtf8ByteOrderMark);
  if (utf8) {
    std::optional<std::string> big5 = big5::TryFromUtf8(bytes.substr(kUtf8ByteOrderMark.size()));
    if (!big5) {
      throw Error("cannot read the profile file " + PathToUtf8(file) +
                  ": its UTF-8 text holds characters that Big5 cannot represent");
    }
    converted = std::move(*big5);
    bytes = converted;
  }
  sections.assign(1, Section());
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find('\n', start);
    Line line;
    if (end == std::string_view::npos) {
      line.text = bytes.substr(start);
      start = bytes.size();
    } else {
      const bool crlf = end > start && bytes[end - 1] == '\r';
      line.text = bytes.substr(start, end - start - (crlf ? 1 : 0));
      line.ending = crlf ? "\r\n" : "\n";
      start = end + 1;
    }
    line.kind = Classify(line.text);
    if (line.kind == LineKind::kSection) {
      std::string name;
      SectionNameOf(line.text, name);
      sections.emplace_back().folded_name = Fold(name);
    } else if (line.kind == LineKind::kKey) {
      sections.back().keys[Fold(KeyOf(line.text))].push_back(sections.back().lines.size());
    }
    sections.back().lines.push_back(std::move(line));
  }
  IndexSections();
}

void ProfileFile::Contents::IndexSections() {
  first_section.clear();
  for (size_t i = 1; i < sections.size(); ++i) first_section.emplace(sections[i].folded_name, i);
}

std::string ProfileFile::Contents::Serialize(const fs::path& file) const {
  std::string text;
  for (const Section& section : sections) {
    for (const Line& line : section.lines) {
      if (line.removed) continue;
      text += line.text;
      text += line.ending;
    }
  }
  if (!utf8) return text;
  std::optional<std::string> converted = big5::TryToUtf8(text);
  if (!converted) {
    throw Error("cannot write the profile file " + PathToUtf8(file) +
                ": a value is not valid Big5 text");
  }
  return std::string(kUtf8ByteOrderMark) + *converted;
}

void ProfileFile::Contents::EnsureLastLineEnds() {
  for (auto section = sections.rbegin(); section != sections.rend(); ++section) {
    for (auto line = section->lines.rbegin(); line != section->lines.rend(); ++line) {
      if (line->removed) continue;
      if (line->ending.empty()) line->ending = kNewLineEnd;
      return;
    }
  }
}

void ProfileFile::Contents::AppendSection(const std::string& name) {
  EnsureLastLineEnds();
  Section& section = sections.emplace_back();
  section.folded_name = Fold(name);
  section.lines.push_back({"[" + name + "]", std::string(kNewLineEnd), LineKind::kSection});
  first_section.emplace(section.folded_name, sections.size() - 1);
}

void ProfileFile::Contents::ApplyChange(const PendingChange& change) {
  switch (change.kind) {
    case PendingChange::Kind::kWrite: {
      if (FindSection(change.section) == nullptr) AppendSection(change.section);
      Section& section = *FindSection(change.section);
      if (auto found = section.keys.find(Fold(change.key)); found != section.keys.end()) {
        Line& line = section.lines[found->second.front()];
        line.text = KeyOf(line.text) + "=" + change.value;
        return;
      }
      // After the section's last non-blank line: only blank or removed lines follow it, and
      // none of them is indexed, so the indexes stay valid.
      size_t last = section.lines.size();
      while (last > 1 && (section.lines[last - 1].removed ||
                          section.lines[last - 1].kind == LineKind::kBlank)) {
        --last;
      }
      if (section.lines[last - 1].ending.empty()) section.lines[last - 1].ending = kNewLineEnd;
      section.lines.insert(
          section.lines.begin() + static_cast<ptrdiff_t>(last),
          Line{change.key + "=" + change.value, std::string(kNewLineEnd), LineKind::kKey});
      section.keys[Fold(change.key)].push_back(last);
      return;
    }
    case PendingChange::Kind::kEraseSection: {
      const std::string folded = Fold(change.section);
      for (size_t i = sections.size(); i-- > 1;) {
        if (sections[i].folded_name == folded) sections.erase(sections.begin() + i);
      }
      IndexSections();
      return;
    }
    case PendingChange::Kind::kDeleteKey: {
      Section* section = FindSection(change.section);
      if (section == nullptr) return;
      auto found = section->keys.find(Fold(change.key));
      if (found == section->keys.end()) return;
      for (size_t index : found->second) section->lines[index].removed = true;
      section->keys.erase(found);
      return;
    }
  }
}

ProfileFile::ProfileFile(fs::path file)
    : path_(std::move(file)), contents_(std::make_unique<Contents>()) {
  contents_->file_key = FileKey(path_);
  Refresh();
}

ProfileFile::~ProfileFile() = default;
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;

void ProfileFile::Refresh() const {
  Contents& contents = *contents_;
  const FileStamp stamp = StampOf(path_, contents.file_key);
  if (contents.loaded && stamp == contents.stamp) return;
  std::string bytes = stamp.exists ? ReadWholeFile(path_) : std::string();
  contents.stamp = stamp;
  if (contents.loaded && bytes == contents.disk_bytes) return;
  contents.Parse(bytes, path_);
  contents.disk_bytes = std::move(bytes);
  contents.loaded = true;
  for (const PendingChange& change : contents.pending) contents.ApplyChange(change);
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  Refresh();
  const Line* line = contents_->FindKey(section, key);
  return line == nullptr ? std::string(fallback) : StripQuotes(ValueOf(line->text));
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  const std::string value = ReadString(section, key);
  std::string_view digits = value;
  const bool negative = digits.starts_with('-');
  if (negative || digits.starts_with('+')) digits.remove_prefix(1);
  if (digits.empty() || digits[0] < '0' || digits[0] > '9') return fallback;
  long long number = 0;
  const std::errc error = std::from_chars(digits.data(), digits.data() + digits.size(), number).ec;
  if (error == std::errc::result_out_of_range || number > INT_MAX) {
    return negative ? INT_MIN : INT_MAX;
  }
  return static_cast<int>(negative ? -number : number);
}

std::vector<std::string> ProfileFile::KeyNames(std::string_view section) const {
  Refresh();
  std::vector<std::string> names;
  if (const Section* found = contents_->FindSection(section)) {
    for (const Line& line : found->lines) {
      if (line.kind == LineKind::kKey && !line.removed) names.push_back(KeyOf(line.text));
    }
  }
  return names;
}

std::vector<ProfileEntry> ProfileFile::Entries(std::string_view section) const {
  Refresh();
  std::vector<ProfileEntry> entries;
  if (const Section* found = contents_->FindSection(section)) {
    for (const Line& line : found->lines) {
      if (line.kind == LineKind::kKey && !line.removed) {
        entries.push_back({KeyOf(line.text), StripQuotes(ValueOf(line.text))});
      }
    }
  }
  return entries;
}

std::vector<std::string> ProfileFile::SectionLines(std::string_view section) const {
  Refresh();
  std::vector<std::string> lines;
  if (const Section* found = contents_->FindSection(section)) {
    for (const Line& line : found->lines) {
      if (line.kind == LineKind::kKey && !line.removed) {
        lines.push_back(KeyOf(line.text) + "=" + ValueOf(line.text));
      }
    }
  }
  return lines;
}

std::vector<std::string> ProfileFile::SectionNames() const {
  Refresh();
  std::vector<std::string> names;
  for (size_t i = 1; i < contents_->sections.size(); ++i) {
    SectionNameOf(contents_->sections[i].lines.front().text, names.emplace_back());
  }
  return names;
}

bool ProfileFile::HasSection(std::string_view section) const {
  Refresh();
  return contents_->FindSection(section) != nullptr;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  PendingChange change{PendingChange::Kind::kWrite, big5::Trim(section), big5::Trim(key),
                       std::string(value)};
  // A name is storable when the line written for it reads back as that name.
  std::string header_name;
  if (change.section.empty() || HasLineBreak(change.section) ||
      !SectionNameOf("[" + change.section + "]", header_name) || header_name != change.section) {
    throw Error("cannot write the section name " + Quoted(change.section) + " into " +
                PathToUtf8(path_));
  }
  const std::string key_line = change.key + "=";
  if (HasLineBreak(change.key) || Classify(key_line) != LineKind::kKey ||
      KeyOf(key_line) != change.key) {
    throw Error("cannot write the key name " + Quoted(change.key) + " into section " +
                Quoted(change.section) + " of " + PathToUtf8(path_));
  }
  if (HasLineBreak(value)) {
    throw Error("cannot write a value with a line break into key " + Quoted(change.key) +
                " of section " + Quoted(change.section) + " of " + PathToUtf8(path_));
  }
  Apply(std::move(change));
}

void ProfileFile::EraseSection(std::string_view section) {
  Apply({PendingChange::Kind::kEraseSection, big5::Trim(section), {}, {}});
}

void ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
  Apply({PendingChange::Kind::kDeleteKey, big5::Trim(section), big5::Trim(key), {}});
}

void ProfileFile::Apply(PendingChange change) {
  Refresh();
  contents_->ApplyChange(change);
  contents_->pending.push_back(std::move(change));
  if (batch_depth_ == 0) Save();
}

void ProfileFile::Save() {
  Refresh();
  Contents& contents = *contents_;
  std::string bytes = contents.Serialize(path_);
  if (bytes != contents.disk_bytes) {
    WriteFileAtomically(path_, bytes);
    LocalSaves::Add(contents.file_key);
    contents.disk_bytes = std::move(bytes);
    contents.stamp = StampOf(path_, contents.file_key);
  }
  contents.pending.clear();
}

ProfileFile::Batch::Batch(ProfileFile& file)
    : file_(file), exceptions_at_start_(std::uncaught_exceptions()) {
  ++file_.batch_depth_;
}

ProfileFile::Batch::~Batch() noexcept(false) {
  if (--file_.batch_depth_ > 0) return;
  if (std::uncaught_exceptions() > exceptions_at_start_) {
    try {
      file_.Save();
    } catch (...) {
      // Already unwinding: the first failure is the one reported.
    }
    return;
  }
  file_.Save();
}

std::string ReadProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::string_view fallback) {
  // Steps read single values of the same few files thousands of times: the parsed files are
  // kept, and each read still checks the file on disk first.
  static std::mutex mutex;
  static std::unordered_map<std::string, std::unique_ptr<ProfileFile>> parsed;
  const std::string cache_key = FileKey(file);
  std::lock_guard lock(mutex);
  auto found = parsed.find(cache_key);
  if (found == parsed.end()) {
    auto loaded = std::make_unique<ProfileFile>(file);
    if (parsed.size() >= kMaxCachedFiles) parsed.clear();
    found = parsed.emplace(cache_key, std::move(loaded)).first;
  }
  return found->second->ReadString(section, key, fallback);
}

void WriteProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
  ProfileFile(file).WriteString(section, key, value);
}

std::string ReadProfileStringLimited(const fs::path& file, std::string_view section,
                                     std::string_view key, size_t buffer_chars) {
  if (buffer_chars == 0) return {};
  return big5::CutBytes(ReadProfileString(file, section, key), buffer_chars - 1);
}

}  // namespace zuvo
