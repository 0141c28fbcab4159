#include "catalogue/unit_reading.h"

#include "platform/big5.h"

namespace zuvo {

UnitWordTable::UnitWordTable(std::span<const UnitWordGroup> groups, int other_code,
                             std::span<const std::string_view> other_words)
    : other_code_(other_code) {
  // emplace keeps the first entry, so a word listed in two groups belongs to the earlier one.
  for (const UnitWordGroup& group : groups) {
    for (std::string_view word : group.words) {
      code_of_word_.emplace(big5::UpperAscii(big5::Literal(word)), group.code);
    }
  }
  for (std::string_view word : other_words) {
    code_of_word_.emplace(big5::UpperAscii(big5::Literal(word)), other_code);
  }
}

UnitReading UnitWordTable::Read(std::string_view big5_text) const {
  std::string text = big5::Trim(big5_text);
  // A full stop is never the trail byte of a double-byte character.
  if (!text.empty() && text.back() == '.') text.pop_back();
  auto found = code_of_word_.find(big5::UpperAscii(text));
  if (found != code_of_word_.end()) return {found->second, ""};
  return {other_code_, text.empty() ? big5::Literal("空白") : text};
}

}  // namespace zuvo
