#include "charts/chart_clinic_file.h"

#include <algorithm>

#include "core/roc_date.h"
#include "core/step_context.h"
#include "platform/big5.h"

namespace zuvo {

bool ChartClinicFile::HasDoctor() const {
  return std::any_of(doctors.begin(), doctors.end(),
                     [](const auto& doctor) { return !doctor.second.empty(); });
}

ChartClinicFile ReadChartClinicFile(const ClinicSettings& settings) {
  ChartClinicFile file;
  file.main_doctor_name = settings.MainDoctorName();
  file.main_doctor_id = settings.MainDoctorId();
  const ClinicStartSettings start = settings.StartSettings();
  file.pharmacist_name = start.pharmacist_name;
  file.pharmacist_id = start.pharmacist_id;
  file.opening_date = big5::Trim(start.opening_date);
  file.clinic_type = big5::Trim(settings.DepartmentCode());
  for (ProfileEntry& doctor : settings.Doctors()) {
    file.doctors.emplace_back(std::move(doctor.key), std::move(doctor.value));
  }
  file.duplicates = settings.DuplicatePatientEntries();
  return file;
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
