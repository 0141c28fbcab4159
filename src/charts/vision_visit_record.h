#pragma once

// The VisitRecord of a Vision visit row: card sequence, doctor, co-payment class and code,
// refill and course marks, special treatments, procedures, the clinic period. Point totals and
// the order-mix mark are filled later from the order lines.

#include <map>
#include <string>
#include <vector>

#include "charts/visit_record_basics.h"
#include "core/chart_records.h"
#include "core/message_sink.h"
#include "core/roc_date.h"

namespace zuvo {

struct VisionVisitRow;

// The clinic whose empty DAYQTY counts as three days and whose co-payment code "C10" is kept.
inline constexpr std::string_view kVisionSpecialClinicId = "3537031434";

// What the conversion knows of the clinic (data.ini); Big5 texts.
struct VisionClinicSettings {
  std::string clinic_id;  // NHI code of the clinic, trimmed
  std::string main_doctor_name, main_doctor_id;
  std::string pharmacist_name, pharmacist_id;
  std::map<std::string, std::string> doctor_name_by_id;  // [DOCTOR]: name = national ID
};

struct VisionVisitRecord {
  VisitRecord visit;
  char payment_class = '0';
  std::string case_type;                     // LCS as written (before "04" becomes "09")
  std::vector<std::string> procedure_codes;  // LICD items, at most six
};

// Builds the visit record of `row` for `patient` at `visit_time` with `drug_days`. Unknown
// doctors and co-payment codes are listed through `sink` and replaced.
VisionVisitRecord BuildVisionVisitRecord(const VisionVisitRow& row, int32_t patient,
                                         DateTime visit_time, int drug_days,
                                         const VisionClinicSettings& clinic,
                                         const MessageSink& sink);

// The card sequence of a trimmed LISRS value (before the refill and self-paid rules).
std::string VisionCardSequence(const std::string& lisrs);

}  // namespace zuvo
