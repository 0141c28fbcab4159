#pragma once

// What the patient steps of every source system share: emptying the patient store before a run,
// filling a new patient record, the elements of its note, and the national IDs already written,
// whose repeats are listed, skipped and recorded in data.ini [DUPID] (chart number of the
// skipped row = chart number of the patient it belongs to).

#include <cstdint>
#include <string>
#include <string_view>

#include "core/patient_record.h"
#include "core/roc_date.h"
#include "core/step_context.h"
#include "core/store_location.h"
#include "patients/written_patients.h"
#include "workspace/clinic_settings.h"

namespace zuvo {

// The payment class every patient starts with, and the co-payment code written for all.
inline constexpr char kDefaultPaymentClass = '3';
inline constexpr std::string_view kDefaultCopayCode = "D10";

// Creates the store folder and deletes every PtData.* file in it, so that a run starts from an
// empty store. Throws Error naming a file that cannot be deleted.
void ClearPatientStore(const StoreLocation& store);

// `text` cut to the capacity of `field` without splitting a double-byte character.
std::string FittedText(std::string_view text, const TextField& field);

// `phone` when it is a mobile number (it starts with "09"), else empty.
std::string MobileNumberOf(std::string_view phone);

// The values of a new patient record. Texts are Big5, trimmed; longer than their fields, they
// are cut without splitting a double-byte character.
struct NewPatient {
  int32_t number = 0;
  std::string national_id;
  std::string name;
  DateTime birthday = 0;
  char sex = 'M';
  std::string reserved66;  // the text at offset 66
  std::string telephone;
  std::string mobile;
  std::string address;
};

// The record of `patient`, with payment class '3', co-payment code "D10", no chart yet and 0 at
// offset 62. The note is not part of it (WritePatient stores it).
PatientRecord MakePatientRecord(const NewPatient& patient);

// Appends the note element "<tag>" + text + "</tag>" to `note`.
void AppendNoteElement(std::string& note, std::string_view tag, std::string_view text);

// The clinic's duplicate patients as a patient step rewrites them: cleared when this is made;
// the entries added reach the file in one write when this ends (also when an error ends the
// step).
class DuplicateIdSection {
 public:
  explicit DuplicateIdSection(ClinicSettings& settings);

  // When `national_id` was written already (letter case aside): lists
  // "身分證重複:病歷號" + chart_text + "身分證 " + the ID stored for the earlier patient, records
  // chart_text = the earlier chart number, and returns true: the row is skipped.
  // `chart_text` is the chart number as the source holds it (Big5).
  bool SkipRepeated(const WrittenPatients& written, std::string_view national_id,
                    std::string_view chart_text, StepContext& context);

 private:
  static ClinicSettings& Cleared(ClinicSettings& settings);

  ClinicSettings& settings_;
  ClinicSettings::Batch batch_;
};

}  // namespace zuvo
