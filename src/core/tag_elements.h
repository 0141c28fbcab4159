#pragma once

// Reading the angle-bracket markup of chart texts, exam texts and PE definitions:
// <TAG><child>inner</child>...</TAG>. Positions are 1-based byte positions (0 = not found);
// tag names compare without regard to ASCII letter case. The markup characters '<', '>' and '/'
// never occur as the second byte of a Big5 character, so the scans work on raw Big5 text.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

// The 1-based position of the "</name>" that closes an element whose content starts at `start`,
// skipping nested "<name>" ... "</name>" pairs; 0 when there is none. `name` is trimmed.
size_t FindClosingTag(std::string_view name, std::string_view text, size_t start);

// Finds "<tag>" at or after `start` and puts one line child + "=" + raw inner text into `lines`
// for each child element, up to the matching "</tag>". Returns the position just after that
// closing tag; 0 when the opening tag is missing, the text is empty, or the element or a child is
// not closed. `lines` is cleared first.
size_t ReadTagElements(std::string_view text, size_t start, std::string_view tag,
                       std::vector<std::string>& lines);
// As ReadTagElements, with child names trimmed and self-closing children ("<x/>") left out.
size_t ReadTagElementsSkipEmpty(std::string_view text, size_t start, std::string_view tag,
                                std::vector<std::string>& lines);

// The value of the first line "name=value" whose name equals `name` without regard to ASCII
// case; empty when there is none.
std::string ElementValue(const std::vector<std::string>& lines, std::string_view name);

}  // namespace zuvo
