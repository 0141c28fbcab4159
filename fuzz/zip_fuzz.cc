// Extracts every input as a zip archive and checks that nothing lands outside the extraction
// folder and nothing is left behind when extraction fails.

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "fuzz_files.h"
#include "platform/error.h"
#include "platform/zip_archive.h"

namespace fs = std::filesystem;
using zuvo::fuzz::Check;
using zuvo::fuzz::Inside;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const zuvo::fuzz::ArchiveLayout paths =
      zuvo::fuzz::MakeArchiveLayout("zuvo-zip-fuzz", "a/b/input.zip", "a/b/out");
  zuvo::fuzz::WriteInput(paths.archive, data, size);
  bool extracted = true;
  try {
    zuvo::ExtractAll(paths.archive, paths.folder);
  } catch (const zuvo::Error&) {
    extracted = false;
  }
  // Beside the archive only the extraction folder, and that only after success.
  for (const auto& entry : fs::recursive_directory_iterator(paths.root)) {
    const fs::path& path = entry.path();
    if (paths.Scaffolding(path)) continue;
    Check(extracted && Inside(path, paths.folder));
    Check(!entry.is_symlink());
    Check(entry.is_regular_file() || entry.is_directory());
  }
  fs::remove_all(paths.folder);

  try {
    zuvo::ListMembers(paths.archive);
  } catch (const zuvo::Error&) {
  }
  return 0;
}
