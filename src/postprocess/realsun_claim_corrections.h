#pragma once

// What an NHI claim changes in a converted visit: the VisitRecord of the claimed visit, its
// OrderRecords from the claim's order lines, and the co-payment of the patient record. Claim
// values are Big5 bytes; texts are cut to their fields' capacities without splitting a
// character.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/chart_records.h"
#include "core/roc_date.h"
#include "postprocess/realsun_claim_document.h"

namespace zuvo {

// The visit flags of every corrected visit.
inline constexpr int16_t kClaimedVisitFlags = 0x1043;

struct ClaimCopay {
  std::string code;          // the claim's d15; "000" when CopayCodes does not list it
  char payment_class = '0';  // its CopayClassOf class; '3' for case types "D2" and "A3"
  bool known = true;         // false when d15 is not in CopayCodes
};
ClaimCopay ClaimCopayOf(const Claim& claim);

struct ClaimDays {
  int16_t drug_days = 0;   // d27
  int16_t total_days = 0;  // d44
};
// d27 and d44, which must be integers (of the 16-bit fields they go to); empty otherwise.
std::optional<ClaimDays> ClaimDaysOf(const Claim& claim);

// The claimed visit's day: d9, or d10 for case type "08"; 0 when it is no ROC date.
DateTime ClaimVisitDay(const Claim& claim);

// True when `visit` carries the health-card sequence `sequence` (trimmed d29) and its visit
// date-time falls on `day`.
bool VisitMatchesClaim(const VisitRecord& visit, std::string_view sequence, DateTime day);

// Writes the claimed values into the visit record of patient `patient`: IDs of doctor and
// pharmacist, co-payment, visit flags 0x1043, point totals (the drug total only when the
// prescription is not released, pharmacist "釋出處方箋"), department, refill number, case type,
// special treatment and procedure codes, payment category, visit category "AC" for case types
// "D2" and "A3", days, first-prescription date (case type "08"), newborn's birth date and d48.
void CorrectVisitFromClaim(VisitRecord& visit, const Claim& claim, int32_t patient,
                           const ClaimCopay& copay, const ClaimDays& days);

// Copies the claimed order line whose trimmed p4 is the trimmed NHI code of `order` (the first of
// the claim's order lines) into `order`: days, dispensing letter and order
// category, dose, site, frequency, payment percentage, route, total quantity, unit price (kept
// for case type "01"), execution start and end, staff ID, the marks at 187 to 203. An execution
// time that is no ROC time stamp keeps the time converted. Returns false, changing nothing,
// when the code is empty or no order line has it.
bool UpdateOrderFromClaim(OrderRecord& order, const std::vector<ClaimOrderLine>& order_lines,
                          std::string_view case_type);
// As above, with the order lines read from `order_text`.
bool UpdateOrderFromClaim(OrderRecord& order, std::string_view order_text,
                          std::string_view case_type);

}  // namespace zuvo
