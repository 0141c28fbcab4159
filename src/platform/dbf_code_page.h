#pragma once

// The code page a dBase table declares: by a ".cpg" file beside it (text such as "Big-5",
// "950", "GBK"), by the language-driver byte of its header, or by the language driver name in a
// dBase 7 header.

#include <cstdint>
#include <string_view>

namespace zuvo {

// Windows code page number named by the text of a .cpg file (or by a user), compared without
// regard to case, blanks, '-' and '_' and a UTF-8 byte-order mark; 0 when the text names none
// this program knows.
int CodePageFromCpgText(std::string_view text);

// Windows code page number of a dBase language-driver ID (header byte 29); 0 for ID 0 (none
// declared) and for IDs this program does not know.
int CodePageFromLanguageDriver(uint8_t language_driver);

// Code page of a dBase 7 (Borland) language driver name: "DB866RU0" is 866, "DBWINUS0" and the
// other "DBWIN" drivers 1252; 0 for an empty or unknown name.
int CodePageFromLanguageDriverName(std::string_view name);

}  // namespace zuvo
