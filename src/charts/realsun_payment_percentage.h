#pragma once

// The claim percentage of a RealSun order line (OrderRecord offset 105, percent × 100): the NHI
// surcharges for young children on consultations, examinations and surgery, emergency visits
// and the special materials.

#include <cstdint>
#include <string_view>

#include "core/roc_date.h"

namespace zuvo {

// `kind` is the line's order kind (flags 1), `code` its NHI code, `mark` the catalogue's
// INSUmark, `flags` the line's flags 1. A child is an infant when the visit's yyyymm minus the
// birth's yyyymm, as six-digit numbers, is at most 5 (born in November and seen in February is
// 91: no infant); otherwise its age is the difference of the calendar years. An unknown birth
// date (0) counts as an adult.
int16_t PaymentPercentage(int16_t kind, std::string_view code, std::string_view mark,
                          bool emergency, DateTime birth_date, DateTime visit_date,
                          int16_t flags = 0);

}  // namespace zuvo
