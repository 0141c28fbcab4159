#include "workspace/clinic_settings.h"

#include "core/number_text.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "workspace/path_text.h"
#include "workspace/settings_file_check.h"

namespace zuvo {
namespace {

constexpr std::string_view kFileName = "data.ini";

constexpr std::string_view kSystemSection = "system";
constexpr std::string_view kOpeningDateKey = "開業日期";
constexpr std::string_view kPharmacistNameKey = "Pharmacistname";
constexpr std::string_view kPharmacistIdKey = "PharmacistID";
constexpr std::string_view kMainDoctorNameKey = "MainDrName";
constexpr std::string_view kMainDoctorIdKey = "MainDrID";
constexpr std::string_view kDepartmentCodeKey = "ClinicTypeNo";
constexpr std::string_view kConvertComplaintsKey = "轉換主訴";

constexpr std::string_view kDoctorSection = "DOCTOR";
constexpr std::string_view kDuplicatePatientSection = "DUPID";
constexpr std::string_view kIdFixSection = "IDFIX";
constexpr std::string_view kOrderCodeRenameSection = "DUPMX";
constexpr std::string_view kFrequencyFixSection = "UseMethodFix";
// The mark of a frequency text still to be mapped; it maps to nothing.
constexpr std::string_view kUnmappedFrequency = "X";
constexpr std::string_view kDiagnosisNameFixSection = "DXfix";
constexpr std::string_view kDiagnosisCodeFixSection = "DXcodefix";
constexpr std::string_view kRemarkSection = "reMark";
constexpr std::string_view kMissingOrdersSection = "安裝遺漏醫令";

const std::string& Name(std::string_view utf8) { return big5::Literal(utf8); }

std::filesystem::path FileIn(const std::filesystem::path& clinic_folder) {
  return ResolvePath(clinic_folder, kFileName).value_or(clinic_folder / PathFromUtf8(kFileName));
}

}  // namespace

void DuplicatePatients::Add(int64_t skipped, DuplicatePatient patient) {
  by_number_.try_emplace(skipped, std::move(patient));
}

const DuplicatePatient* DuplicatePatients::Find(int64_t number) const {
  auto found = by_number_.find(number);
  return found == by_number_.end() ? nullptr : &found->second;
}

int64_t DuplicatePatients::KeptPatient(int64_t number) const {
  const DuplicatePatient* found = Find(number);
  return found == nullptr ? number : found->kept;
}

ClinicSettings::ClinicSettings(const std::filesystem::path& clinic_folder)
    : file_(FileIn(clinic_folder)) {}

bool ClinicSettings::Exists() const { return std::filesystem::exists(path()); }

ClinicStartSettings ClinicSettings::StartSettings() const {
  const std::string& system = Name(kSystemSection);
  return {file_.ReadString(system, Name(kOpeningDateKey)),
          file_.ReadString(system, Name(kPharmacistNameKey)),
          file_.ReadString(system, Name(kPharmacistIdKey))};
}

void ClinicSettings::NoteStartSettings(const ClinicStartSettings& settings) {
  const ClinicStartSettings held = StartSettings();
  const std::string& system = Name(kSystemSection);
  ProfileFile::Batch batch(file_);
  auto note = [&](std::string_view key_utf8, const std::string& held_value,
                  const std::string& value) {
    if (big5::Trim(held_value) != value) file_.WriteString(system, Name(key_utf8), value);
  };
  note(kPharmacistNameKey, held.pharmacist_name, settings.pharmacist_name);
  note(kPharmacistIdKey, held.pharmacist_id, settings.pharmacist_id);
  note(kOpeningDateKey, held.opening_date, settings.opening_date);
}

void ClinicSettings::NoteOpeningDate(std::string_view roc_date) {
  file_.WriteString(Name(kSystemSection), Name(kOpeningDateKey), roc_date);
}

void ClinicSettings::NotePharmacist(std::string_view name, std::string_view national_id,
                                    int number) {
  const std::string& system = Name(kSystemSection);
  const std::string suffix = number > 1 ? std::to_string(number) : "";
  ProfileFile::Batch batch(file_);
  file_.WriteString(system, std::string(kPharmacistNameKey) + suffix, name);
  file_.WriteString(system, std::string(kPharmacistIdKey) + suffix, national_id);
}

std::string ClinicSettings::MainDoctorName() const {
  return file_.ReadString(Name(kSystemSection), Name(kMainDoctorNameKey));
}

std::string ClinicSettings::MainDoctorId() const {
  return file_.ReadString(Name(kSystemSection), Name(kMainDoctorIdKey));
}

std::string ClinicSettings::DepartmentCode() const {
  return file_.ReadString(Name(kSystemSection), Name(kDepartmentCodeKey));
}

void ClinicSettings::NoteDepartmentCode(std::string_view code) {
  file_.WriteString(Name(kSystemSection), Name(kDepartmentCodeKey), code);
}

bool ClinicSettings::ConvertsComplaints() const {
  return big5::UpperAscii(big5::Trim(
             file_.ReadString(Name(kSystemSection), Name(kConvertComplaintsKey), "Y"))) != "N";
}

std::vector<ProfileEntry> ClinicSettings::Doctors() const {
  return file_.Entries(Name(kDoctorSection));
}

void ClinicSettings::NoteDoctor(std::string_view name, std::string_view national_id) {
  file_.WriteString(Name(kDoctorSection), name, national_id);
}

DuplicatePatients ClinicSettings::DuplicatePatientEntries() const {
  DuplicatePatients duplicates;
  for (ProfileEntry& entry : file_.Entries(Name(kDuplicatePatientSection))) {
    std::optional<int64_t> skipped = ParseInteger(entry.key);
    std::optional<int64_t> kept = ParseInteger(entry.value);
    if (skipped && kept) duplicates.Add(*skipped, {*kept, std::move(entry.key)});
  }
  return duplicates;
}

void ClinicSettings::ClearDuplicatePatients() {
  file_.EraseSection(Name(kDuplicatePatientSection));
}

void ClinicSettings::NoteDuplicatePatient(std::string_view skipped_chart_text, int64_t kept) {
  file_.WriteString(Name(kDuplicatePatientSection), skipped_chart_text, std::to_string(kept));
}

void ClinicSettings::DropDuplicatePatient(std::string_view key) {
  file_.DeleteKey(Name(kDuplicatePatientSection), key);
}

std::vector<ProfileEntry> ClinicSettings::IdFixes() const {
  return file_.Entries(Name(kIdFixSection));
}

void ClinicSettings::NoteIdFix(int64_t chart_number, std::string_view national_id) {
  file_.WriteString(Name(kIdFixSection), std::to_string(chart_number), national_id);
}

std::vector<ProfileEntry> ClinicSettings::OrderCodeRenames() const {
  return file_.Entries(Name(kOrderCodeRenameSection));
}

void ClinicSettings::NoteOrderCodeRename(std::string_view old_code, std::string_view code) {
  file_.WriteString(Name(kOrderCodeRenameSection), old_code, code);
}

std::vector<ProfileEntry> ClinicSettings::FrequencyCorrections() const {
  return file_.Entries(Name(kFrequencyFixSection));
}

void ClinicSettings::NoteUnreadableFrequency(std::string_view text) {
  file_.WriteString(Name(kFrequencyFixSection), text, kUnmappedFrequency);
}

std::vector<ProfileEntry> ClinicSettings::DiagnosisNameFixes() const {
  return file_.Entries(Name(kDiagnosisNameFixSection));
}

void ClinicSettings::NoteDiagnosisNameFix(std::string_view english_name, std::string_view code) {
  file_.WriteString(Name(kDiagnosisNameFixSection), english_name, code);
}

std::vector<ProfileEntry> ClinicSettings::DiagnosisCodeFixes() const {
  return file_.Entries(Name(kDiagnosisCodeFixSection));
}

void ClinicSettings::NoteDiagnosisCodeFix(std::string_view clinic_code, std::string_view code) {
  file_.WriteString(Name(kDiagnosisCodeFixSection), clinic_code, code);
}

std::vector<ProfileEntry> ClinicSettings::RemarkPhrases() const {
  return file_.Entries(Name(kRemarkSection));
}

std::vector<ProfileEntry> ClinicSettings::MissingOrders() const {
  return file_.Entries(Name(kMissingOrdersSection));
}

std::vector<std::string> ClinicSettings::DuplicateKeyWarnings() const {
  return zuvo::DuplicateKeyWarnings(path());
}

ClinicStartSettings ReadClinicStartSettings(const std::filesystem::path& clinic_folder) {
  RequireBig5SettingsFile(FileIn(clinic_folder));
  return ClinicSettings(clinic_folder).StartSettings();
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

}  // namespace zuvo
