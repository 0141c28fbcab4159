#pragma once

// DiagnosisRecords as the chart conversions make them, and the fixed diagnoses of the NHI
// preventive-care services, which both source systems name by two digits (Vision "@nn", RealSun
// the card sequence "ICnn").

#include <string>
#include <string_view>

#include "core/chart_records.h"

namespace zuvo {

inline constexpr size_t kMaxDiagnosesPerVisit = 20;
// DiagnosisRecord source marks (offset 153): a valid ICD-10 diagnosis of the clinic's list or a
// fixed preventive-care code; code and name taken from the RealSun source's own tables.
inline constexpr int16_t kDiagnosisValidIcd10 = 6;
inline constexpr int16_t kDiagnosisFromSourceTables = 5;

// A record with code, name, short code (Big5) and source mark; everything else zero.
DiagnosisRecord MakeDiagnosisRecord(std::string_view code, std::string_view name,
                                    std::string_view short_code, int16_t mark);
// "NOCODE" / "[No Diagnosis]", mark 0: the record of a visit without any diagnosis.
DiagnosisRecord NoDiagnosisRecord();

// The fixed diagnosis of a preventive-care service; empty code when unknown.
struct PreventiveDiagnosis {
  std::string code;  // ASCII
  std::string name_utf8;
};
// By the service's two digits (11 newborn check, 12–20 child care, 21–28 adult check, ...).
PreventiveDiagnosis PreventiveCareDiagnosisOf(int service);

}  // namespace zuvo
