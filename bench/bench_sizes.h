#pragma once

// The command line of the benchmarks, which run their steps at several sizes:
//   NAME [--WORD N ...] [--dir FOLDER] [--keep]
// where WORD names what the size counts (patients, codes, drugs, ...).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"

namespace zuvo::bench {

struct SizesAndFolder {
  std::vector<int> sizes;      // in order
  std::filesystem::path base;  // where the clinics are generated
  bool keep = false;           // leave the clinics where they are
  std::string word;            // what a size counts

  // "5000 patients"
  std::string SizeText(int size) const { return std::to_string(size) + " " + word; }
};

// `default_sizes` when no --WORD is given; the base defaults to the temporary folder / `name`.
// The arguments before `first` are the caller's. A command line that is not understood ends the
// program (exit code 64) after the usage line on stderr.
inline SizesAndFolder ParseSizesAndFolder(int argc, char** argv, const char* name,
                                          std::vector<int> default_sizes,
                                          const char* word = "patients", int first = 1) {
  SizesAndFolder parsed{{}, std::filesystem::temp_directory_path() / name, false, word};
  const std::string option = std::string("--") + word;
  for (int i = first; i < argc; ++i) {
    if (argv[i] == option && i + 1 < argc) {
      parsed.sizes.push_back(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      parsed.base = argv[++i];
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      parsed.keep = true;
    } else {
      std::fprintf(stderr, "usage: %s [%s N ...] [--dir FOLDER] [--keep]\n", name, option.c_str());
      std::exit(64);
    }
  }
  if (parsed.sizes.empty()) parsed.sizes = std::move(default_sizes);
  return parsed;
}

// For each size: `generate(folder, size)` and then `measure(folder, size)`, each in a child
// process of its own, in the folder base / (prefix + size), which is emptied first and removed
// afterwards (and the base with it when nothing else is left there) unless the clinics are kept. A
// size that fails is said on stdout. Returns the number of sizes that failed.
template <typename Generate, typename Measure>
int RunEachSize(const SizesAndFolder& arguments, Generate generate, Measure measure,
                std::string_view prefix = "") {
  int failures = 0;
  for (int size : arguments.sizes) {
    const std::filesystem::path folder =
        arguments.base / (std::string(prefix) + std::to_string(size));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    if (!InChildProcess([&] { generate(folder, size); }) ||
        !InChildProcess([&] { measure(folder, size); })) {
      std::printf("  %s%s: failed\n", std::string(prefix).c_str(),
                  arguments.SizeText(size).c_str());
      ++failures;
    }
    if (!arguments.keep) std::filesystem::remove_all(folder);
  }
  std::error_code ignored;
  if (!arguments.keep) std::filesystem::remove(arguments.base, ignored);  // when empty
  return failures;
}

}  // namespace zuvo::bench
