#include "platform/dbf_field_value.h"

#include <gtest/gtest.h>

#include <string>

namespace zuvo {
namespace {

using namespace std::string_literals;
using K = DbfFieldKind;

DbfField Field(DbfFieldKind kind, int null_bit = -1, int length_bit = -1) {
  DbfField field;
  field.kind = kind;
  field.null_bit = null_bit;
  field.length_bit = length_bit;
  return field;
}

DbfValue Decode(DbfFieldKind kind, const std::string& raw, const std::string& null_flags = "") {
  return DecodeDbfField(Field(kind), raw, null_flags);
}
std::string Shown(DbfFieldKind kind, const std::string& raw) {
  return DbfValueText(Decode(kind, raw));
}
template <typename T>
bool Holds(const DbfValue& value) {
  return std::holds_alternative<T>(value);
}

TEST(DbfFieldValue, VisualFoxProBinaryFieldsAreLittleEndian) {
  EXPECT_EQ(std::get<DbfInteger>(Decode(K::kInteger, "\x01\x00\x00\x00"s)).value, 1);
  EXPECT_EQ(Shown(K::kInteger, "\xFE\xFF\xFF\xFF"), "-2");
  EXPECT_EQ(Shown(K::kInteger, "\x00\x00\x00\x00"s), "0");  // zero is a value, not blank

  EXPECT_EQ(std::get<DbfMoney>(Decode(K::kCurrency, "\xE0\x2E\0\0\0\0\0\0"s)).ten_thousandths,
            12000);
  EXPECT_EQ(Shown(K::kCurrency, "\xE0\x2E\0\0\0\0\0\0"s), "1.2000");
  EXPECT_EQ(Shown(K::kCurrency, "\xC7\xCF\xFF\xFF\xFF\xFF\xFF\xFF"), "-1.2345");
  EXPECT_EQ(Shown(K::kCurrency, "\0\0\0\0\0\0\0\x80"s), "-922337203685477.5808");

  EXPECT_EQ(std::get<DbfDouble>(Decode(K::kDouble, "\x66\x66\x66\x66\x66\x66\x02\x40")).value, 2.3);
  EXPECT_EQ(Shown(K::kDouble, "\x66\x66\x66\x66\x66\x66\x02\x40"), "2.3");

  // Julian day 2453846 and 61984999 ms: what FoxPro stored for 17:13:05.
  EXPECT_EQ(Shown(K::kDateTime, "\x56\x71\x25\x00\xE7\xD0\xB1\x03"s), "2006-04-20T17:13:04.999");
  EXPECT_EQ(Shown(K::kDateTime, "\x8C\x3D\x25\x00\x00\x00\x00\x00"s), "1970-01-01T00:00:00");
  EXPECT_TRUE(Holds<DbfBlank>(Decode(K::kDateTime, std::string(8, '\0'))));
  EXPECT_TRUE(Holds<DbfBlank>(Decode(K::kDateTime, std::string(8, ' '))));
  // 24:00:00.000 is past the day; a time without a day is no date-time.
  DbfValue past_midnight = Decode(K::kDateTime, "\x8C\x3D\x25\x00\x00\x5C\x26\x05"s);
  ASSERT_TRUE(Holds<DbfMalformed>(past_midnight));
  EXPECT_EQ(DbfValueText(past_midnight), "8C3D2500005C2605");
  EXPECT_TRUE(Holds<DbfMalformed>(Decode(K::kDateTime, "\0\0\0\0\x01\0\0\0"s)));
}

TEST(DbfFieldValue, Dbase7BinaryFieldsAreBigEndianWithTheSignBitInverted) {
  EXPECT_EQ(Shown(K::kOrderedInteger, "\x80\x00\x00\x01"s), "1");
  EXPECT_EQ(Shown(K::kOrderedInteger, "\x80\x00\x00\x00"s), "0");
  EXPECT_EQ(Shown(K::kOrderedInteger, "\x7F\xFF\xFF\xFF"), "-1");
  EXPECT_TRUE(Holds<DbfBlank>(Decode(K::kOrderedInteger, std::string(4, '\0'))));

  EXPECT_EQ(Shown(K::kOrderedDouble, "\xC0\x04\0\0\0\0\0\0"s), "2.5");
  EXPECT_EQ(Shown(K::kOrderedDouble, "\x3F\xFB\xFF\xFF\xFF\xFF\xFF\xFF"), "-2.5");
  EXPECT_TRUE(Holds<DbfBlank>(Decode(K::kOrderedDouble, std::string(8, '\0'))));

  // Milliseconds as a double, 0001-01-01 being day 1.
  EXPECT_EQ(Shown(K::kTimestamp, "\x42\xC9\xD1\x04\x5F\x8E\x64\x00"s), "1800-01-01T01:01:01");
  EXPECT_EQ(Shown(K::kTimestamp, "\x42\xCC\x41\x8B\xA9\x9A\x00\x00"s), "1970-01-01T00:00:00");
  EXPECT_TRUE(Holds<DbfMalformed>(Decode(K::kTimestamp, "\xC2\xCC\x41\x8B\xA9\x9A\x00\x00"s)));
}

TEST(DbfFieldValue, TextCodedFields) {
  DbfValue number = Decode(K::kNumber, "   12.50");
  ASSERT_TRUE(Holds<DbfDecimal>(number));
  EXPECT_EQ(std::get<DbfDecimal>(number).text, "12.50");
  EXPECT_EQ(std::get<DbfDecimal>(number).value, 12.5);
  EXPECT_EQ(Shown(K::kNumber, "1234.  \0\0"s), "1234.");
  EXPECT_TRUE(Holds<DbfBlank>(Decode(K::kNumber, "        ")));
  DbfValue overflow = Decode(K::kNumber, " ******");
  ASSERT_TRUE(Holds<DbfMalformed>(overflow));
  EXPECT_EQ(DbfValueText(overflow), "******");

  EXPECT_EQ(Shown(K::kDate, "20050712"), "2005-07-12");
  EXPECT_EQ(Shown(K::kDate, "00010101"), "0001-01-01");
  EXPECT_TRUE(Holds<DbfBlank>(Decode(K::kDate, "        ")));
  EXPECT_TRUE(Holds<DbfBlank>(Decode(K::kDate, "00000000")));
  EXPECT_TRUE(Holds<DbfMalformed>(Decode(K::kDate, "20050229")));
  EXPECT_TRUE(Holds<DbfMalformed>(Decode(K::kDate, "2005-7-1")));

  EXPECT_EQ(Shown(K::kLogical, "y"), "T");
  EXPECT_EQ(Shown(K::kLogical, "T"), "T");
  EXPECT_EQ(Shown(K::kLogical, "n"), "F");
  EXPECT_TRUE(Holds<DbfBlank>(Decode(K::kLogical, "?")));
  EXPECT_TRUE(Holds<DbfBlank>(Decode(K::kLogical, " ")));
  EXPECT_TRUE(Holds<DbfMalformed>(Decode(K::kLogical, "X")));

  // C fields come back as stored, blanks and all.
  EXPECT_EQ(std::get<DbfText>(Decode(K::kText, "ab  ")).bytes, "ab  ");
}

TEST(DbfFieldValue, NullBitsAndVariableLengths) {
  // _NullFlags 0x20 0x0A: bits 5, 9 and 11.
  const std::string flags = "\x20\x0A";
  EXPECT_TRUE(DbfNullFlagBit(flags, 5));
  EXPECT_TRUE(DbfNullFlagBit(flags, 9));
  EXPECT_TRUE(DbfNullFlagBit(flags, 11));
  EXPECT_FALSE(DbfNullFlagBit(flags, 10));
  EXPECT_FALSE(DbfNullFlagBit(flags, 16));  // past the field
  EXPECT_FALSE(DbfNullFlagBit(flags, -1));

  EXPECT_TRUE(Holds<DbfNull>(DecodeDbfField(Field(K::kInteger, 9), "\x05\0\0\0"s, flags)));
  EXPECT_EQ(DbfValueText(DecodeDbfField(Field(K::kInteger, 10), "\x05\0\0\0"s, flags)), "5");
  EXPECT_TRUE(Holds<DbfNull>(DecodeDbfField(Field(K::kText, 11), "   ", flags)));

  // The length bit set: the last byte holds the length; clear: the whole field.
  const std::string varchar = "qwe\0\0\0\0\0\0\x03"s;
  EXPECT_EQ(std::get<DbfText>(DecodeDbfField(Field(K::kVarText, -1, 5), varchar, flags)).bytes,
            "qwe");
  EXPECT_EQ(std::get<DbfText>(DecodeDbfField(Field(K::kVarText, -1, 4), "abcdefghij", flags)).bytes,
            "abcdefghij");
  EXPECT_EQ(DbfValueText(DecodeDbfField(Field(K::kVarBinary, -1, 9),
                                        "\xAB\xCD\xEF\0\0\0\0\0\0\x03"s, flags)),
            "ABCDEF");
  // A length that does not fit the field.
  EXPECT_TRUE(Holds<DbfMalformed>(
      DecodeDbfField(Field(K::kVarText, -1, 5), "qwe\0\0\0\0\0\0\x0A"s, flags)));
  // A nullable V field whose null bit is set is null, whatever its length bit says.
  EXPECT_TRUE(Holds<DbfNull>(DecodeDbfField(Field(K::kVarText, 11, 5), varchar, flags)));
}

TEST(DbfFieldValue, MemoBlockNumbers) {
  EXPECT_EQ(DbfMemoBlock("\x10\x01\x00\x00"s), 0x110u);
  EXPECT_EQ(DbfMemoBlock("        12"), 12u);
  EXPECT_EQ(DbfMemoBlock("          "), 0u);
  EXPECT_EQ(DbfMemoBlock("0000000009"), 9u);
  EXPECT_FALSE(DbfMemoBlock("   garbage").has_value());
  EXPECT_FALSE(DbfMemoBlock("        -3").has_value());
}

}  // namespace
}  // namespace zuvo
