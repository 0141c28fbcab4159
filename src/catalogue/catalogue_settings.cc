#include "catalogue/catalogue_settings.h"

#include <cstdint>

#include "catalogue/work_tree_copy.h"
#include "core/code_tables.h"
#include "core/number_text.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"

namespace zuvo {

RateTable RateTable::Read(const std::filesystem::path& corvix_ini) {
  ProfileFile file(corvix_ini);
  RateTable table;
  constexpr std::string_view kSection = "MXuseMethod";
  for (const std::string& key : file.KeyNames(kSection)) {
    std::string upper = big5::UpperAscii(key);
    if (table.rates_.contains(upper)) continue;  // the first of duplicate keys is the one read
    std::string value = file.ReadString(kSection, key);
    std::optional<int64_t> rate = ParseInteger(value);
    if (!rate || *rate < INT32_MIN || *rate > INT32_MAX) {
      throw Error(corvix_ini.string() + ": [MXuseMethod] " + big5::ToUtf8Escaped(key) + "=" +
                  big5::ToUtf8Escaped(value) + " is not a valid integer value");
    }
    table.rates_.emplace(std::move(upper), static_cast<int>(*rate));
  }
  return table;
}

std::optional<int> RateTable::Find(std::string_view big5_code) const {
  auto found = rates_.find(big5::UpperAscii(big5_code));
  if (found == rates_.end()) return std::nullopt;
  return found->second;
}

CodeSet CodeSet::ReadSectionKeys(const std::filesystem::path& ini, std::string_view section_utf8) {
  ProfileFile file(ini);
  CodeSet set;
  for (const std::string& key : file.KeyNames(big5::Literal(section_utf8))) {
    set.codes_.insert(big5::UpperAscii(big5::Trim(key)));
  }
  return set;
}

bool CodeSet::Contains(std::string_view big5_code) const {
  return codes_.contains(big5::UpperAscii(big5_code));
}

void WriteClinicKeys(const std::filesystem::path& corvix_ini, const ClinicKeys& keys) {
  ProfileFile file(corvix_ini);
  ProfileFile::Batch batch(file);
  const std::string& system = big5::Literal("System");
  file.WriteString(system, big5::Literal("診所名稱"), keys.name);
  file.WriteString(system, big5::Literal("診所健保代碼"), keys.nhi_code);
  file.WriteString(system, big5::Literal("診所電話"), keys.telephone);
  file.WriteString(system, big5::Literal("診所地址"), keys.address);
  file.WriteString(system, big5::Literal("就醫科別"), keys.department_name);
  file.WriteString("Corvix", "HostName", keys.host_name);
}

std::optional<std::string> PlaceClinicSettingsFile(const std::filesystem::path& program_folder,
                                                   const std::filesystem::path& clinic_folder,
                                                   const std::filesystem::path& corvix_ini,
                                                   std::string_view default_department) {
  if (std::optional<std::filesystem::path> prepared = ResolvePath(clinic_folder, "CORVIX.INI")) {
    ReplaceWithCopy(*prepared, corvix_ini);
    return ProfileFile(corvix_ini)
        .ReadString("System", big5::Literal("就醫科別"), default_department);
  }
  ReplaceWithCopy(program_folder / "CORVIX.INI", corvix_ini);
  return std::nullopt;
}

std::string CodeOfDepartmentName(std::string_view big5_name) {
  for (size_t i = 0; i < DepartmentNames.size(); ++i) {
    if (big5::Literal(DepartmentNames[i]) == big5_name) return std::string(DepartmentCodes[i]);
  }
  return {};
}

}  // namespace zuvo
