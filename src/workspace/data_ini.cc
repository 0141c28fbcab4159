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
  return ReadClinicStartSettings(ProfileFile(file));
}

ClinicStartSettings ReadClinicStartSettings(const ProfileFile& data_ini) {
  const std::string& section = big5::Literal(kDataIniSystemSection);
  return {data_ini.ReadString(section, big5::Literal(kOpeningDateKey)),
          data_ini.ReadString(section, big5::Literal(kPharmacistNameKey)),
          data_ini.ReadString(section, big5::Literal(kPharmacistIdKey))};
}

ClinicStartSettings PageOverFileSettings(const ClinicFolderFields& page,
                                         const ClinicStartSettings& file) {
  ClinicStartSettings settings{big5::Trim(file.opening_date), big5::Trim(file.pharmacist_name),
                               big5::Trim(file.pharmacist_id)};
  if (std::string name = big5::Trim(page.pharmacist_name); !name.empty()) {
    settings.pharmacist_name = std::move(name);
    settings.pharmacist_id = big5::Trim(page.pharmacist_id);
  }
  if (std::string start = big5::Trim(page.start_date);
      settings.opening_date.empty() && !start.empty()) {
    settings.opening_date = std::move(start);
  }
  return settings;
}

void WriteClinicStartSettings(ProfileFile& data_ini, const ClinicStartSettings& settings) {
  const ClinicStartSettings held = ReadClinicStartSettings(data_ini);
  const std::string& section = big5::Literal(kDataIniSystemSection);
  ProfileFile::Batch batch(data_ini);
  auto write = [&](std::string_view key_utf8, const std::string& held_value,
                   const std::string& value) {
    if (big5::Trim(held_value) != value)
      data_ini.WriteString(section, big5::Literal(key_utf8), value);
  };
  write(kPharmacistNameKey, held.pharmacist_name, settings.pharmacist_name);
  write(kPharmacistIdKey, held.pharmacist_id, settings.pharmacist_id);
  write(kOpeningDateKey, held.opening_date, settings.opening_date);
}

}  // namespace zuvo
