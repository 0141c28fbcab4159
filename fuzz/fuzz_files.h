#pragma once

// What the fuzz targets that work on files share: a private folder of their own under the
// temporary folder, the input written as a file, and checks that abort so that libFuzzer keeps
// the input that broke them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace zuvo::fuzz {

// A new empty folder named after `prefix` ("zuvo-zip-fuzz") under the temporary folder.
inline std::filesystem::path MakeFuzzFolder(const std::string& prefix) {
  std::string name = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(name.data()) == nullptr) std::abort();
  return name;
}

inline void WriteInput(const std::filesystem::path& file, const uint8_t* data, size_t size) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// True when `path` is `folder` or lies below it (compared as written, without following links).
inline bool Inside(const std::filesystem::path& path, const std::filesystem::path& folder) {
  return path.lexically_relative(folder).native().rfind("..", 0) != 0;
}

// An archive written from each input and the folder it is extracted into, in a private folder
// `root`. Both lie at least two folders below the root, so that a member escaping the folder by
// ".." parts still lands below the root, where the check finds it.
struct ArchiveLayout {
  std::filesystem::path root;
  std::filesystem::path archive;
  std::filesystem::path folder;

  // The archive and the folders that lead to it and to the folder's parent: all that may lie
  // below the root besides the folder and what it holds.
  bool Scaffolding(const std::filesystem::path& path) const {
    return path == archive || Inside(archive, path) || Inside(folder.parent_path(), path);
  }
};

// `archive` and `folder` are relative to the new root (prefix as for MakeFuzzFolder); the
// folders that hold them are made, the extraction folder is not.
inline ArchiveLayout MakeArchiveLayout(const std::string& prefix,
                                       const std::filesystem::path& archive,
                                       const std::filesystem::path& folder) {
  ArchiveLayout layout{MakeFuzzFolder(prefix), {}, {}};
  layout.archive = layout.root / archive;
  layout.folder = layout.root / folder;
  std::filesystem::create_directories(layout.archive.parent_path());
  std::filesystem::create_directories(layout.folder.parent_path());
  return layout;
}

inline void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace zuvo::fuzz
