#include "platform/big5.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace zuvo::big5 {
namespace {

// ICU's "cp950" is a different (IBM) table; the Windows table also maps the user-defined area
// where rare name characters live.
constexpr const char* kConverterName = "windows-950-2000";

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread: ICU converters keep state and are not shareable.
UConverter* Converter() {
  thread_local ConverterPtr converter = [] {
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr opened(ucnv_open(kConverterName, &status));
    if (U_FAILURE(status)) {
      throw Error(std::string("cannot open the ICU converter ") + kConverterName + ": " +
                  u_errorName(status));
    }
    ucnv_setToUCallBack(opened.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(opened.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    return opened;
  }();
  ucnv_reset(converter.get());
  return converter.get();
}

bool IsAscii(std::string_view text) {
  for (unsigned char byte : text) {
    if (byte >= 0x80) return false;
  }
  return true;
}

std::string HexBytes(std::string_view bytes) {
  std::string hex;
  char buffer[8];
  for (unsigned char byte : bytes) {
    std::snprintf(buffer, sizeof buffer, "%s%02X", hex.empty() ? "" : " ", byte);
    hex += buffer;
  }
  return hex;
}

// Converts one whole text; on failure returns false and sets `bad_offset`.
bool ConvertToUtf8(std::string_view big5, std::string& out, size_t& bad_offset) {
  UConverter* converter = Converter();
  std::vector<UChar> wide(big5.size() * 2 + 2);
  const char* source = big5.data();
  UChar* target = wide.data();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_toUnicode(converter, &target, wide.data() + wide.size(), &source, big5.data() + big5.size(),
                 nullptr, /*flush=*/true, &status);
  if (U_FAILURE(status)) {
    // `source` stands after the offending bytes; ICU reports how many they were.
    char invalid[8];
    int8_t invalid_length = sizeof invalid;
    UErrorCode ignored = U_ZERO_ERROR;
    ucnv_getInvalidChars(converter, invalid, &invalid_length, &ignored);
    bad_offset = static_cast<size_t>(source - big5.data()) - static_cast<size_t>(invalid_length);
    return false;
  }
  int32_t utf8_length = 0;
  status = U_ZERO_ERROR;
  out.resize((target - wide.data()) * 3);
  u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &utf8_length, wide.data(),
              static_cast<int32_t>(target - wide.data()), &status);
  if (U_FAILURE(status)) {
    bad_offset = 0;
    return false;
  }
  out.resize(static_cast<size_t>(utf8_length));
  return true;
}

bool ConvertFromUtf8(std::string_view utf8, std::string& out, size_t& bad_offset) {
  std::vector<UChar> wide(utf8.size() + 1);
  int32_t wide_length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(wide.data(), static_cast<int32_t>(wide.size()), &wide_length, utf8.data(),
                static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) {
    bad_offset = 0;
    return false;
  }
  UConverter* converter = Converter();
  out.resize(static_cast<size_t>(wide_length) * 2 + 2);
  const UChar* source = wide.data();
  char* target = out.data();
  status = U_ZERO_ERROR;
  ucnv_fromUnicode(converter, &target, out.data() + out.size(), &source, wide.data() + wide_length,
                   nullptr, /*flush=*/true, &status);
  if (U_FAILURE(status)) {
    // Report the UTF-8 offset of the character that did not convert.
    UChar invalid[4];
    int8_t invalid_length = 4;
    UErrorCode ignored = U_ZERO_ERROR;
    ucnv_getInvalidUChars(converter, invalid, &invalid_length, &ignored);
    int32_t bad_wide = static_cast<int32_t>(source - wide.data()) - invalid_length;
    int32_t prefix_length = 0;
    ignored = U_ZERO_ERROR;
    u_strToUTF8(nullptr, 0, &prefix_length, wide.data(), bad_wide, &ignored);
    bad_offset = static_cast<size_t>(prefix_length);
    return false;
  }
  out.resize(static_cast<size_t>(target - out.data()));
  return true;
}

}  // namespace

size_t CharLengthAt(std::string_view text, size_t offset) {
  return IsLeadByte(static_cast<unsigned char>(text[offset])) && offset + 1 < text.size() ? 2 : 1;
}

std::string TrimLeft(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

namespace {
template <typename Change>
std::string ChangeSingleByteLetters(std::string_view text, Change change) {
  std::string result(text);
  for (size_t offset = 0; offset < result.size();) {
    size_t length = CharLengthAt(result, offset);
    if (length == 1) result[offset] = change(result[offset]);
    offset += length;
  }
  return result;
}
}  // namespace

std::string UpperAscii(std::string_view text) {
  return ChangeSingleByteLetters(text,
                                 [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; });
}

std::string LowerAscii(std::string_view text) {
  return ChangeSingleByteLetters(text,
                                 [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
}

std::string CutBytes(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return std::string(text);
  size_t end = 0;
  while (end < max_bytes) {
    size_t length = CharLengthAt(text, end);
    if (end + length > max_bytes) break;
    end += length;
  }
  return std::string(text.substr(0, end));
}

std::optional<std::string> TryToUtf8(std::string_view big5) {
  if (IsAscii(big5)) return std::string(big5);
  std::string out;
  size_t bad_offset = 0;
  if (!ConvertToUtf8(big5, out, bad_offset)) return std::nullopt;
  return out;
}

std::string ToUtf8(std::string_view big5) {
  if (IsAscii(big5)) return std::string(big5);
  std::string out;
  size_t bad_offset = 0;
  if (!ConvertToUtf8(big5, out, bad_offset)) {
    size_t length = CharLengthAt(big5, bad_offset);
    throw ConversionError("Big5 text does not convert at byte " + std::to_string(bad_offset) +
                              " (" + HexBytes(big5.substr(bad_offset, length)) + ")",
                          bad_offset);
  }
  return out;
}

std::string ToUtf8Escaped(std::string_view big5) {
  std::string out;
  std::string piece;
  size_t bad_offset = 0;
  while (!big5.empty()) {
    if (ConvertToUtf8(big5, piece, bad_offset)) {
      out += piece;
      break;
    }
    // The bytes before the first bad one convert; the bad byte is shown and skipped.
    out += ToUtf8Escaped(big5.substr(0, bad_offset));
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(big5[bad_offset]));
    out += escaped;
    big5.remove_prefix(bad_offset + 1);
  }
  return out;
}

std::string ReplaceUndecodable(std::string_view big5) {
  std::string out;
  std::string piece;
  size_t bad_offset = 0;
  while (!big5.empty()) {
    if (ConvertToUtf8(big5, piece, bad_offset)) {
      out += big5;
      break;
    }
    out += big5.substr(0, bad_offset);
    out += Literal("？");
    // A lead byte takes its trail byte with it only when that is one; a blank after a lone lead
    // byte stays.
    const bool pair = bad_offset + 1 < big5.size() && IsTrailByte(big5[bad_offset + 1]);
    big5.remove_prefix(bad_offset + (pair ? 2 : 1));
  }
  return out;
}

std::optional<std::string> TryFromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  size_t bad_offset = 0;
  if (!ConvertFromUtf8(utf8, out, bad_offset)) return std::nullopt;
  return out;
}

std::string FromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  size_t bad_offset = 0;
  if (!ConvertFromUtf8(utf8, out, bad_offset)) {
    throw ConversionError("text has no Big5 form at UTF-8 byte " + std::to_string(bad_offset) +
                              ": \"" + std::string(utf8) + "\"",
                          bad_offset);
  }
  return out;
}

const std::string& Literal(std::string_view utf8) {
  static std::mutex mutex;
  static std::map<std::string, std::string, std::less<>> cache;
  std::lock_guard lock(mutex);
  auto found = cache.find(utf8);
  if (found == cache.end()) found = cache.emplace(std::string(utf8), FromUtf8(utf8)).first;
  return found->second;
}

}  // namespace zuvo::big5
