#pragma once

// One row of the Vision patient table CO01M.DBF as the patient conversion reads it, and the
// patient record made from it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/patient_record.h"
#include "core/roc_date.h"
#include "patients/patient_conversion.h"
#include "patients/remark_analysis.h"
#include "platform/dbf_table.h"

namespace zuvo {

inline constexpr std::string_view kVisionPatientTable = "CO01M.DBF";

// The fields read, raw Big5 as stored (untrimmed); MREMARK also when it is a memo field.
struct VisionPatientRow {
  std::string KCSTMR;
  std::string MPERSONID;
  std::string MNAME;
  std::string MBIRTHDT;
  std::string MSEX;
  std::string MTELH;
  std::string MFML;
  std::string MADDR;
  RemarkFields remarks;
};

VisionPatientRow ReadVisionPatientRow(const DbfTable& table);

// A text field whose bytes are not Big5 text (a character cut in half at the end of the field,
// bytes outside the code page): its name and trimmed value. They are stored as they are and
// reported, never replaced silently.
struct BrokenBig5Field {
  std::string_view name;
  std::string value;
};
std::vector<BrokenBig5Field> FieldsWithBrokenBig5(const VisionPatientRow& row);

// The chart number of `KCSTMR`: a whole number (blanks around it allowed), 0 when the text is
// not one. A number outside 1..2147483647 cannot address a patient record: the caller refuses
// it.
int64_t ChartNumberOf(std::string_view kcstmr);

// The values of the record that do not depend on other rows. `national_id` is the ID to store
// (the trimmed ID or its "@" serial replacement) and `converted_at` the birthday used when
// MBIRTHDT is no valid date. Texts are cut to their field sizes without splitting a double-byte
// character.
struct VisionPatientValues {
  PatientRecord record;
  std::string stored_name;
  bool name_missing = false;
  bool birthday_invalid = false;
  std::string mobile_or_second_phone;  // trimmed MFML, for the note's "<TO>" element
};
VisionPatientValues MakeVisionPatientRecord(const VisionPatientRow& row, int32_t chart_number,
                                            std::string_view national_id, DateTime converted_at);

// "<TO>" + MFML + "</TO>" when the second telephone is not empty, then the remark elements.
std::string VisionPatientNote(std::string_view second_phone, const RemarkLists& remarks);

}  // namespace zuvo
