#pragma once

#include <string>
#include <string_view>

namespace zuvo {

// Trims `text` and removes every single-byte character below 32 (tabs, line feeds, ...);
// double-byte Big5 characters are kept whole.
std::string StripControlChars(std::string_view text);

}  // namespace zuvo
