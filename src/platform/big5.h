#pragma once

// Big5 (code page 950) text: every text that comes from or goes to a data file is kept as its
// raw Big5 bytes in a std::string. These helpers count bytes and never split a double-byte
// character; conversion to and from UTF-8 happens only at the edges (windows, terminal, the
// table store) and never replaces a byte sequence silently.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace zuvo::big5 {

// A byte sequence that has no Unicode equivalent (or a character with no Big5 equivalent).
class ConversionError : public Error {
 public:
  ConversionError(const std::string& what, size_t offset) : Error(what), offset_(offset) {}
  // Byte offset of the first byte (UTF-8 byte for FromUtf8) that did not convert.
  size_t offset() const { return offset_; }

 private:
  size_t offset_;
};

// Code page 950 lead bytes: 0x81..0xFE start a double-byte character.
constexpr bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
// The second byte of a double-byte character: 0x40-0x7E or 0xA1-0xFE.
constexpr bool IsTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0xA1 && byte <= 0xFE);
}

// Length in bytes (1 or 2) of the character starting at `offset`. A lead byte at the very end
// of the text stands alone and counts as one byte.
size_t CharLengthAt(std::string_view text, size_t offset);

// Calls `visit(character, offset)` for each character, first to last; a double-byte character
// is one call with a view of both bytes.
template <typename Visit>
void ForEachChar(std::string_view text, Visit&& visit) {
  for (size_t offset = 0; offset < text.size();) {
    size_t length = CharLengthAt(text, offset);
    visit(text.substr(offset, length), offset);
    offset += length;
  }
}

// Removes the bytes 0x00..0x20 from both ends (trail bytes of double-byte characters are never
// in that range, so characters stay whole).
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Changes the single-byte letters a..z (A..Z); both bytes of double-byte characters are kept,
// even when a trail byte is an ASCII letter.
std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);

// The first `max_bytes` bytes of `text`; when that would split a double-byte character, the
// character is left out whole.
std::string CutBytes(std::string_view text, size_t max_bytes);

// Big5 → UTF-8. Throws ConversionError naming the offset of the first undecodable byte.
std::string ToUtf8(std::string_view big5);
// As ToUtf8, but an empty optional instead of the exception.
std::optional<std::string> TryToUtf8(std::string_view big5);
// For display: every byte that does not decode is shown as \xNN instead of being dropped.
std::string ToUtf8Escaped(std::string_view big5);

// `big5` with every character that does not decode (a byte pair outside the code page, a lone
// lead byte) replaced by the full-width question mark "？", so that it can be stored as text.
std::string ReplaceUndecodable(std::string_view big5);

// UTF-8 → Big5. Throws ConversionError for a character that Big5 cannot hold or for malformed
// UTF-8.
std::string FromUtf8(std::string_view utf8);
std::optional<std::string> TryFromUtf8(std::string_view utf8);

// A text of the program's own (a UTF-8 literal in the source) in Big5, converted once and
// cached for the life of the process. The literal must be representable in Big5.
const std::string& Literal(std::string_view utf8);

}  // namespace zuvo::big5
