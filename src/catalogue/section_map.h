#pragma once

// One section of a profile file (data.ini's [DUPMX], [UseMethodFix], ...) read once into memory,
// for the look-ups a pass over a table makes for every record.

#include <string>
#include <string_view>
#include <unordered_map>

namespace zuvo {

class ProfileFile;

class SectionMap {
 public:
  // The keys of `section` (Big5 or ASCII UTF-8 name) with their values as ReadString gives them;
  // keys compare without regard to ASCII letter case and the first of duplicate keys is taken,
  // as the profile file reads them.
  static SectionMap Read(const ProfileFile& file, std::string_view section);
  // The value of `key` (Big5, trimmed here), or null.
  const std::string* Find(std::string_view key) const;
  bool Contains(std::string_view key) const { return Find(key) != nullptr; }
  size_t size() const { return values_.size(); }

 private:
  std::unordered_map<std::string, std::string> values_;  // upper-cased trimmed key → value
};

}  // namespace zuvo
