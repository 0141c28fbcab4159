#include "platform/table_store_text.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/big5.h"

namespace zuvo::table_store {
namespace {

constexpr int64_t kCurrencyScale = 10000;
constexpr int kCurrencyDecimals = 4;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Bytes in the UTF-8 sequence that starts with `lead`.
size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace

std::string FoldAsciiCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

bool IsBlank(std::string_view text) { return TrimBlanks(text).empty(); }

std::string FormatNumber(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

std::string FormatCurrency(int64_t ten_thousandths) {
  bool negative = ten_thousandths < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(ten_thousandths)
                                : static_cast<uint64_t>(ten_thousandths);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / kCurrencyScale);
  uint64_t fraction = magnitude % kCurrencyScale;
  if (fraction != 0) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04llu", static_cast<unsigned long long>(fraction));
    std::string decimals(digits);
    while (decimals.back() == '0') decimals.pop_back();
    text += "." + decimals;
  }
  return text;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<int64_t> ParseCurrency(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  size_t dot = text.find('.');
  std::string_view whole = text.substr(0, dot);
  std::string_view decimals = dot == std::string_view::npos ? "" : text.substr(dot + 1);
  if (whole.empty() && decimals.empty()) return std::nullopt;
  for (std::string_view part : {whole, decimals}) {
    for (char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
    }
  }
  constexpr int64_t kLimit = INT64_MAX / kCurrencyScale - 1;
  int64_t value = 0;
  for (char c : whole) {
    if (value > kLimit / 10) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  int64_t fraction = 0;
  for (int i = 0; i < kCurrencyDecimals; ++i) {
    fraction = fraction * 10 + (i < static_cast<int>(decimals.size()) ? decimals[i] - '0' : 0);
  }
  value = value * kCurrencyScale + fraction;
  if (decimals.size() > kCurrencyDecimals && decimals[kCurrencyDecimals] >= '5') ++value;
  return negative ? -value : value;
}

std::optional<bool> ParseBoolean(std::string_view text) {
  std::string word = FoldAsciiCase(TrimBlanks(text));
  if (word == "true" || word == "yes" || word == "t" || word == "y") return true;
  if (word == "false" || word == "no" || word == "f" || word == "n") return false;
  if (auto number = ParseInteger(word)) return *number != 0;
  return std::nullopt;
}

namespace {

// The Big5 form of a character's canonical (NFC) equivalent: the published ICD-10 names write
// many ordinary characters as CJK compatibility ideographs (離 as U+F9EA), which Big5 holds only
// in their unified form.
std::optional<std::string> CanonicalBig5(std::string_view utf8_character) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::nullopt;
  icu::UnicodeString normalized =
      nfc->normalize(icu::UnicodeString::fromUTF8(icu::StringPiece(
                         utf8_character.data(), static_cast<int32_t>(utf8_character.size()))),
                     status);
  if (U_FAILURE(status)) return std::nullopt;
  std::string normalized_utf8;
  normalized.toUTF8String(normalized_utf8);
  if (normalized_utf8 == utf8_character) return std::nullopt;
  return big5::TryFromUtf8(normalized_utf8);
}

}  // namespace

std::string Utf8ToBig5Substituting(std::string_view utf8, std::string_view substitute,
                                   bool* substituted) {
  *substituted = false;
  if (auto whole = big5::TryFromUtf8(utf8)) return *whole;
  std::string big5;
  for (size_t pos = 0; pos < utf8.size();) {
    size_t length = std::min(Utf8Length(static_cast<unsigned char>(utf8[pos])), utf8.size() - pos);
    if (auto character = big5::TryFromUtf8(utf8.substr(pos, length))) {
      big5 += *character;
    } else if (auto equivalent = CanonicalBig5(utf8.substr(pos, length))) {
      big5 += *equivalent;
    } else {
      big5 += substitute;
      *substituted = true;
    }
    pos += length;
  }
  return big5;
}

}  // namespace zuvo::table_store
