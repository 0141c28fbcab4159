#include "platform/scratch_folder.h"

#include <atomic>
#include <chrono>
#include <string>

#include "platform/file_ops.h"

namespace zuvo {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder(fs::path path) : path_(std::move(path)) { CreateFolders(path_); }

ScratchFolder ScratchFolder::InTemporaryFolder(std::string_view prefix) {
  static std::atomic<int> counter{0};
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return ScratchFolder(fs::temp_directory_path() / (std::string(prefix) + std::to_string(ticks) +
                                                    "-" + std::to_string(counter++)));
}

ScratchFolder::~ScratchFolder() {
  if (!path_.empty()) DeleteFolder(path_);
}

ScratchFolder::ScratchFolder(ScratchFolder&& other) noexcept : path_(std::move(other.path_)) {
  other.path_.clear();
}

}  // namespace zuvo
