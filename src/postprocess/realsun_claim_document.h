#pragma once

// The outpatient claim document TOTFA.XML of an NHI claim month, read as one Big5 text. Each
// claim is a <ddata> element: <dhead> with the case type d1, then <dbody> with the claim fields
// d3 ... d49 followed by a run of order lines <pdata> (fields p1 ... p20). The reader works on the
// raw bytes: the markup characters never occur inside a Big5 character, and values are handed
// on as the bytes the document holds.

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

// One order line of a claim: the trimmed values of its fields p1 ... p20 as ElementValue finds
// them by name (letter case aside; the first of a name wins; empty when missing).
struct ClaimOrderLine {
  static constexpr int kLastField = 20;
  std::array<std::string, kLastField + 1> values;  // values[n] of field pn; values[0] unused

  const std::string& code() const { return values[4]; }  // the NHI code
};

struct Claim {
  std::string case_type;          // d1 of <dhead>, trimmed
  std::vector<std::string> body;  // "name=value" for each field of <dbody> before the order lines
  // The order lines: from the first "<pdata>" up to the "</dbody>"; empty without order lines.
  std::string order_text;
  // The order lines of order_text, in order (ReadNextClaim reads them once, with the claim).
  std::vector<ClaimOrderLine> order_lines = {};

  // The trimmed value of body field `name` ("d3"); empty when the claim has no such field.
  std::string Field(std::string_view name) const;
};

enum class ClaimReadStatus {
  kClaim,         // `claim` holds the next claim
  kNoMoreClaims,  // no "<ddata>" from the offset on
  kMalformed      // the claim cannot be read (see ReadNextClaim); the rest of the text is not read
};

struct ClaimRead {
  ClaimReadStatus status = ClaimReadStatus::kNoMoreClaims;
  Claim claim;
  size_t next =
      0;  // 0-based offset just after the claim's "</dbody>": where the next one is sought
};

// Reads the claim at the first "<ddata>" at or after the 0-based offset `from`. It is malformed
// when its "<dbody>" or "</dbody>" is missing, another "<ddata>" comes before its "<dbody>", its
// <dhead> is missing, or an element of the head, the body or an order line is not closed. Never
// reads outside `document`.
ClaimRead ReadNextClaim(std::string_view document, size_t from);

// Reads the <pdata> elements of `order_text` in order and calls `line` with the "name=value"
// lines of each until it returns false. False when an order line or one of its fields is not
// closed.
bool ReadOrderLines(std::string_view order_text,
                    const std::function<bool(const std::vector<std::string>&)>& line);
// The order lines of `order_text` appended to `lines`; false when one is not closed (the lines
// before it are appended).
bool ReadClaimOrderLines(std::string_view order_text, std::vector<ClaimOrderLine>& lines);

}  // namespace zuvo
