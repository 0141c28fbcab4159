#include "platform/folder_manifest.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <system_error>

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/sha256.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEndWord = "end ";
constexpr std::string_view kFolderWord = "folder";
constexpr std::string_view kFileWord = "file";
constexpr std::string_view kLinkWord = "link";
constexpr size_t kSha256HexDigits = 64;

std::string RelativeText(const fs::path& path, const fs::path& folder) {
  const std::u8string relative = path.lexically_relative(folder).generic_u8string();
  return std::string(relative.begin(), relative.end());
}

// A manifest line holds its fields between tabs and ends with a line break.
void CheckWritable(std::string_view text, const fs::path& where) {
  if (text.find_first_of("\t\r\n") != std::string_view::npos) {
    throw Error("cannot list " + PathToUtf8(where) +
                " in a manifest: its name or target holds a tab or a line break");
  }
}

std::vector<ManifestEntry> ListEntries(const fs::path& folder, const fs::path& skip) {
  std::vector<ManifestEntry> entries;
  std::error_code error;
  fs::recursive_directory_iterator walk(folder, error);
  if (error) throw Error("cannot list the folder " + PathToUtf8(folder) + ": " + error.message());
  for (auto it = walk; it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (error) throw Error("cannot list the folder " + PathToUtf8(folder) + ": " + error.message());
    std::error_code status_error;
    if (fs::equivalent(it->path(), skip, status_error)) continue;
    ManifestEntry entry;
    entry.path = RelativeText(it->path(), folder);
    CheckWritable(entry.path, it->path());
    if (it->is_symlink(status_error)) {
      entry.kind = ManifestEntry::Kind::kLink;
      entry.target = PathToUtf8(fs::read_symlink(it->path(), status_error));
      if (status_error) {
        throw Error("cannot read the link " + PathToUtf8(it->path()) + ": " +
                    status_error.message());
      }
      CheckWritable(entry.target, it->path());
    } else if (it->is_directory(status_error)) {
      entry.kind = ManifestEntry::Kind::kFolder;
    } else if (it->is_regular_file(status_error)) {
      entry.size = it->file_size(status_error);
      if (status_error) {
        throw Error("cannot read the size of " + PathToUtf8(it->path()) + ": " +
                    status_error.message());
      }
      entry.sha256 = Sha256OfFile(it->path());
    } else {
      continue;  // a pipe or device is nothing a backup can hold
    }
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(),
            [](const ManifestEntry& a, const ManifestEntry& b) { return a.path < b.path; });
  return entries;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t tab; (tab = line.find('\t')) != std::string_view::npos;) {
    fields.push_back(line.substr(0, tab));
    line.remove_prefix(tab + 1);
  }
  fields.push_back(line);
  return fields;
}

bool ParseNumber(std::string_view text, uint64_t& number) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool IsHexDigest(std::string_view text) {
  return text.size() == kSha256HexDigits &&
         text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// A listed path must stay inside the folder: relative, without "." or ".." parts, '/' only.
bool IsPlainRelativePath(std::string_view path) {
  if (path.empty() || path.find('\\') != std::string_view::npos) return false;
  const fs::path parsed = PathFromUtf8(path);
  if (parsed.has_root_name() || parsed.has_root_directory()) return false;
  for (size_t at = 0; at <= path.size();) {
    size_t end = std::min(path.find('/', at), path.size());
    std::string_view part = path.substr(at, end - at);
    if (part.empty() || part == "." || part == "..") return false;
    at = end + 1;
  }
  return true;
}

std::optional<ManifestEntry> ParseEntry(std::string_view line, bool checksums) {
  std::vector<std::string_view> fields = Fields(line);
  ManifestEntry entry;
  if (!checksums) {
    if (fields.size() != 2 || !ParseNumber(fields[0], entry.size)) return std::nullopt;
    entry.path = fields[1];
  } else if (fields[0] == kFolderWord && fields.size() == 2) {
    entry.kind = ManifestEntry::Kind::kFolder;
    entry.path = fields[1];
  } else if (fields[0] == kFileWord && fields.size() == 4 && ParseNumber(fields[1], entry.size) &&
             IsHexDigest(fields[2])) {
    entry.sha256 = fields[2];
    entry.path = fields[3];
  } else if (fields[0] == kLinkWord && fields.size() == 3 && !fields[1].empty()) {
    entry.kind = ManifestEntry::Kind::kLink;
    entry.target = fields[1];
    entry.path = fields[2];
  } else {
    return std::nullopt;
  }
  if (!IsPlainRelativePath(entry.path)) return std::nullopt;
  return entry;
}

std::string_view KindText(ManifestEntry::Kind kind) {
  switch (kind) {
    case ManifestEntry::Kind::kFolder:
      return "資料夾";
    case ManifestEntry::Kind::kLink:
      return "連結";
    case ManifestEntry::Kind::kFile:
      break;
  }
  return "檔案";
}

}  // namespace

