#pragma once

// What every chart conversion writes into a VisitRecord the same way: patient, staff, the visit
// time three times, the base flags and the constant marks.

#include <initializer_list>
#include <string>
#include <string_view>

#include "core/chart_records.h"
#include "core/roc_date.h"

namespace zuvo {

// Big5 texts.
struct VisitStaff {
  std::string doctor_name, doctor_id;
  std::string pharmacist_name, pharmacist_id;
};

// Sets 0 patient, 9 "0000", 36/47 doctor, 58/69 pharmacist, 80/88/96 visit time, 109 the base
// flags, 170 '4', 174–176 '1' '1' '0', 179/189/199 nine blanks, 227 ' ', 244 empty, 255 "1",
// 260 the clinic period of the visit time and 261 '0'. Other fields are left as they are.
void FillVisitBasics(VisitRecord& visit, int32_t patient, DateTime visit_time,
                     const VisitStaff& staff);

// True when `value` is one of `candidates` (case types, co-payment codes, cards).
inline bool IsOneOf(std::string_view value, std::initializer_list<std::string_view> candidates) {
  for (std::string_view candidate : candidates) {
    if (value == candidate) return true;
  }
  return false;
}

// 'A' before 13:00, 'B' before 19:00, else 'C'.
char ClinicPeriodLetter(DateTime visit_time);

}  // namespace zuvo
