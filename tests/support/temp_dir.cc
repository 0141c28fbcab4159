#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace zuvo::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  for (;;) {
    path_ = fs::temp_directory_path() /
            ("zuvo-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
    if (fs::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string ReadFileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << file;
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFileBytes(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << file;
}

namespace {
fs::path SharedSubfolder(const char* name) {
  const char* shared = std::getenv("ZUVO_SHARED_DIR");
  if (shared == nullptr) return {};
  fs::path dir = fs::path(shared) / name;
  return fs::is_directory(dir) ? dir : fs::path();
}
}  // namespace

fs::path ExternalDir() { return SharedSubfolder("external"); }
fs::path RealFilesDir() { return SharedSubfolder("real-files"); }
fs::path ReferenceDataDir() { return SharedSubfolder("reference-data"); }

}  // namespace zuvo::testing
