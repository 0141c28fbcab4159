#include "maintenance/patient_text_scrubber.h"

#include <algorithm>
#include <cstring>

#include "platform/big5.h"

namespace zuvo {
namespace {

uint32_t PrefixOf(const char* bytes) {
  uint32_t prefix;
  std::memcpy(&prefix, bytes, sizeof prefix);
  return prefix;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char FlipCase(char c) { return static_cast<char>(c ^ 0x20); }

}  // namespace

std::string PatientTextScrubber::NeutralMark(size_t bytes) {
  std::string mark;
  for (size_t i = 0; i + 1 < bytes; i += 2) mark += big5::Literal("○");
  if (bytes % 2 != 0) mark += '*';
  return mark;
}

void PatientTextScrubber::Add(std::string value, std::string_view replacement) {
  if (value.size() < kMinValueBytes) return;
  std::string same_length =
      replacement.size() == value.size() ? std::string(replacement) : NeutralMark(value.size());
  prefixes_.insert(PrefixOf(value.data()));
  if (std::find(lengths_.begin(), lengths_.end(), value.size()) == lengths_.end()) {
    lengths_.insert(
        std::upper_bound(lengths_.begin(), lengths_.end(), value.size(), std::greater<size_t>()),
        value.size());
  }
  replacements_.emplace(std::move(value), std::move(same_length));
}

void PatientTextScrubber::AddName(std::string_view value, std::string_view replacement) {
  Add(std::string(value), replacement);
}

void PatientTextScrubber::AddNationalId(std::string_view id, std::string_view replacement) {
  if (id.empty() || id.front() == '@') return;
  // Every spelling of the leading letters (one, or two for a resident certificate).
  const size_t letters = IsAsciiLetter(id[0]) ? (id.size() > 1 && IsAsciiLetter(id[1]) ? 2 : 1) : 0;
  for (unsigned flips = 0; flips < (1u << letters); ++flips) {
    std::string spelling(id);
    for (size_t i = 0; i < letters; ++i) {
      if (flips & (1u << i)) spelling[i] = FlipCase(spelling[i]);
    }
    Add(std::move(spelling), replacement);
  }
}

const std::string* PatientTextScrubber::ReplacementAt(std::string_view text, size_t at) const {
  if (text.size() - at < kMinValueBytes || !prefixes_.contains(PrefixOf(text.data() + at))) {
    return nullptr;
  }
  for (size_t length : lengths_) {
    if (length > text.size() - at) continue;
    auto found = replacements_.find(std::string(text.substr(at, length)));
    if (found != replacements_.end()) return &found->second;
  }
  return nullptr;
}

size_t PatientTextScrubber::Scrub(char* text, size_t size) const {
  if (replacements_.empty()) return 0;
  const std::string_view view(text, size);
  size_t replaced = 0;
  for (size_t at = 0; at < size;) {
    if (const std::string* replacement = ReplacementAt(view, at)) {
      std::memcpy(text + at, replacement->data(), replacement->size());
      at += replacement->size();
      ++replaced;
    } else {
      at += big5::CharLengthAt(view, at);
    }
  }
  return replaced;
}

}  // namespace zuvo
