#pragma once

// The code page a dBase table declares: by a ".cpg" file beside it (text such as "Big-5",
// "950", "GBK") or by the language-driver byte of its header.

#include <cstdint>
#include <string_view>

namespace zuvo {

// Windows code page number named by the text of a .cpg file; 0 when the text names none this
// program knows.
int CodePageFromCpgText(std::string_view text);

// Windows code page number of a dBase language-driver ID (header byte 29); 0 for ID 0 (none
// declared) and for IDs this program does not know.
int CodePageFromLanguageDriver(uint8_t language_driver);

}  // namespace zuvo
