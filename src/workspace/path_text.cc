#include "workspace/path_text.h"

#include "platform/big5.h"

namespace zuvo {

namespace fs = std::filesystem;

fs::path PathFromBig5(std::string_view big5) { return PathFromUtf8(big5::ToUtf8(big5)); }

std::string PathToBig5(const fs::path& path) { return big5::FromUtf8(PathToUtf8(path)); }

fs::path WithTrailingSeparator(const fs::path& folder) {
  if (folder.empty() || !folder.has_filename()) return folder;
  fs::path result = folder;
  result += fs::path::preferred_separator;
  return result;
}

}  // namespace zuvo
