#include "platform/dbf_header.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/error.h"
#include "support/dbf_bytes.h"

namespace zuvo {
namespace {

using testing::Dbase7Descriptor;
using testing::DbfDescriptor;
using testing::DbfFixedHeader;

// The header of a table with 32-byte descriptors, ended by 0x0D.
std::string Header(uint8_t version, uint16_t record_length, const std::string& descriptors) {
  auto header_length = static_cast<uint16_t>(32 + descriptors.size() + 1);
  return DbfFixedHeader(version, 0, header_length, record_length) + descriptors + "\r";
}

std::string OpenError(const std::string& bytes) {
  try {
    ReadDbfHeader(bytes, "T.DBF");
    return "read";
  } catch (const Error& error) {
    return error.what();
  }
}

TEST(DbfHeader, CharacterFieldWidthTakesItsHighByteOnlyWhenTheRecordLengthAgrees) {
  // NOTE: width byte 44, decimal byte 1, as Clipper and FoxPro store a 300-byte field.
  const std::string descriptors = DbfDescriptor("ACCOUNT", 'N', 8, 2) +
                                  DbfDescriptor("NOTE", 'C', 44, 1) +
                                  DbfDescriptor("NOTEMEMO", 'M', 10);
  DbfHeader wide = ReadDbfHeader(Header(0xF5, 1 + 8 + 300 + 10, descriptors), "T.DBF");
  ASSERT_EQ(wide.fields.size(), 3u);
  EXPECT_EQ(wide.fields[1].width, 300);
  EXPECT_EQ(wide.fields[1].decimals, 0);
  EXPECT_EQ(wide.fields[2].offset, 309u);
  EXPECT_EQ(wide.fields[0].decimals, 2);  // an N field's decimal byte is its decimal count

  // Excel writes a decimal count into C fields: the narrow widths fill the record, so they stand.
  DbfHeader narrow = ReadDbfHeader(Header(0x03, 1 + 8 + 44 + 10, descriptors), "T.DBF");
  EXPECT_EQ(narrow.fields[1].width, 44);
  EXPECT_EQ(narrow.fields[1].decimals, 0);
  EXPECT_EQ(narrow.fields[2].offset, 53u);
  // A record longer than both sums (free bytes at its end) keeps the narrow widths as well.
  EXPECT_EQ(ReadDbfHeader(Header(0x03, 400, descriptors), "T.DBF").fields[1].width, 44);
}

TEST(DbfHeader, VisualFoxProFlagsGiveNullAndLengthBitsInFieldOrder) {
  const std::string descriptors =
      DbfDescriptor("VC", 'V', 10, 0, 0x02) + DbfDescriptor("NAME", 'C', 5, 0, 0x06) +
      DbfDescriptor("ID", 'I', 4, 0, 0x0C) + DbfDescriptor("VB", 'Q', 10, 0, 0x00) +
      DbfDescriptor("PAID", 'Y', 8, 4, 0x02) + DbfDescriptor("WHEN", 'T', 8, 0, 0x02) +
      DbfDescriptor("_NullFlags", '0', 1, 0, 0x05);
  DbfHeader header =
      ReadDbfHeader(Header(0x32, 1 + 10 + 5 + 4 + 10 + 8 + 8 + 1, descriptors), "T.DBF");
  ASSERT_EQ(header.fields.size(), 7u);
  EXPECT_EQ(header.null_flags_field, 6);
  const auto& f = header.fields;
  EXPECT_EQ(f[0].kind, DbfFieldKind::kVarText);
  EXPECT_EQ(f[0].length_bit, 0);
  EXPECT_EQ(f[0].null_bit, 1);
  EXPECT_EQ(f[1].null_bit, 2);
  EXPECT_EQ(f[1].flags, 0x06);
  EXPECT_EQ(f[2].kind, DbfFieldKind::kInteger);
  EXPECT_EQ(f[2].null_bit, -1);  // autoincrement, not nullable
  EXPECT_EQ(f[3].kind, DbfFieldKind::kVarBinary);
  EXPECT_EQ(f[3].length_bit, 3);
  EXPECT_EQ(f[3].null_bit, -1);
  EXPECT_EQ(f[4].kind, DbfFieldKind::kCurrency);
  EXPECT_EQ(f[4].decimals, 4);
  EXPECT_EQ(f[4].null_bit, 4);
  EXPECT_EQ(f[5].kind, DbfFieldKind::kDateTime);
  EXPECT_EQ(f[5].null_bit, 5);  // bits 6 and 7 are free
  EXPECT_EQ(f[6].null_bit, -1);

  // Byte 18 means nothing outside Visual FoxPro.
  DbfHeader dbase =
      ReadDbfHeader(Header(0x03, 1 + 5, DbfDescriptor("NAME", 'C', 5, 0, 0x06)), "T.DBF");
  EXPECT_EQ(dbase.fields[0].flags, 0);
  EXPECT_EQ(dbase.null_flags_field, -1);
}

TEST(DbfHeader, FieldKindFollowsTypeVersionAndWidth) {
  const std::string descriptors = DbfDescriptor("D8", 'B', 8, 2) + DbfDescriptor("B10", 'B', 10) +
                                  DbfDescriptor("I", 'I', 4) + DbfDescriptor("T14", 'T', 14) +
                                  DbfDescriptor("AT", '@', 8) + DbfDescriptor("G", 'G', 4);
  DbfHeader vfp = ReadDbfHeader(Header(0x30, 1 + 8 + 10 + 4 + 14 + 8 + 4, descriptors), "T.DBF");
  EXPECT_EQ(vfp.fields[0].kind, DbfFieldKind::kDouble);
  EXPECT_EQ(vfp.fields[0].decimals, 2);
  EXPECT_EQ(vfp.fields[1].kind, DbfFieldKind::kMemoBinary);  // dBase's binary memo
  EXPECT_EQ(vfp.fields[2].kind, DbfFieldKind::kInteger);
  EXPECT_EQ(vfp.fields[3].kind, DbfFieldKind::kText);  // no T layout is 14 bytes wide
  EXPECT_EQ(vfp.fields[4].kind, DbfFieldKind::kText);  // @ belongs to dBase 7
  EXPECT_EQ(vfp.fields[5].kind, DbfFieldKind::kMemoBinary);
}

TEST(DbfHeader, Dbase7HasFortyEightByteDescriptorsAndALanguageDriverName) {
  std::string fixed = DbfFixedHeader(0x8C, 3, 0, 1 + 20 + 4 + 4 + 8 + 8 + 10);
  std::string driver(36, '\0');
  driver.replace(0, 8, "DB866RU0");
  std::string descriptors = Dbase7Descriptor("A_LONGER_FIELD_NAME", 'C', 20) +
                            Dbase7Descriptor("AUTO_INC", '+', 4) + Dbase7Descriptor("INT", 'I', 4) +
                            Dbase7Descriptor("DBL", 'O', 8) + Dbase7Descriptor("WHEN", '@', 8) +
                            Dbase7Descriptor("BLOB", 'B', 10);
  std::string bytes = fixed + driver + descriptors + "\r";
  bytes.replace(8, 2, testing::LittleEndianBytes(bytes.size(), 2));
  DbfHeader header = ReadDbfHeader(bytes, "T.DBF");
  EXPECT_EQ(header.language_driver_name, "DB866RU0");
  ASSERT_EQ(header.fields.size(), 6u);
  EXPECT_EQ(header.fields[0].name, "A_LONGER_FIELD_NAME");
  EXPECT_EQ(header.fields[1].kind, DbfFieldKind::kOrderedInteger);
  EXPECT_EQ(header.fields[2].kind, DbfFieldKind::kOrderedInteger);
  EXPECT_EQ(header.fields[3].kind, DbfFieldKind::kOrderedDouble);
  EXPECT_EQ(header.fields[4].kind, DbfFieldKind::kTimestamp);
  EXPECT_EQ(header.fields[5].kind, DbfFieldKind::kMemoBinary);
  EXPECT_EQ(header.fields[5].offset, 45u);

  // The fixed part alone leaves no room for a 48-byte descriptor.
  std::string cut = bytes;
  cut.replace(8, 2, testing::LittleEndianBytes(68 + 40, 2));
  EXPECT_EQ(OpenError(cut), "T.DBF: the header length 108 leaves no room for fields");
}

TEST(DbfHeader, FieldsThatDoNotFitTheRecordAreRefused) {
  const std::string descriptors = DbfDescriptor("A", 'C', 10) + DbfDescriptor("B", 'N', 0);
  EXPECT_EQ(OpenError(Header(0x03, 11, descriptors)), "T.DBF: field 2 has width 0");
  EXPECT_EQ(OpenError(Header(0x03, 9, DbfDescriptor("A", 'C', 10))),
            "T.DBF: not a readable dBase table (its fields need 11 bytes of a record, the "
            "record length is 9)");
  // A wide field whose sum is not the record length is read narrow, so it does not fit either.
  EXPECT_EQ(OpenError(Header(0x03, 5, DbfDescriptor("A", 'C', 10, 1))),
            "T.DBF: not a readable dBase table (its fields need 11 bytes of a record, the "
            "record length is 5)");
}

}  // namespace
}  // namespace zuvo
