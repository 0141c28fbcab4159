#include "diagnosis/utf8_text.h"

namespace zuvo {

size_t Big5Length(std::string_view utf8) {
  size_t length = 0;
  for (char c : utf8) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      ++length;
    } else if ((byte & 0xC0) != 0x80) {
      length += 2;  // the first byte of a character; its continuation bytes add nothing
    }
  }
  return length;
}

std::string UpperAsciiUtf8(std::string_view utf8) {
  std::string upper(utf8);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace zuvo
