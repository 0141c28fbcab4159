#include "catalogue/big5_words.h"

#include "platform/big5.h"

namespace zuvo {

bool ContainsBig5(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  bool found = false;
  big5::ForEachChar(text, [&](std::string_view, size_t offset) {
    if (!found && text.substr(offset, part.size()) == part) found = true;
  });
  return found;
}

bool ContainsWord(std::string_view big5_text, std::string_view part_utf8) {
  return ContainsBig5(big5_text, big5::Literal(part_utf8));
}

bool ContainsWordIgnoringCase(std::string_view big5_text, std::string_view part_utf8) {
  return ContainsBig5(big5::UpperAscii(big5_text), big5::UpperAscii(big5::Literal(part_utf8)));
}

}  // namespace zuvo
