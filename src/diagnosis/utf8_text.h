#pragma once

// UTF-8 texts the diagnosis tools meet at the edges (workbook cells, the editor's fields) measured
// and folded as the Big5 rules of the publications and the editor ask.

#include <cstddef>
#include <string>
#include <string_view>

namespace zuvo {

// Bytes of the Big5 form of a UTF-8 text: one per ASCII character, two per other character (a
// character Big5 lacks counts as its substitute "？").
size_t Big5Length(std::string_view utf8);
// ASCII letters upper-cased; everything else as it is.
std::string UpperAsciiUtf8(std::string_view utf8);

}  // namespace zuvo
