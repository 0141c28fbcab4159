// Reads every input as a claim document: each claim the reader finds is applied to a visit and
// an order line. The reader must make progress, stay inside the text and never crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/tag_elements.h"
#include "postprocess/realsun_claim_corrections.h"
#include "postprocess/realsun_claim_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  size_t at = 0;
  for (;;) {
    zuvo::ClaimRead read = zuvo::ReadNextClaim(document, at);
    if (read.status != zuvo::ClaimReadStatus::kClaim) break;
    if (read.next <= at || read.next > document.size()) __builtin_trap();
    at = read.next;
    const zuvo::Claim& claim = read.claim;

    zuvo::VisitRecord visit;
    visit.Set(zuvo::visit_field::kCardSequence, claim.Field("d29"));
    visit.Set(zuvo::visit_field::kVisitDateTime, zuvo::ClaimVisitDay(claim));
    if (std::optional<zuvo::ClaimDays> days = zuvo::ClaimDaysOf(claim)) {
      if (zuvo::VisitMatchesClaim(visit, claim.Field("d29"), zuvo::ClaimVisitDay(claim))) {
        zuvo::CorrectVisitFromClaim(visit, claim, 1, zuvo::ClaimCopayOf(claim), *days);
      }
    }
    // An order line with the code of each claimed line, and one with a code of the text.
    zuvo::ReadOrderLines(claim.order_text, [&](const std::vector<std::string>& fields) {
      zuvo::OrderRecord order;
      order.Set(zuvo::order_field::kInsuranceCode, zuvo::ElementValue(fields, "p4"));
      zuvo::UpdateOrderFromClaim(order, claim.order_text, claim.case_type);
      return true;
    });
    zuvo::OrderRecord order;
    order.Set(zuvo::order_field::kInsuranceCode, claim.order_text.substr(0, 12));
    zuvo::UpdateOrderFromClaim(order, claim.order_text, claim.case_type);
  }
  return 0;
}
