#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zuvo::testing {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Whole file as bytes; fails the test when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);

// The folder of real files made by other projects (shared/external), or empty when this checkout
// has none beside it.
std::filesystem::path ExternalDir();
// The second such folder (shared/real-files: dBase and Access files of other projects), or
// empty.
std::filesystem::path RealFilesDir();
// The public reference data beside the checkout (shared/reference-data: the NHI fee schedule,
// ICD tables), or empty.
std::filesystem::path ReferenceDataDir();

}  // namespace zuvo::testing

// Skips the current test when the external test corpus is not beside the checkout.
#define ZUVO_REQUIRE_EXTERNAL()                                      \
  do {                                                               \
    if (::zuvo::testing::ExternalDir().empty())                      \
      GTEST_SKIP() << "shared/external is not beside this checkout"; \
  } while (0)

// Skips the current test when the reference data is not beside the checkout.
#define ZUVO_REQUIRE_REFERENCE_DATA()                                      \
  do {                                                                     \
    if (::zuvo::testing::ReferenceDataDir().empty())                       \
      GTEST_SKIP() << "shared/reference-data is not beside this checkout"; \
  } while (0)

// Skips the current test when the real-files corpus is not beside the checkout.
#define ZUVO_REQUIRE_REAL_FILES()                                      \
  do {                                                                 \
    if (::zuvo::testing::RealFilesDir().empty())                       \
      GTEST_SKIP() << "shared/real-files is not beside this checkout"; \
  } while (0)