void WriteFolderManifest(const fs::path& folder, const fs::path& manifest) {
  std::vector<ManifestEntry> entries = ListEntries(folder, manifest);
  std::string text = std::string(kManifestHeading) + "\n";
  for (const ManifestEntry& entry : entries) {
    switch (entry.kind) {
      case ManifestEntry::Kind::kFolder:
        text += std::string(kFolderWord) + "\t" + entry.path + "\n";
        break;
      case ManifestEntry::Kind::kFile:
        text += std::string(kFileWord) + "\t" + std::to_string(entry.size) + "\t" + entry.sha256 +
                "\t" + entry.path + "\n";
        break;
      case ManifestEntry::Kind::kLink:
        text += std::string(kLinkWord) + "\t" + entry.target + "\t" + entry.path + "\n";
        break;
    }
  }
  text += std::string(kEndWord) + std::to_string(entries.size()) + "\n";
  WriteFileAtomically(manifest, text);
}

FolderManifest ReadFolderManifest(const fs::path& manifest) {
  std::string text;
  try {
    text = ReadWholeFile(manifest);
  } catch (const Error&) {
    throw Error("清單 " + PathToUtf8(manifest) + " 不存在或無法讀取");
  }
  std::vector<std::string_view> lines = Lines(text);
  FolderManifest result;
  uint64_t listed = 0;
  if (lines.size() < 2 ||
      (lines.front() != kManifestHeading && lines.front() != kSizesOnlyManifestHeading) ||
      !text.ends_with('\n') || !lines.back().starts_with(kEndWord) ||
      !ParseNumber(lines.back().substr(kEndWord.size()), listed) || listed != lines.size() - 2) {
    throw Error("清單 " + PathToUtf8(manifest) + " 不完整");
  }
  result.checksums = lines.front() == kManifestHeading;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    std::optional<ManifestEntry> entry = ParseEntry(lines[i], result.checksums);
    if (!entry) {
      throw Error("清單 " + PathToUtf8(manifest) + " 第 " + std::to_string(i + 1) + " 行損壞");
    }
    result.entries.push_back(std::move(*entry));
  }
  return result;
}

std::optional<std::string> EntryProblem(const fs::path& actual, const ManifestEntry& entry,
                                        ManifestDepth depth) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(actual, error);
  if (!fs::exists(status)) return entry.path + " 不存在";
  const ManifestEntry::Kind kind = fs::is_symlink(status)     ? ManifestEntry::Kind::kLink
                                   : fs::is_directory(status) ? ManifestEntry::Kind::kFolder
                                                              : ManifestEntry::Kind::kFile;
  if (kind != entry.kind || (kind == ManifestEntry::Kind::kFile && !fs::is_regular_file(status))) {
    return entry.path + " 不是" + std::string(KindText(entry.kind));
  }
  if (kind == ManifestEntry::Kind::kLink) {
    const std::string target = PathToUtf8(fs::read_symlink(actual, error));
    if (target == entry.target) return std::nullopt;
    return entry.path + " 連結到 " + target + ",清單記載連結到 " + entry.target;
  }
  if (kind == ManifestEntry::Kind::kFolder) return std::nullopt;
  const uint64_t size = fs::file_size(actual, error);
  if (error) return entry.path + " 無法讀取大小";
  if (size != entry.size) {
    return entry.path + " 有 " + std::to_string(size) + " 位元組,清單記載 " +
           std::to_string(entry.size) + " 位元組";
  }
  if (depth == ManifestDepth::kSizes || entry.sha256.empty()) return std::nullopt;
  std::string sha256;
  try {
    sha256 = Sha256OfFile(actual);
  } catch (const Error&) {
    return entry.path + " 無法讀取";
  }
  if (sha256 != entry.sha256) return entry.path + " 的內容與清單的檢查碼不符";
  return std::nullopt;
}

std::vector<std::string> CheckFolderManifest(const fs::path& folder, const fs::path& manifest,
                                             ManifestDepth depth) {
  try {
    return CheckFolderAgainst(folder, ReadFolderManifest(manifest), depth);
  } catch (const Error& error) {
    return {error.what()};
  }
}

std::vector<std::string> CheckFolderAgainst(const fs::path& folder, const FolderManifest& listed,
                                            ManifestDepth depth) {
  std::vector<std::string> problems;
  std::set<std::string> checked_folders;
  for (const ManifestEntry& entry : listed.entries) {
    // Every folder on the way must be one, not a link that leads out of `folder`.
    for (size_t slash = entry.path.find('/'); slash != std::string::npos;
         slash = entry.path.find('/', slash + 1)) {
      std::string on_the_way = entry.path.substr(0, slash);
      if (!checked_folders.insert(on_the_way).second) continue;
      std::error_code error;
      if (fs::is_symlink(fs::symlink_status(folder / PathFromUtf8(on_the_way), error))) {
        problems.push_back(on_the_way + " 是連結,不是資料夾");
      }
    }
    if (std::optional<std::string> problem =
            EntryProblem(folder / PathFromUtf8(entry.path), entry, depth)) {
      problems.push_back(std::move(*problem));
    }
  }
  return problems;
}

}  // namespace zuvo
