// Extracts every input as a zip archive and checks that nothing lands outside the extraction
// folder and nothing is left behind when extraction fails.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/error.h"
#include "platform/zip_archive.h"

namespace fs = std::filesystem;

namespace {

// The archive lies two folders below the root, so that a member escaping the extraction folder
// by ".." parts still lands below the root, where the check finds it.
struct Layout {
  fs::path root;
  fs::path zip;
  fs::path folder;
};

const Layout& Paths() {
  static const Layout layout = [] {
    Layout made;
    std::string name = (fs::temp_directory_path() / "zuvo-zip-fuzz-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) std::abort();
    made.root = name;
    fs::create_directories(made.root / "a/b");
    made.zip = made.root / "a/b/input.zip";
    made.folder = made.root / "a/b/out";
    return made;
  }();
  return layout;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Layout& paths = Paths();
  {
    std::ofstream out(paths.zip, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  bool extracted = true;
  try {
    zuvo::ExtractAll(paths.zip, paths.folder);
  } catch (const zuvo::Error&) {
    extracted = false;
  }
  // Beside the archive only the extraction folder, and that only after success.
  for (const auto& entry : fs::recursive_directory_iterator(paths.root)) {
    const fs::path& path = entry.path();
    if (path == paths.root / "a" || path == paths.root / "a/b" || path == paths.zip) continue;
    Check(extracted && path.lexically_relative(paths.folder).native().rfind("..", 0) != 0);
    Check(!entry.is_symlink());
    Check(entry.is_regular_file() || entry.is_directory());
  }
  fs::remove_all(paths.folder);

  try {
    zuvo::ListMembers(paths.zip);
  } catch (const zuvo::Error&) {
  }
  return 0;
}
