#pragma once

// A program folder with the delivered files, built once for the test program.

#include <filesystem>

#include "app/program_folder.h"
#include "support/temp_dir.h"

namespace zuvo::testing {

inline const std::filesystem::path& DeliveredProgramFolder() {
  static TempDir* folder = [] {
    auto* dir = new TempDir;
    InstallDeliveredFiles(dir->path());
    return dir;
  }();
  return folder->path();
}

}  // namespace zuvo::testing
