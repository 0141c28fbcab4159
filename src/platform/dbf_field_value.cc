#include "platform/dbf_field_value.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/dbf_number.h"

namespace zuvo {

namespace {

using std::chrono::days;
using std::chrono::milliseconds;
using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr int64_t kMillisecondsPerDay = 86'400'000;
// Julian day numbers: 1970-01-01 (the system clock's epoch), and the first and last day a
// date field can hold (0001-01-01 and 9999-12-31).
constexpr int64_t kUnixEpochJulianDay = 2'440'588;
constexpr int64_t kFirstJulianDay = 1'721'426;
constexpr int64_t kLastJulianDay = 5'373'484;
// dBase 7 timestamps count days from 0000-12-31, so that 0001-01-01 is day 1.
constexpr int64_t kTimestampDayZeroJulianDay = kFirstJulianDay - 1;
// The sign bit dBase 7 inverts so that its numbers sort as unsigned bytes.
constexpr uint32_t kOrderedInt32Sign = 0x8000'0000u;
constexpr uint64_t kOrderedDoubleSign = 0x8000'0000'0000'0000u;
// A T field: the Julian day, then the milliseconds of the day.
constexpr size_t kDateTimeDayOffset = 0;
constexpr size_t kDateTimeTimeOffset = 4;
// D: "yyyymmdd".
constexpr size_t kDateDigits = 8;
constexpr int kCurrencyScale = 10'000;
constexpr size_t kMemoPointerBinaryWidth = 4;

uint64_t LittleEndian(std::string_view bytes) {
  uint64_t value = 0;
  for (size_t i = bytes.size(); i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[i]);
  return value;
}
uint64_t BigEndian(std::string_view bytes) {
  uint64_t value = 0;
  for (unsigned char byte : bytes) value = value << 8 | byte;
  return value;
}

bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool AllZero(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; });
}
bool AllZeroOrSpace(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0' || c == ' '; });
}
std::string_view WithoutBlanks(std::string_view text) {
  while (!text.empty() && IsBlankByte(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankByte(text.back())) text.remove_suffix(1);
  return text;
}

// The calendar date of a Julian day number; no value outside 0001-01-01 .. 9999-12-31.
std::optional<year_month_day> DateOfJulianDay(int64_t julian_day) {
  if (julian_day < kFirstJulianDay || julian_day > kLastJulianDay) return std::nullopt;
  return year_month_day(sys_days(days(julian_day - kUnixEpochJulianDay)));
}

DbfValue Malformed(std::string_view raw) { return DbfMalformed{raw, true}; }
DbfValue MalformedText(std::string_view text) { return DbfMalformed{WithoutBlanks(text), false}; }

DbfValue DecodeNumber(std::string_view raw) {
  std::string_view text = WithoutBlanks(raw);
  if (text.empty()) return DbfBlank{};
  std::optional<double> number = ParseDbfNumber(text);
  if (!number) return MalformedText(raw);
  return DbfDecimal{text, *number};
}

DbfValue DecodeDate(std::string_view raw) {
  std::string_view text = WithoutBlanks(raw);
  if (text.empty() || text == "00000000") return DbfBlank{};
  if (text.size() != kDateDigits ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return MalformedText(raw);
  }
  auto number = [&](size_t offset, size_t length) {
    int value = 0;
    std::from_chars(text.data() + offset, text.data() + offset + length, value);
    return value;
  };
  year_month_day date{std::chrono::year(number(0, 4)),
                      std::chrono::month(static_cast<unsigned>(number(4, 2))),
                      std::chrono::day(static_cast<unsigned>(number(6, 2)))};
  if (!date.ok()) return MalformedText(raw);
  return DbfDate{date};
}

DbfValue DecodeLogical(std::string_view raw) {
  switch (raw[0]) {
    case 'T':
    case 't':
    case 'Y':
    case 'y':
      return DbfLogical{true};
    case 'F':
    case 'f':
    case 'N':
    case 'n':
      return DbfLogical{false};
    case '?':
    case ' ':
    case '\0':
      return DbfBlank{};
  }
  return MalformedText(raw);
}

DbfValue DecodeDateTime(std::string_view raw) {
  auto day = static_cast<int32_t>(LittleEndian(raw.substr(kDateTimeDayOffset, 4)));
  auto time = static_cast<int32_t>(LittleEndian(raw.substr(kDateTimeTimeOffset, 4)));
  // FoxPro leaves an empty date-time as zero bytes, some writers as blanks.
  if (AllZeroOrSpace(raw)) return DbfBlank{};
  std::optional<year_month_day> date = DateOfJulianDay(day);
  if (!date || time < 0 || time >= kMillisecondsPerDay) return Malformed(raw);
  return DbfDateTime{*date, milliseconds(time)};
}

DbfValue DecodeTimestamp(std::string_view raw) {
  if (AllZero(raw)) return DbfBlank{};
  double stored = std::bit_cast<double>(BigEndian(raw));
  if (!std::isfinite(stored) || stored < 0 ||
      stored >= static_cast<double>(kLastJulianDay + 1 - kTimestampDayZeroJulianDay) *
                    kMillisecondsPerDay) {
    return Malformed(raw);
  }
  auto total = static_cast<int64_t>(std::llround(stored));
  std::optional<year_month_day> date =
      DateOfJulianDay(total / kMillisecondsPerDay + kTimestampDayZeroJulianDay);
  if (!date) return Malformed(raw);
  return DbfDateTime{*date, milliseconds(total % kMillisecondsPerDay)};
}

DbfValue DecodeOrderedInteger(std::string_view raw) {
  if (AllZero(raw)) return DbfBlank{};
  auto bits = static_cast<uint32_t>(BigEndian(raw)) ^ kOrderedInt32Sign;
  return DbfInteger{static_cast<int32_t>(bits)};
}

DbfValue DecodeOrderedDouble(std::string_view raw) {
  if (AllZero(raw)) return DbfBlank{};
  uint64_t bits = BigEndian(raw);
  // A positive number is stored with its sign bit set, a negative one with every bit inverted.
  bits = (bits & kOrderedDoubleSign) != 0 ? bits ^ kOrderedDoubleSign : ~bits;
  return DbfDouble{std::bit_cast<double>(bits)};
}

// V and Q: the whole field, or as many bytes as the last one says when the length bit is set.
std::optional<std::string_view> VariableBytes(const DbfField& field, std::string_view raw,
                                              std::string_view null_flags) {
  if (!DbfNullFlagBit(null_flags, field.length_bit)) return raw;
  auto length = static_cast<unsigned char>(raw.back());
  if (length >= raw.size()) return std::nullopt;
  return raw.substr(0, length);
}

void AppendDate(std::string& out, const year_month_day& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  out += text;
}

std::string Hexadecimal(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

std::string MoneyText(int64_t ten_thousandths) {
  uint64_t magnitude = ten_thousandths < 0 ? 0 - static_cast<uint64_t>(ten_thousandths)
                                           : static_cast<uint64_t>(ten_thousandths);
  char fraction[8];
  std::snprintf(fraction, sizeof fraction, ".%04u",
                static_cast<unsigned>(magnitude % kCurrencyScale));
  return (ten_thousandths < 0 ? "-" : "") + std::to_string(magnitude / kCurrencyScale) + fraction;
}

std::string DoubleText(double value) {
  char text[32];
  auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : std::string();
}

std::string DateTimeText(const DbfDateTime& value) {
  std::string out;
  AppendDate(out, value.date);
  auto ms = static_cast<long long>(value.time_of_day.count());
  char time[24];
  std::snprintf(time, sizeof time, "T%02lld:%02lld:%02lld", ms / 3'600'000, ms / 60'000 % 60,
                ms / 1000 % 60);
  out += time;
  if (ms % 1000 != 0) {
    std::snprintf(time, sizeof time, ".%03lld", ms % 1000);
    out += time;
  }
  return out;
}

}  // namespace

bool DbfNullFlagBit(std::string_view null_flags, int bit) {
  if (bit < 0 || static_cast<size_t>(bit / 8) >= null_flags.size()) return false;
  return (static_cast<unsigned char>(null_flags[static_cast<size_t>(bit / 8)]) >> (bit % 8) & 1) !=
         0;
}

DbfValue DecodeDbfField(const DbfField& field, std::string_view raw, std::string_view null_flags) {
  if (DbfNullFlagBit(null_flags, field.null_bit)) return DbfNull{};
  switch (field.kind) {
    case DbfFieldKind::kText:
      return DbfText{raw};
    case DbfFieldKind::kNumber:
      return DecodeNumber(raw);
    case DbfFieldKind::kDate:
      return DecodeDate(raw);
    case DbfFieldKind::kLogical:
      return DecodeLogical(raw);
    case DbfFieldKind::kInteger:
      return DbfInteger{static_cast<int32_t>(LittleEndian(raw))};
    case DbfFieldKind::kOrderedInteger:
      return DecodeOrderedInteger(raw);
    case DbfFieldKind::kCurrency:
      return DbfMoney{static_cast<int64_t>(LittleEndian(raw))};
    case DbfFieldKind::kDateTime:
      return DecodeDateTime(raw);
    case DbfFieldKind::kDouble:
      return DbfDouble{std::bit_cast<double>(LittleEndian(raw))};
    case DbfFieldKind::kOrderedDouble:
      return DecodeOrderedDouble(raw);
    case DbfFieldKind::kTimestamp:
      return DecodeTimestamp(raw);
    case DbfFieldKind::kVarText:
    case DbfFieldKind::kVarBinary: {
      std::optional<std::string_view> bytes = VariableBytes(field, raw, null_flags);
      if (!bytes) return Malformed(raw);
      if (field.kind == DbfFieldKind::kVarText) return DbfText{*bytes};
      return DbfBytes{*bytes};
    }
    case DbfFieldKind::kNullFlags:
    case DbfFieldKind::kMemoText:
    case DbfFieldKind::kMemoBinary:
      return DbfBytes{raw};
  }
  return DbfText{raw};
}

std::optional<uint64_t> DbfMemoBlock(std::string_view raw) {
  if (raw.size() == kMemoPointerBinaryWidth) return LittleEndian(raw);
  if (WithoutBlanks(raw).empty()) return 0;
  std::optional<int64_t> number = ParseDbfInteger(raw);
  if (!number || *number < 0) return std::nullopt;
  return static_cast<uint64_t>(*number);
}

std::string DbfValueText(const DbfValue& value) {
  struct Visitor {
    std::string operator()(const DbfBlank&) const { return {}; }
    std::string operator()(const DbfNull&) const { return {}; }
    std::string operator()(const DbfText& v) const { return std::string(v.bytes); }
    std::string operator()(const DbfBytes& v) const { return Hexadecimal(v.bytes); }
    std::string operator()(const DbfDecimal& v) const { return std::string(v.text); }
    std::string operator()(const DbfInteger& v) const { return std::to_string(v.value); }
    std::string operator()(const DbfDouble& v) const { return DoubleText(v.value); }
    std::string operator()(const DbfMoney& v) const { return MoneyText(v.ten_thousandths); }
    std::string operator()(const DbfDate& v) const {
      std::string out;
      AppendDate(out, v.date);
      return out;
    }
    std::string operator()(const DbfDateTime& v) const { return DateTimeText(v); }
    std::string operator()(const DbfLogical& v) const { return v.value ? "T" : "F"; }
    std::string operator()(const DbfMalformed& v) const {
      return v.binary ? Hexadecimal(v.bytes) : std::string(v.bytes);
    }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace zuvo
