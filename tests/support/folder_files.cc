#include "support/folder_files.h"

#include <functional>

#include "support/temp_dir.h"

namespace zuvo::testing {

namespace fs = std::filesystem;

namespace {

constexpr size_t kShownBytes = 40;

std::string Digest(const std::string& bytes) {
  if (bytes.size() <= kShownBytes) return bytes;
  return std::to_string(bytes.size()) + " bytes #" +
         std::to_string(std::hash<std::string>()(bytes));
}

}  // namespace

std::map<std::string, std::string> FolderFiles(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && !entry.is_symlink()) {
      files[fs::relative(entry.path(), root).generic_string()] =
          Digest(ReadFileBytes(entry.path()));
    }
  }
  return files;
}

std::map<std::string, std::string> LiveFolderFiles(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const char* name : {"Corvix", "Tolsern"}) {
    for (auto& [path, digest] : FolderFiles(root / name)) {
      files[std::string(name) + "/" + path] = digest;
    }
  }
  return files;
}

}  // namespace zuvo::testing
