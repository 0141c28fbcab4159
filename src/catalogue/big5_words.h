#pragma once

// Word tests on Big5 text typed by the clinics: membership in a list of words and containment,
// both respecting double-byte characters.

#include <initializer_list>
#include <string>
#include <string_view>

namespace zuvo {

// True when `part` occurs in `text` starting at a character boundary (a two-byte character is
// never matched across the end of one character and the start of the next). An empty `part`
// is contained in every text.
bool ContainsBig5(std::string_view text, std::string_view part);

// As ContainsBig5, with `part_utf8` a literal of the program's own (converted once to Big5).
bool ContainsWord(std::string_view big5_text, std::string_view part_utf8);

// ContainsWord with the single-byte letters of both sides compared without regard to case.
bool ContainsWordIgnoringCase(std::string_view big5_text, std::string_view part_utf8);

}  // namespace zuvo
