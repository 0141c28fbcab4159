#pragma once

// Base64 of RFC 4648: the standard alphabet (A-Z a-z 0-9 + /), '=' padding, no line breaks.

#include <string>
#include <string_view>

namespace zuvo {

std::string EncodeBase64(std::string_view bytes);

// Decodes `text`, which must be whole groups of four characters of the alphabet, '=' only as
// the padding of the last group. Bits below the last whole byte are ignored. Throws Error
// saying what is wrong and where (callers add the file the text came from).
std::string DecodeBase64(std::string_view text);

}  // namespace zuvo
