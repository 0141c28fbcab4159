#include "workspace/section_map.h"

#include "platform/big5.h"

namespace zuvo {

SectionMap::SectionMap(const std::vector<ProfileEntry>& entries) {
  for (const ProfileEntry& entry : entries) {
    values_.try_emplace(big5::UpperAscii(big5::Trim(entry.key)), entry.value);
  }
}

const std::string* SectionMap::Find(std::string_view key) const {
  auto found = values_.find(big5::UpperAscii(big5::Trim(key)));
  return found == values_.end() ? nullptr : &found->second;
}

}  // namespace zuvo
