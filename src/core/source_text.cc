#include "core/source_text.h"

#include "platform/big5.h"

namespace zuvo {

std::string StripControlChars(std::string_view text) {
  std::string trimmed = big5::Trim(text);
  std::string kept;
  kept.reserve(trimmed.size());
  big5::ForEachChar(trimmed, [&](std::string_view character, size_t) {
    if (character.size() == 2 || static_cast<unsigned char>(character[0]) >= 32) kept += character;
  });
  return kept;
}

}  // namespace zuvo
