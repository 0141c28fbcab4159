#pragma once

// The clinic's data.ini as the chart conversions read it, and the checks that stop a chart
// conversion before anything is written.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zuvo {

class ProfileFile;
class StepContext;

inline constexpr std::string_view kUseMethodFixSection = "UseMethodFix";
inline constexpr std::string_view kDoctorSection = "DOCTOR";
inline constexpr std::string_view kDupIdSection = "DUPID";

// A [DUPID] entry: the chart number of a patient the patient step skipped for a repeated
// national ID, and the chart number kept for that ID.
struct DuplicatePatient {
  int64_t kept = 0;
  std::string key;  // the key as data.ini writes it
};

// Big5 texts, trimmed as read.
struct ChartClinicFile {
  std::string main_doctor_name, main_doctor_id;
  std::string pharmacist_name, pharmacist_id;
  std::string opening_date;  // 開業日期 as written
  std::string clinic_type;   // ClinicTypeNo
  // [DOCTOR] in file order: (name, national ID).
  std::vector<std::pair<std::string, std::string>> doctors;
  // [DUPID] by value of the key: the visit tables write the number with leading zeros where the
  // patient step wrote it without. The first of repeated numbers wins.
  std::map<int64_t, DuplicatePatient> duplicates;

  // True when [DOCTOR] names a doctor with a national ID.
  bool HasDoctor() const;
  // The kept chart number of `number`, or `number` itself.
  int64_t KeptPatient(int64_t number) const;
};

// Reads [system] MainDrName, MainDrID, Pharmacistname, PharmacistID, 開業日期, ClinicTypeNo,
// [DOCTOR] and [DUPID]. Throws Error naming the file when it cannot be read.
ChartClinicFile ReadChartClinicFile(const ProfileFile& data_ini);

// A section as key → value, keys upper-cased (the first of repeated keys wins); lines without
// "=" are left out.
std::unordered_map<std::string, std::string> ReadSectionMap(const ProfileFile& ini,
                                                            std::string_view section_utf8);

// The checks every chart conversion makes of the clinic file, each with its message box:
// "沒有開業日期記錄" when the opening date is missing or no date, "沒有診所醫師名字記錄" when no
// doctor is recorded. True when the conversion may go on.
bool CheckChartClinicFile(const ChartClinicFile& file, StepContext& context);

}  // namespace zuvo
