#pragma once

// The clinic's settings as the chart conversions read them, and the checks that stop a chart
// conversion before anything is written.

#include <string>
#include <utility>
#include <vector>

#include "workspace/clinic_settings.h"

namespace zuvo {

class StepContext;

// Big5 texts, trimmed as read.
struct ChartClinicFile {
  std::string main_doctor_name, main_doctor_id;
  std::string pharmacist_name, pharmacist_id;
  std::string opening_date;  // 開業日期 as written
  std::string clinic_type;   // the department code (ClinicTypeNo)
  // The clinic's doctors in file order: (name, national ID).
  std::vector<std::pair<std::string, std::string>> doctors;
  DuplicatePatients duplicates;

  // True when a doctor is noted with a national ID.
  bool HasDoctor() const;
  // The kept chart number of `number`, or `number` itself.
  int64_t KeptPatient(int64_t number) const { return duplicates.KeptPatient(number); }
};

// Throws Error naming the file when it cannot be read.
ChartClinicFile ReadChartClinicFile(const ClinicSettings& settings);

// The checks every chart conversion makes of the clinic file, each with its message box:
// "沒有開業日期記錄" when the opening date is missing or no date, "沒有診所醫師名字記錄" when no
// doctor is recorded. True when the conversion may go on.
bool CheckChartClinicFile(const ChartClinicFile& file, StepContext& context);

}  // namespace zuvo
