#pragma once

// data.ini: the clinic folder's settings file, carried from step to step and from run to run (a
// Big5 profile file; section and key names compare without regard to letter case). This type is
// the only way in, so what one step hands the next is written here:
//
// - [system] 開業日期, Pharmacistname, PharmacistID: noted from the page by the folder choice,
//   the catalogue steps and the RealSun chart step, or (the opening date) by the Vision
//   pre-pass from the earliest order; read by the patient and chart steps.
// - [system] MainDrName, MainDrID: noted by the support engineer; read by the staff and chart
//   steps. ClinicTypeNo (the department code): noted by the staff steps, read by the charts.
// - [DOCTOR] name = national ID: noted by the staff steps; the chart steps find a visit's doctor.
// - [DUPID] skipped chart number = kept chart number: rewritten by each patient step for a
//   repeated national ID; the chart steps and the lab import read a patient by the kept number;
//   the RealSun chart step drops an entry when a newborn's own ID turns up ([IDFIX]).
// - [IDFIX] chart number = national ID: read by the RealSun patient step.
// - [DUPMX] source code or old trade name = code to use instead: noted by the catalogue steps;
//   read by the remark analysis, the RealSun combinations and the chart steps.
// - [UseMethodFix] frequency text = frequency code: mapped by the support engineer; a text no
//   step can read is noted with "X"; read by the catalogue and chart steps.
// - [DXfix] English name = ICD-10 and [DXcodefix] clinic code = ICD-10: noted by the RealSun
//   catalogue step for the engineer to fill in; read by the combinations and the chart step.
// - [reMark] phrases of the Vision patient remarks; [安裝遺漏醫令] NHI code = order class of
//   orders the Vision catalogue must add.
//
// Texts are Big5, trimmed; a value in quotes is read without them. A missing file reads as
// empty and is made by the first note. Every note reaches the file before the call returns,
// or once at the end of a Batch. Read and write errors throw Error naming the file.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_file.h"
#include "workspace/clinic_fields.h"

namespace zuvo {

// What the folder choice reads from [system]; Big5 texts, empty when missing.
struct ClinicStartSettings {
  std::string opening_date;
  std::string pharmacist_name;
  std::string pharmacist_id;
};

// A [DUPID] entry: the chart number kept for a repeated national ID, and the key as written
// (the skipped chart number).
struct DuplicatePatient {
  int64_t kept = 0;
  std::string key;
};

// [DUPID] by value of the key: the visit tables write the number with leading zeros where the
// patient step wrote it without. The first of repeated numbers wins; an entry whose key or
// value is no integer is left out.
class DuplicatePatients {
 public:
  void Add(int64_t skipped, DuplicatePatient patient);
  // The entry of `number`, or null.
  const DuplicatePatient* Find(int64_t number) const;
  // The kept chart number of `number`, or `number` itself.
  int64_t KeptPatient(int64_t number) const;

 private:
  std::map<int64_t, DuplicatePatient> by_number_;
};

class ClinicSettings {
 public:
  // clinic folder / data.ini; an existing file in other letter case is found.
  explicit ClinicSettings(const std::filesystem::path& clinic_folder);

  const std::filesystem::path& path() const { return file_.path(); }
  bool Exists() const;

  ClinicStartSettings StartSettings() const;
  // Notes each of `settings` that differs from what the file holds.
  void NoteStartSettings(const ClinicStartSettings& settings);
  void NoteOpeningDate(std::string_view roc_date);
  // A pharmacist: the first under Pharmacistname and PharmacistID, the n-th (number > 1) under
  // Pharmacistname<n> and PharmacistID<n>.
  void NotePharmacist(std::string_view name, std::string_view national_id, int number = 1);
  std::string MainDoctorName() const;
  std::string MainDoctorId() const;
  std::string DepartmentCode() const;
  void NoteDepartmentCode(std::string_view code);
  // [system] 轉換主訴: false only when it reads "N".
  bool ConvertsComplaints() const;

  std::vector<ProfileEntry> Doctors() const;
  void NoteDoctor(std::string_view name, std::string_view national_id);

  DuplicatePatients DuplicatePatientEntries() const;
  void ClearDuplicatePatients();
  void NoteDuplicatePatient(std::string_view skipped_chart_text, int64_t kept);
  void DropDuplicatePatient(std::string_view key);

  std::vector<ProfileEntry> IdFixes() const;
  void NoteIdFix(int64_t chart_number, std::string_view national_id);

  std::vector<ProfileEntry> OrderCodeRenames() const;
  void NoteOrderCodeRename(std::string_view old_code, std::string_view code);

  std::vector<ProfileEntry> FrequencyCorrections() const;
  void NoteUnreadableFrequency(std::string_view text);

  std::vector<ProfileEntry> DiagnosisNameFixes() const;
  void NoteDiagnosisNameFix(std::string_view english_name, std::string_view code);
  std::vector<ProfileEntry> DiagnosisCodeFixes() const;
  void NoteDiagnosisCodeFix(std::string_view clinic_code, std::string_view code);

  std::vector<ProfileEntry> RemarkPhrases() const;
  std::vector<ProfileEntry> MissingOrders() const;

  // One UTF-8 line per repeated key ("data.ini [system] Pharmacistname 重複,採用第一個值").
  std::vector<std::string> DuplicateKeyWarnings() const;

  // Groups notes into one write of the file (see ProfileFile::Batch).
  class Batch {
   public:
    explicit Batch(ClinicSettings& settings) : batch_(settings.file_) {}

   private:
    ProfileFile::Batch batch_;
  };

 private:
  ProfileFile file_;
};

// The start settings of the clinic folder's data.ini, after refusing a file that is not Big5
// text (Error naming it).
ClinicStartSettings ReadClinicStartSettings(const std::filesystem::path& clinic_folder);

// The settings a step runs with when the page's fields stand over the file's: a filled
// pharmacist name replaces the file's name and ID; a filled start date stands for a missing
// opening date. Texts trimmed. A step checks these, and notes them with NoteStartSettings only
// once every check has passed.
ClinicStartSettings PageOverFileSettings(const ClinicFolderFields& page,
                                         const ClinicStartSettings& file);

}  // namespace zuvo
