#include "postprocess/realsun_claim_document.h"

#include "core/tag_elements.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr std::string_view kClaimOpening = "<ddata>";
constexpr std::string_view kBodyOpening = "<dbody>";
constexpr std::string_view kBodyClosing = "</dbody>";
constexpr std::string_view kOrderLineOpening = "<pdata>";

ClaimRead Malformed() { return {ClaimReadStatus::kMalformed, {}, 0}; }

}  // namespace

bool ReadOrderLines(std::string_view order_text,
                    const std::function<bool(const std::vector<std::string>&)>& line) {
  std::vector<std::string> fields;
  for (size_t at = order_text.find(kOrderLineOpening); at != std::string_view::npos;) {
    const size_t after = ReadTagElements(order_text, at + 1, "pdata", fields);
    if (after == 0) return false;
    if (!line(fields)) return true;
    at = order_text.find(kOrderLineOpening, after - 1);
  }
  return true;
}

bool ReadClaimOrderLines(std::string_view order_text, std::vector<ClaimOrderLine>& lines) {
  return ReadOrderLines(order_text, [&lines](const std::vector<std::string>& fields) {
    ClaimOrderLine& line = lines.emplace_back();
    std::array<bool, ClaimOrderLine::kLastField + 1> found{};
    for (const std::string& field : fields) {
      // "p7=..." or "P7=...": the digits as written, without a leading zero.
      const size_t equals = field.find('=');
      if (equals < 2 || equals > 3 || (field[0] != 'p' && field[0] != 'P') || field[1] == '0') {
        continue;
      }
      int number = 0;
      for (size_t at = 1; at < equals && number >= 0; ++at) {
        number = field[at] >= '0' && field[at] <= '9' ? number * 10 + (field[at] - '0') : -1;
      }
      if (number < 1 || number > ClaimOrderLine::kLastField || found[number]) continue;
      found[number] = true;
      line.values[number] = big5::Trim(std::string_view(field).substr(equals + 1));
    }
    return true;
  });
}

std::string Claim::Field(std::string_view name) const {
  return big5::Trim(ElementValue(body, name));
}

ClaimRead ReadNextClaim(std::string_view document, size_t from) {
  const size_t claim_at = document.find(kClaimOpening, from);
  if (claim_at == std::string_view::npos) return {};
  const size_t body_at = document.find(kBodyOpening, claim_at + kClaimOpening.size());
  if (body_at == std::string_view::npos) return Malformed();
  // A claim without a body must not lend the next claim's body to its head.
  if (document.substr(0, body_at).find(kClaimOpening, claim_at + 1) != std::string_view::npos) {
    return Malformed();
  }
  const size_t body_end = document.find(kBodyClosing, body_at + kBodyOpening.size());
  if (body_end == std::string_view::npos) return Malformed();
  // Nor may a body that is not closed take the next claim's closing.
  if (document.substr(0, body_end).find(kClaimOpening, body_at) != std::string_view::npos) {
    return Malformed();
  }

  ClaimRead read;
  std::vector<std::string> lines;
  if (ReadTagElements(document.substr(claim_at, body_at - claim_at), 1, "dhead", lines) == 0) {
    return Malformed();
  }
  read.claim.case_type = big5::Trim(ElementValue(lines, "d1"));

  const size_t orders_at = document.find(kOrderLineOpening, body_at + kBodyOpening.size());
  std::string body_text;
  if (orders_at < body_end) {
    body_text = std::string(document.substr(body_at, orders_at - body_at));
    body_text += kBodyClosing;
    read.claim.order_text = std::string(document.substr(orders_at, body_end - orders_at));
  } else {
    body_text = std::string(document.substr(body_at, body_end + kBodyClosing.size() - body_at));
  }
  if (ReadTagElements(body_text, 1, "dbody", read.claim.body) == 0 ||
      !ReadClaimOrderLines(read.claim.order_text, read.claim.order_lines)) {
    return Malformed();
  }
  read.status = ClaimReadStatus::kClaim;
  read.next = body_end + kBodyClosing.size();
  return read;
}

}  // namespace zuvo
