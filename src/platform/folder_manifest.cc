#include "platform/folder_manifest.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEndWord = "end ";

struct ListedFile {
  std::string path;  // relative, '/' separators, UTF-8
  uint64_t size = 0;
};

std::vector<ListedFile> ListFiles(const fs::path& folder, const fs::path& skip) {
  std::vector<ListedFile> files;
  std::error_code error;
  fs::recursive_directory_iterator entries(folder, error);
  if (error) throw Error("cannot list the folder " + PathToUtf8(folder) + ": " + error.message());
  for (auto it = entries; it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (error) throw Error("cannot list the folder " + PathToUtf8(folder) + ": " + error.message());
    std::error_code status_error;
    if (!it->is_regular_file(status_error) || it->is_symlink(status_error)) continue;
    if (fs::equivalent(it->path(), skip, status_error)) continue;
    uint64_t size = it->file_size(status_error);
    if (status_error) {
      throw Error("cannot read the size of " + PathToUtf8(it->path()) + ": " +
                  status_error.message());
    }
    const std::u8string relative = it->path().lexically_relative(folder).generic_u8string();
    files.push_back({std::string(relative.begin(), relative.end()), size});
  }
  std::sort(files.begin(), files.end(),
            [](const ListedFile& a, const ListedFile& b) { return a.path < b.path; });
  return files;
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

bool ParseNumber(std::string_view text, uint64_t& number) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

void WriteFolderManifest(const fs::path& folder, const fs::path& manifest) {
  std::vector<ListedFile> files = ListFiles(folder, manifest);
  std::string text = std::string(kManifestHeading) + "\n";
  for (const ListedFile& file : files) {
    text += std::to_string(file.size) + "\t" + file.path + "\n";
  }
  text += std::string(kEndWord) + std::to_string(files.size()) + "\n";
  WriteFileAtomically(manifest, text);
}

std::vector<std::string> CheckFolderManifest(const fs::path& folder, const fs::path& manifest) {
  std::string text;
  try {
    text = ReadWholeFile(manifest);
  } catch (const Error&) {
    return {"the manifest " + PathToUtf8(manifest) + " is missing"};
  }
  std::vector<std::string_view> lines = Lines(text);
  uint64_t listed = 0;
  if (lines.size() < 2 || lines.front() != kManifestHeading || !text.ends_with('\n') ||
      !lines.back().starts_with(kEndWord) ||
      !ParseNumber(lines.back().substr(kEndWord.size()), listed) || listed != lines.size() - 2) {
    return {"the manifest " + PathToUtf8(manifest) + " is not whole"};
  }
  std::vector<std::string> problems;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    size_t tab = lines[i].find('\t');
    uint64_t size = 0;
    if (tab == std::string_view::npos || !ParseNumber(lines[i].substr(0, tab), size)) {
      problems.push_back("the manifest " + PathToUtf8(manifest) + " has a damaged line " +
                         std::to_string(i + 1));
      continue;
    }
    std::string_view relative = lines[i].substr(tab + 1);
    fs::path file = folder / PathFromUtf8(relative);
    std::error_code error;
    uint64_t actual = fs::is_regular_file(file, error) ? fs::file_size(file, error) : 0;
    if (error || !fs::is_regular_file(file, error)) {
      problems.push_back(std::string(relative) + " is missing");
    } else if (actual != size) {
      problems.push_back(std::string(relative) + " holds " + std::to_string(actual) +
                         " bytes instead of " + std::to_string(size));
    }
  }
  return problems;
}

}  // namespace zuvo
