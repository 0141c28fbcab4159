#include "platform/dbf_code_page.h"

#include <array>
#include <charconv>
#include <string>
#include <utility>

#include "platform/big5.h"

namespace zuvo {

namespace {

// Names written into .cpg files by the usual tools, upper-cased, with '-', '_' and blanks removed.
constexpr auto kCodePageNames = std::to_array<std::pair<std::string_view, int>>({
    {"BIG5", 950},
    {"BIG5HKSCS", 950},
    {"GBK", 936},
    {"GB2312", 936},
    {"UTF8", 65001},
    {"SHIFTJIS", 932},
    {"SJIS", 932},
    {"EUCKR", 949},
    {"KOREAN", 949},
    {"LATIN1", 28591},
    {"ASCII", 20127},
    {"USASCII", 20127},
    {"UTF16", 1200},
    {"WINDOWSANSI", 1252},
    {"EUCJP", 20932},
});

// Prefixes that come before a code page number ("CP950", "MS936", "WINDOWS-1252", "ANSI 1252",
// "OEM 437", "IBM850"), in the normalised form.
constexpr std::array<std::string_view, 6> kNumberPrefixes{"WINDOWS", "ANSI", "OEM",
                                                          "IBM",     "CP",   "MS"};

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
// ISO 8859 parts are Windows code pages 28591 (part 1) to 28605 (part 15).
constexpr std::array<std::string_view, 2> kIso8859Prefixes{"ISO8859", "8859"};
constexpr int kIso8859CodePageBase = 28590;
constexpr int kIso8859LastPart = 15;
// Borland language drivers: "DB" and the OEM code page's three digits, or "DBWIN" for ANSI.
constexpr std::string_view kBorlandDriverPrefix = "DB";
constexpr std::string_view kBorlandAnsiDriverPrefix = "DBWIN";
constexpr size_t kBorlandCodePageDigits = 3;
constexpr int kAnsiCodePage = 1252;

std::string Normalise(std::string_view text) {
  if (text.starts_with(kUtf8ByteOrderMark)) text.remove_prefix(kUtf8ByteOrderMark.size());
  std::string normalised;
  for (char c : big5::UpperAscii(big5::Trim(text))) {
    if (c != '-' && c != '_' && c != ' ') normalised += c;
  }
  return normalised;
}

int ParseNumber(std::string_view digits) {
  int number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || number <= 0) return 0;
  return number;
}

// dBase, FoxPro and ESRI language-driver IDs and the code pages they stand for.
constexpr auto kLanguageDrivers = std::to_array<std::pair<uint8_t, int>>({
    {0x01, 437},  {0x02, 850},  {0x03, 1252}, {0x04, 10000}, {0x08, 865},   {0x09, 437},
    {0x0A, 850},  {0x0B, 437},  {0x0D, 437},  {0x0E, 850},   {0x0F, 437},   {0x10, 850},
    {0x11, 437},  {0x12, 850},  {0x13, 932},  {0x14, 850},   {0x15, 437},   {0x16, 850},
    {0x17, 865},  {0x18, 437},  {0x19, 437},  {0x1A, 850},   {0x1B, 437},   {0x1C, 863},
    {0x1D, 850},  {0x1F, 852},  {0x22, 852},  {0x23, 852},   {0x24, 860},   {0x25, 850},
    {0x26, 866},  {0x37, 850},  {0x40, 852},  {0x4D, 936},   {0x4E, 949},   {0x4F, 950},
    {0x50, 874},  {0x57, 1252}, {0x58, 1252}, {0x59, 1252},  {0x64, 852},   {0x65, 866},
    {0x66, 865},  {0x67, 861},  {0x6A, 737},  {0x6B, 857},   {0x6C, 863},   {0x78, 950},
    {0x79, 949},  {0x7A, 936},  {0x7B, 932},  {0x7C, 874},   {0x7D, 1255},  {0x7E, 1256},
    {0x86, 737},  {0x87, 852},  {0x88, 857},  {0x96, 10007}, {0x97, 10029}, {0x98, 10006},
    {0xC8, 1250}, {0xC9, 1251}, {0xCA, 1254}, {0xCB, 1253},  {0xCC, 1257},
});

}  // namespace

int CodePageFromCpgText(std::string_view text) {
  std::string name = Normalise(text);
  if (name.empty()) return 0;
  for (const auto& [known, code_page] : kCodePageNames) {
    if (name == known) return code_page;
  }
  std::string_view rest = name;
  for (std::string_view prefix : kIso8859Prefixes) {
    if (rest.starts_with(prefix)) {
      int part = ParseNumber(rest.substr(prefix.size()));
      return part >= 1 && part <= kIso8859LastPart ? kIso8859CodePageBase + part : 0;
    }
  }
  for (std::string_view prefix : kNumberPrefixes) {
    if (rest.starts_with(prefix)) {
      rest.remove_prefix(prefix.size());
      break;
    }
  }
  return ParseNumber(rest);
}

int CodePageFromLanguageDriver(uint8_t language_driver) {
  for (const auto& [id, code_page] : kLanguageDrivers) {
    if (id == language_driver) return code_page;
  }
  return 0;
}

int CodePageFromLanguageDriverName(std::string_view name) {
  std::string upper = big5::UpperAscii(name);
  std::string_view driver = upper;
  if (driver.starts_with(kBorlandAnsiDriverPrefix)) return kAnsiCodePage;
  if (!driver.starts_with(kBorlandDriverPrefix) ||
      driver.size() < kBorlandDriverPrefix.size() + kBorlandCodePageDigits) {
    return 0;
  }
  return ParseNumber(driver.substr(kBorlandDriverPrefix.size(), kBorlandCodePageDigits));
}

}  // namespace zuvo
