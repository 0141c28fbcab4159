#pragma once

// The value of one field of a dBase record, read from the field's bytes by the field's kind
// (DbfFieldKind), and the text a person reads for it.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/dbf_header.h"

namespace zuvo {

// No value: blanks, a date of zeros, a memo without a block, a dBase 7 number of zero bytes.
struct DbfBlank {};
// A nullable Visual FoxPro field whose null bit is set.
struct DbfNull {};
// C, V and M: bytes in the table's code page (a C field untrimmed, as stored).
struct DbfText {
  std::string_view bytes;
};
// G, P, W and dBase's B memos, Q and _NullFlags.
struct DbfBytes {
  std::string_view bytes;
};
// N and F: the decimal text without blanks, and its value.
struct DbfDecimal {
  std::string_view text;
  double value = 0;
};
// I and +.
struct DbfInteger {
  int64_t value = 0;
};
// B of Visual FoxPro and O of dBase 7.
struct DbfDouble {
  double value = 0;
};
// Y, in ten-thousandths.
struct DbfMoney {
  int64_t ten_thousandths = 0;
};
// D.
struct DbfDate {
  std::chrono::year_month_day date;
};
// T and @.
struct DbfDateTime {
  std::chrono::year_month_day date;
  std::chrono::milliseconds time_of_day{0};
};
// L.
struct DbfLogical {
  bool value = false;
};
// Bytes that are no value of the field's kind (an N field of asterisks, a T field whose day
// is out of range): without blanks at either end for the text kinds, as stored for binary ones.
struct DbfMalformed {
  std::string_view bytes;
  bool binary = false;
};

using DbfValue = std::variant<DbfBlank, DbfNull, DbfText, DbfBytes, DbfDecimal, DbfInteger,
                              DbfDouble, DbfMoney, DbfDate, DbfDateTime, DbfLogical, DbfMalformed>;

// Bit `bit` of a _NullFlags value (bit 0 is the low bit of the first byte); false for -1 and for
// a bit past its end.
bool DbfNullFlagBit(std::string_view null_flags, int bit);

// The value `raw` (the field's bytes in a record) holds, for every kind but the two memo kinds,
// whose block number DbfMemoBlock reads (given one, this returns the pointer's bytes as DbfBytes).
// `null_flags` is the record's _NullFlags field (empty when the table has none): a field whose
// null bit is set is DbfNull, and a V or Q field whose length bit is set is as long as its last
// byte says. Views point into `raw`.
DbfValue DecodeDbfField(const DbfField& field, std::string_view raw, std::string_view null_flags);

// The memo block number a memo field holds: 4 bytes are a little-endian number (Visual FoxPro),
// anything else decimal digits; 0 when blank. No value when it holds neither.
std::optional<uint64_t> DbfMemoBlock(std::string_view raw);

// The value as a person reads it: text and memo text as stored; decimals as stored; other
// numbers in their shortest exact form; currency with four decimals ("-12.3400"); dates
// "yyyy-mm-dd"; date-times "yyyy-mm-ddThh:mm:ss", with ".mmm" when the milliseconds are not 0;
// logicals "T" or "F"; bytes in upper-case hexadecimal; blank and null as "". A malformed value
// is its bytes (hexadecimal for a binary kind).
std::string DbfValueText(const DbfValue& value);

}  // namespace zuvo
