#pragma once

// One section of a profile file (data.ini's [DUPMX], [UseMethodFix], ...) held in memory, for
// the look-ups a pass over a table makes for every record.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/profile_file.h"

namespace zuvo {

class SectionMap {
 public:
  SectionMap() = default;
  // The entries' keys with their values; keys compare without regard to ASCII letter case and
  // the first of duplicate keys is taken, as the profile file reads them.
  explicit SectionMap(const std::vector<ProfileEntry>& entries);
  // The value of `key` (Big5, trimmed here), or null.
  const std::string* Find(std::string_view key) const;
  bool Contains(std::string_view key) const { return Find(key) != nullptr; }
  size_t size() const { return values_.size(); }
  bool empty() const { return values_.empty(); }

 private:
  std::unordered_map<std::string, std::string> values_;  // upper-cased trimmed key → value
};

}  // namespace zuvo
