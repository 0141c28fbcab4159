// Reading PE.ini values; kept apart from the markup so that the markup needs no profile files.
#include "core/pe_markup.h"
#include "platform/big5.h"
#include "platform/profile_file.h"

namespace zuvo {

std::string ReadLongIniString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback) {
  if (big5::Trim(key).empty()) return {};
  return big5::CutBytes(ReadProfileString(file, section, key, fallback), kLongIniBufferChars - 1);
}

}  // namespace zuvo
