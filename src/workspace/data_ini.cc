#include "workspace/data_ini.h"

#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "workspace/path_text.h"
#include "workspace/settings_file_check.h"

namespace zuvo {

std::filesystem::path DataIniFile(const std::filesystem::path& clinic_folder) {
  return ResolvePath(clinic_folder, kDataIniName)
      .value_or(clinic_folder / PathFromUtf8(kDataIniName));
}

ClinicStartSettings ReadClinicStartSettings(const std::filesystem::path& clinic_folder) {
  std::filesystem::path file = DataIniFile(clinic_folder);
  RequireBig5SettingsFile(file);
  ProfileFile ini(file);
  const std::string& section = big5::Literal(kDataIniSystemSection);
  return {ini.ReadString(section, big5::Literal(kOpeningDateKey)),
          ini.ReadString(section, big5::Literal(kPharmacistNameKey)),
          ini.ReadString(section, big5::Literal(kPharmacistIdKey))};
}

}  // namespace zuvo
