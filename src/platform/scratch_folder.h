#pragma once

// A folder that lives as long as its owner: removed with whatever it holds when the owner ends,
// however it ends.

#include <filesystem>
#include <string_view>

namespace zuvo {

class ScratchFolder {
 public:
  // `path` itself (made when missing).
  explicit ScratchFolder(std::filesystem::path path);
  // A new folder of the system's temporary folder, named `prefix` + a number no other scratch
  // folder of this process has.
  static ScratchFolder InTemporaryFolder(std::string_view prefix);
  ~ScratchFolder();
  ScratchFolder(ScratchFolder&& other) noexcept;
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ScratchFolder& operator=(ScratchFolder&&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace zuvo
