#pragma once

// The command line of the benchmarks that run one step on clinics of several sizes:
//   NAME [--patients N ...] [--dir FOLDER] [--keep]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace zuvo::bench {

struct SizesAndFolder {
  std::vector<int> sizes;      // patients of each clinic, in order
  std::filesystem::path base;  // where the clinics are generated
  bool keep = false;           // leave the clinics where they are
};

// `default_sizes` when no --patients is given; the base defaults to the temporary folder /
// `name`. A command line that is not understood ends the program (exit code 64) after the usage
// line on stderr.
inline SizesAndFolder ParseSizesAndFolder(int argc, char** argv, const char* name,
                                          std::vector<int> default_sizes) {
  SizesAndFolder parsed{{}, std::filesystem::temp_directory_path() / name, false};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--patients") == 0 && i + 1 < argc) {
      parsed.sizes.push_back(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      parsed.base = argv[++i];
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      parsed.keep = true;
    } else {
      std::fprintf(stderr, "usage: %s [--patients N ...] [--dir FOLDER] [--keep]\n", name);
      std::exit(64);
    }
  }
  if (parsed.sizes.empty()) parsed.sizes = std::move(default_sizes);
  return parsed;
}

}  // namespace zuvo::bench
