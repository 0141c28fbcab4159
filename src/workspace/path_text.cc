#include "workspace/path_text.h"

#include "platform/big5.h"

namespace zuvo {

namespace fs = std::filesystem;

fs::path PathFromUtf8(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path PathFromBig5(std::string_view big5) { return PathFromUtf8(big5::ToUtf8(big5)); }

std::string PathToBig5(const fs::path& path) { return big5::FromUtf8(PathToUtf8(path)); }

fs::path WithTrailingSeparator(const fs::path& folder) {
  if (folder.empty() || !folder.has_filename()) return folder;
  fs::path result = folder;
  result += fs::path::preferred_separator;
  return result;
}

}  // namespace zuvo
