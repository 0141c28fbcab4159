#pragma once

// The adult preventive health check (成人健檢) of a visit: Vision keeps its results in CO18R.DBF,
// one row per patient and check date; the chart entry shows them as a group of exam items in PE
// markup and marks the health-check order line with the contracted laboratory and the upload.

#include <string>
#include <string_view>

#include "core/chart_records.h"

namespace zuvo {

class DbfTable;

// Order-line flags 3 of a health check whose result has been uploaded to the NHI.
inline constexpr int16_t kOrderFlagsHealthCheckUploaded = 0x0084;

// NHI codes of the order lines that carry an adult health check.
bool IsAdultHealthCheckCode(std::string_view insurance_code);

// Appends the health-check group of (`patient_number`, `visit_date`) — matched against the
// trimmed KCSTMR and RDATE of `health_checks` (the work tree's CO18R.DBF) — to `exam_text` and
// marks `order`: executing staff := RLNO; when RULDT is not blank flags 3 |= 0x0084 and the
// preparation note := "<上傳日期" + RULDT + ">", else the note is emptied. Nothing happens when
// `exam_text` already holds a health-check group (one per visit) or no row matches. `sex` is
// the patient record's sex character ('M' or 'm' for men). Moves the table's cursor.
void AddAdultHealthCheck(DbfTable& health_checks, std::string_view patient_number,
                         std::string_view visit_date, std::string& exam_text, OrderRecord& order,
                         char sex);

// The metabolic-syndrome grade 1..4: one plus the number of risk factors among waist, HDL,
// systolic and diastolic pressure, fasting glucose and triglyceride (values as read, 0 when
// blank), at most 4.
struct MetabolicReadings {
  double waist = 0, hdl = 0, systolic = 0, diastolic = 0, glucose = 0, triglyceride = 0;
};
int MetabolicSyndromeGrade(const MetabolicReadings& readings, char sex);

}  // namespace zuvo
