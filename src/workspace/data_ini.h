#pragma once

// data.ini: the clinic folder's settings file, carried from step to step and from run to run
// (Big5 profile file; section and key names compare without regard to case). Section and key
// names are given here in UTF-8 and reach the file as Big5.

#include <filesystem>
#include <string>
#include <string_view>

#include "workspace/clinic_fields.h"

namespace zuvo {

class ProfileFile;

inline constexpr std::string_view kDataIniName = "data.ini";
inline constexpr std::string_view kDataIniSystemSection = "system";
inline constexpr std::string_view kOpeningDateKey = "開業日期";
inline constexpr std::string_view kPharmacistNameKey = "Pharmacistname";
inline constexpr std::string_view kPharmacistIdKey = "PharmacistID";
// Source order codes (or old catalogue names) and the code to use instead.
inline constexpr std::string_view kDupMxSection = "DUPMX";

// clinic folder / data.ini (an existing file in other letter case is found).
std::filesystem::path DataIniFile(const std::filesystem::path& clinic_folder);

// What the folder choice reads from [system]; Big5 texts, empty when missing.
struct ClinicStartSettings {
  std::string opening_date;
  std::string pharmacist_name;
  std::string pharmacist_id;
};

// Throws Error naming the file when it is not Big5 text or cannot be read.
ClinicStartSettings ReadClinicStartSettings(const std::filesystem::path& clinic_folder);
ClinicStartSettings ReadClinicStartSettings(const ProfileFile& data_ini);

// The settings a step runs with when the page's fields stand over data.ini's `file`: a filled
// pharmacist name replaces data.ini's name and ID; a filled start date stands for a missing
// opening date. Texts trimmed. A step checks these, and notes them with
// WriteClinicStartSettings only once every check has passed.
ClinicStartSettings PageOverFileSettings(const ClinicFolderFields& page,
                                         const ClinicStartSettings& file);
// Writes into [system] each of `settings` that differs from what data.ini holds.
void WriteClinicStartSettings(ProfileFile& data_ini, const ClinicStartSettings& settings);

}  // namespace zuvo
