#include "platform/code_page_text.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <climits>
#include <utility>
#include <vector>

#include "platform/big5.h"
#include "platform/error.h"

namespace zuvo {

namespace {

constexpr int kBig5CodePage = 950;
// Code pages whose ICU table is named after the number: "windows-1252", "ibm-850",
// "ISO-8859-2" (code pages 28591 to 28605).
constexpr int kFirstWindowsAnsi = 1250;
constexpr int kLastWindowsAnsi = 1258;
constexpr int kFirstOem = 700;
constexpr int kLastOem = 899;
constexpr int kUsOem = 437;
constexpr int kIso8859Base = 28590;
constexpr int kIso8859LastPart = 16;
// The escape "\xNN" of one byte takes four UTF-16 units; a decoded byte at most two.
constexpr size_t kUnitsPerByte = 4;
constexpr size_t kUtf8BytesPerUnit = 3;

constexpr auto kNamedConverters = std::to_array<std::pair<int, const char*>>({
    {936, "windows-936-2000"},
    {949, "windows-949-2000"},
    {932, "windows-31j"},
    {874, "windows-874-2000"},
    {65001, "UTF-8"},
    {20127, "US-ASCII"},
    {20932, "EUC-JP"},
    {10000, "macintosh"},
    {10006, "x-mac-greek"},
    {10007, "x-mac-cyrillic"},
    {10029, "x-mac-centraleurroman"},
});

// ICU's name for `code_page`; empty when this program has none.
std::string ConverterName(int code_page) {
  for (const auto& [number, name] : kNamedConverters) {
    if (number == code_page) return name;
  }
  if (code_page >= kFirstWindowsAnsi && code_page <= kLastWindowsAnsi) {
    return "windows-" + std::to_string(code_page);
  }
  if (code_page == kUsOem || (code_page >= kFirstOem && code_page <= kLastOem)) {
    return "ibm-" + std::to_string(code_page);
  }
  if (code_page > kIso8859Base && code_page <= kIso8859Base + kIso8859LastPart) {
    return "ISO-8859-" + std::to_string(code_page - kIso8859Base);
  }
  return {};
}

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};

// Opens the converter, showing each byte that does not decode as \xNN; null when ICU has none.
std::unique_ptr<UConverter, ConverterCloser> OpenEscaping(const std::string& name) {
  if (name.empty()) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status)) return nullptr;
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_ESCAPE, UCNV_ESCAPE_C, nullptr, nullptr,
                      &status);
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

struct CodePageDecoder::Converter {
  std::unique_ptr<UConverter, ConverterCloser> icu;
};

bool CanDecodeCodePage(int code_page) {
  return code_page == kBig5CodePage || OpenEscaping(ConverterName(code_page)) != nullptr;
}

CodePageDecoder::CodePageDecoder(int code_page) : code_page_(code_page) {
  if (code_page == kBig5CodePage) return;
  auto icu = OpenEscaping(ConverterName(code_page));
  if (icu == nullptr) {
    throw Error("this program cannot decode code page " + std::to_string(code_page));
  }
  converter_ = std::make_unique<Converter>(Converter{std::move(icu)});
}

CodePageDecoder::~CodePageDecoder() = default;
CodePageDecoder::CodePageDecoder(CodePageDecoder&&) noexcept = default;
CodePageDecoder& CodePageDecoder::operator=(CodePageDecoder&&) noexcept = default;

std::string CodePageDecoder::ToUtf8Escaped(std::string_view bytes) const {
  if (IsAscii(bytes)) return std::string(bytes);
  if (converter_ == nullptr) return big5::ToUtf8Escaped(bytes);
  if (bytes.size() > INT32_MAX / kUnitsPerByte) {
    throw Error("a text of " + std::to_string(bytes.size()) + " bytes is too long to decode");
  }
  UConverter* icu = converter_->icu.get();
  ucnv_reset(icu);
  std::vector<UChar> wide(bytes.size() * kUnitsPerByte + 1);
  UErrorCode status = U_ZERO_ERROR;
  int32_t wide_length = ucnv_toUChars(icu, wide.data(), static_cast<int32_t>(wide.size()),
                                      bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  std::string utf8(static_cast<size_t>(wide_length) * kUtf8BytesPerUnit, '\0');
  int32_t utf8_length = 0;
  if (U_SUCCESS(status)) {
    u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &utf8_length, wide.data(),
                wide_length, &status);
  }
  if (U_FAILURE(status)) {
    throw Error("cannot decode text as code page " + std::to_string(code_page_) + ": " +
                u_errorName(status));
  }
  utf8.resize(static_cast<size_t>(utf8_length));
  return utf8;
}

}  // namespace zuvo
