#include "catalogue/section_map.h"

#include "platform/big5.h"
#include "platform/profile_file.h"

namespace zuvo {

SectionMap SectionMap::Read(const ProfileFile& file, std::string_view section) {
  SectionMap map;
  for (const std::string& key : file.KeyNames(section)) {
    std::string upper = big5::UpperAscii(big5::Trim(key));
    if (map.values_.contains(upper)) continue;
    map.values_.emplace(std::move(upper), file.ReadString(section, key));
  }
  return map;
}

const std::string* SectionMap::Find(std::string_view key) const {
  auto found = values_.find(big5::UpperAscii(big5::Trim(key)));
  return found == values_.end() ? nullptr : &found->second;
}

}  // namespace zuvo
