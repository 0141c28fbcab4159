#include "charts/chart_clinic_file.h"

#include <algorithm>

#include "core/number_text.h"
#include "core/roc_date.h"
#include "core/step_context.h"
#include "platform/big5.h"
#include "platform/profile_file.h"
#include "workspace/data_ini.h"

namespace zuvo {
namespace {

std::pair<std::string, std::string> SplitLine(const std::string& line) {
  size_t equals = line.find('=');
  if (equals == std::string::npos) return {big5::Trim(line), {}};
  return {big5::Trim(line.substr(0, equals)), big5::Trim(line.substr(equals + 1))};
}

}  // namespace

bool ChartClinicFile::HasDoctor() const {
  return std::any_of(doctors.begin(), doctors.end(),
                     [](const auto& doctor) { return !doctor.second.empty(); });
}

int64_t ChartClinicFile::KeptPatient(int64_t number) const {
  auto found = duplicates.find(number);
  return found == duplicates.end() ? number : found->second.kept;
}

ChartClinicFile ReadChartClinicFile(const ProfileFile& ini) {
  const std::string& system = big5::Literal(kDataIniSystemSection);
  ChartClinicFile file;
  file.main_doctor_name = ini.ReadString(system, "MainDrName");
  file.main_doctor_id = ini.ReadString(system, "MainDrID");
  file.pharmacist_name = ini.ReadString(system, big5::Literal(kPharmacistNameKey));
  file.pharmacist_id = ini.ReadString(system, big5::Literal(kPharmacistIdKey));
  file.opening_date = big5::Trim(ini.ReadString(system, big5::Literal(kOpeningDateKey)));
  file.clinic_type = big5::Trim(ini.ReadString(system, "ClinicTypeNo"));
  for (const std::string& line : ini.SectionLines(kDoctorSection)) {
    file.doctors.push_back(SplitLine(line));
  }
  for (const std::string& line : ini.SectionLines(kDupIdSection)) {
    auto [skipped, kept] = SplitLine(line);
    std::optional<int64_t> skipped_number = ParseInteger(skipped);
    std::optional<int64_t> kept_number = ParseInteger(kept);
    if (skipped_number && kept_number) {
      file.duplicates.try_emplace(*skipped_number, DuplicatePatient{*kept_number, skipped});
    }
  }
  return file;
}

std::unordered_map<std::string, std::string> ReadSectionMap(const ProfileFile& ini,
                                                            std::string_view section_utf8) {
  std::unordered_map<std::string, std::string> map;
  for (const std::string& line : ini.SectionLines(big5::Literal(section_utf8))) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    map.try_emplace(big5::UpperAscii(line.substr(0, equals)), line.substr(equals + 1));
  }
  return map;
}

bool CheckChartClinicFile(const ChartClinicFile& file, StepContext& context) {
  if (RocDateToDate(file.opening_date) == 0) {
    context.ShowMessage("沒有開業日期記錄");
    return false;
  }
  if (!file.HasDoctor()) {
    context.ShowMessage("沒有診所醫師名字記錄");
    return false;
  }
  return true;
}

}  // namespace zuvo
