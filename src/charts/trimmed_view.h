#pragma once

// A field's bytes trimmed in place, for the chart steps' per-row reading: what big5::Trim keeps,
// without copying it.

#include <string_view>

namespace zuvo {

// `text` without the bytes 0x00..0x20 at both ends (as big5::Trim trims; trail bytes of
// double-byte characters are never in that range).
inline std::string_view TrimmedView(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

}  // namespace zuvo
