#pragma once

// Settings files of the orders step: the rate table of the CORVIX.INI template, the key lists
// of MXsetup.ini, and the clinic keys written into a work tree's CORVIX.INI.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace zuvo {

// Frequency code → rate index (doses per day × 1000), from section [MXuseMethod]. Codes compare
// without regard to letter case.
class RateTable {
 public:
  // Throws an Error naming the file, the key and the value when a value is not an integer.
  static RateTable Read(const std::filesystem::path& corvix_ini);
  std::optional<int> Find(std::string_view big5_code) const;
  size_t size() const { return rates_.size(); }

 private:
  std::unordered_map<std::string, int> rates_;  // upper-cased Big5 code → rate index
};

// The key names of one section (codes), compared without regard to letter case.
class CodeSet {
 public:
  static CodeSet ReadSectionKeys(const std::filesystem::path& ini, std::string_view section_utf8);
  bool Contains(std::string_view big5_code) const;
  size_t size() const { return codes_.size(); }

 private:
  std::unordered_set<std::string> codes_;  // upper-cased Big5 codes
};

// MXsetup.ini sections read by the catalogue builders.
inline constexpr std::string_view kNoPointsSection = "無點數須申報健保項目";
inline constexpr std::string_view kRouteSection = "給藥途徑及作用部位";

// The clinic keys of a work tree's CORVIX.INI (texts Big5).
struct ClinicKeys {
  std::string name;
  std::string nhi_code;
  std::string telephone;
  std::string address;
  std::string department_name;
  std::string host_name;
};

// Writes [System] 診所名稱, 診所健保代碼, 診所電話, 診所地址, 就醫科別 and [Corvix] HostName.
void WriteClinicKeys(const std::filesystem::path& corvix_ini, const ClinicKeys& keys);

// Puts a work tree's CORVIX.INI in place, the old copy deleted first: the clinic folder's
// prepared CORVIX.INI when there is one, else the template of the program folder. For a
// prepared file the result is its department name ([System] 就醫科別, `default_department`
// (Big5) when it has none); for the template it is empty, and the caller writes the clinic keys
// with WriteClinicKeys. Throws Error as ReplaceWithCopy does.
std::optional<std::string> PlaceClinicSettingsFile(const std::filesystem::path& program_folder,
                                                   const std::filesystem::path& clinic_folder,
                                                   const std::filesystem::path& corvix_ini,
                                                   std::string_view default_department);

// The DepartmentCodes entry at the position of a department name (Big5) in DepartmentNames;
// empty when the name is not one of them.
std::string CodeOfDepartmentName(std::string_view big5_name);

}  // namespace zuvo
