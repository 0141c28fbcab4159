// DbfTable on tables laid down byte by byte: typed values of every Visual FoxPro field type,
// wide character fields, the records a file really holds, and the code page a table declares.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/dbf_table.h"
#include "support/dbf_bytes.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::DbfDescriptor;
using testing::DbfFixedHeader;
using testing::LittleEndianBytes;
using testing::TempDir;
using testing::WriteFileBytes;

std::string BigEndian32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16 & 0xFF),
          static_cast<char>(value >> 8 & 0xFF), static_cast<char>(value & 0xFF)};
}

// A FoxPro memo block: big-endian type (1 text, 0 binary) and length, then the bytes.
std::string FptBlock(uint32_t type, const std::string& bytes, size_t block_size) {
  std::string block = BigEndian32(type) + BigEndian32(static_cast<uint32_t>(bytes.size())) + bytes;
  block.resize((block.size() + block_size - 1) / block_size * block_size, '\0');
  return block;
}

// A 512-byte .FPT header: next free block (BE uint32 at 0), block size (BE uint16 at 6).
std::string FptHeader(uint32_t next_block, uint16_t block_size) {
  std::string header(512, '\0');
  header.replace(0, 4, BigEndian32(next_block));
  header[6] = static_cast<char>(block_size >> 8);
  header[7] = static_cast<char>(block_size & 0xFF);
  return header;
}

class DbfVisualFoxProTable : public ::testing::Test {
 protected:
  void SetUp() override {
    // _NullFlags bits: PAID null 0, WHEN null 1, NOTE length 2 and null 3, RAW length 4,
    // NAME null 5.
    const std::string descriptors =
        DbfDescriptor("ID", 'I', 4, 0, 0x00) + DbfDescriptor("PAID", 'Y', 8, 4, 0x02) +
        DbfDescriptor("WHEN", 'T', 8, 0, 0x02) + DbfDescriptor("RATE", 'B', 8, 2, 0x00) +
        DbfDescriptor("NOTE", 'V', 10, 0, 0x02) + DbfDescriptor("RAW", 'Q', 6, 0, 0x00) +
        DbfDescriptor("NAME", 'C', 6, 0, 0x02) + DbfDescriptor("MEMO", 'M', 4, 0, 0x00) +
        DbfDescriptor("PIC", 'G', 4, 0, 0x00) + DbfDescriptor("_NullFlags", '0', 1, 0, 0x05);
    const uint16_t record_length = 1 + 4 + 8 + 8 + 8 + 10 + 6 + 6 + 4 + 4 + 1;
    const std::string backlink(263, '\0');
    const auto header_length = static_cast<uint16_t>(32 + 10 * 32 + 1 + backlink.size());
    std::string table =
        DbfFixedHeader(0x32, 2, header_length, record_length, 0x03) + descriptors + "\r" + backlink;
    table += " "s + "\x07\0\0\0"s                         // ID 7
             + LittleEndianBytes(1234500, 8)              // PAID 123.4500
             + "\x56\x71\x25\x00\xE8\xD0\xB1\x03"s        // WHEN day 2453846, 61985000 ms
             + "\0\0\0\0\0\0\xE0\x3F"s                    // RATE 0.5
             + "abc\0\0\0\0\0\0\x03"s                     // NOTE, length 3 in its last byte
             + "\x01\x02\0\0\0\x02"s                      // RAW, length 2
             + "Wang  "                                   // NAME
             + "\x08\0\0\0"s + "\x09\0\0\0"s              // MEMO block 8, PIC block 9
             + "\x14";                                    // NOTE and RAW length bits
    table += " "s + "\x01\0\0\0"s + std::string(8, '\0')  // ID 1, PAID (null)
             + std::string(8, '\0')                       // WHEN (null)
             + "\0\0\0\0\0\0\xF0\xBF"s                    // RATE -1
             + "abcdefghij"                               // NOTE, whole field
             + "\xAA\xBB\xCC\xDD\xEE\xFF"                 // RAW, whole field
             + "      " + std::string(8, '\0')            // NAME (null), no memos
             + "\x23";                                    // PAID, WHEN and NAME null
    table += "\x1A";
    WriteFileBytes(dir_ / "PAY.DBF", table);
    WriteFileBytes(dir_ / "pay.fpt",
                   FptHeader(10, 64) + FptBlock(1, "hello", 64) + FptBlock(0, "\x89PNG", 64));
  }
  TempDir dir_;
};

TEST_F(DbfVisualFoxProTable, BinaryFieldsReadToTheirValues) {
  DbfTable table(dir_ / "PAY.DBF");
  ASSERT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(std::get<DbfInteger>(table.Value("ID")).value, 7);
  EXPECT_EQ(table.Integer("ID"), 7);
  EXPECT_EQ(std::get<DbfMoney>(table.Value("PAID")).ten_thousandths, 1234500);
  EXPECT_EQ(table.Currency("PAID"), 1234500);
  EXPECT_EQ(table.Integer("PAID"), 123);
  EXPECT_DOUBLE_EQ(table.Number("PAID"), 123.45);
  EXPECT_EQ(DbfValueText(table.Value("WHEN")), "2006-04-20T17:13:05");
  EXPECT_EQ(table.Number("RATE"), 0.5);
  EXPECT_EQ(table.Currency("RATE"), 5000);
  EXPECT_EQ(std::get<DbfText>(table.Value("NOTE")).bytes, "abc");
  EXPECT_EQ(std::get<DbfBytes>(table.Value("RAW")).bytes, "\x01\x02");
  EXPECT_EQ(std::get<DbfText>(table.Value("NAME")).bytes, "Wang  ");
  EXPECT_EQ(std::get<DbfText>(table.Value("MEMO")).bytes, "hello");
  EXPECT_EQ(std::get<DbfBytes>(table.Value("PIC")).bytes, "\x89PNG");
  EXPECT_EQ(table.Memo("PIC"), "\x89PNG");
  EXPECT_EQ(table.Text("ID"), "\x07\0\0\0"s);  // the raw bytes, as ever
  EXPECT_FALSE(table.IsBlank("ID"));
}

TEST_F(DbfVisualFoxProTable, NullBitsMakeValuesNull) {
  DbfTable table(dir_ / "PAY.DBF");
  table.Next();
  ASSERT_EQ(table.RecordNumber(), 2);
  EXPECT_EQ(table.Integer("ID"), 1);
  EXPECT_FALSE(table.IsBlank("ID"));  // 01 00 00 00 is 1, not blanks
  EXPECT_TRUE(std::holds_alternative<DbfNull>(table.Value("PAID")));
  EXPECT_EQ(table.Currency("PAID"), 0);
  EXPECT_TRUE(table.IsBlank("PAID"));
  EXPECT_TRUE(std::holds_alternative<DbfNull>(table.Value("WHEN")));
  EXPECT_TRUE(std::holds_alternative<DbfNull>(table.Value("NAME")));
  EXPECT_EQ(table.Text("NAME"), "      ");
  EXPECT_EQ(table.Integer("RATE"), -1);
  EXPECT_EQ(std::get<DbfText>(table.Value("NOTE")).bytes, "abcdefghij");
  EXPECT_EQ(DbfValueText(table.Value("RAW")), "AABBCCDDEEFF");
  EXPECT_TRUE(std::holds_alternative<DbfBlank>(table.Value("MEMO")));
  EXPECT_EQ(table.Memo("MEMO"), "");
}

TEST(DbfWideField, CharacterFieldOf300BytesKeepsTheFieldsAfterItInPlace) {
  TempDir dir;
  const std::string descriptors = DbfDescriptor("ACCOUNT", 'N', 8) +
                                  DbfDescriptor("NOTE", 'C', 44, 1) +
                                  DbfDescriptor("NOTEMEMO", 'M', 10);
  const std::string note = std::string(299, 'x') + "!";
  std::string table = DbfFixedHeader(0xF5, 1, 32 + 3 * 32 + 1, 1 + 8 + 300 + 10) + descriptors +
                      "\r" + " " + "   10855" + note + "         8" + "\x1A";
  WriteFileBytes(dir / "PR.DBF", table);
  WriteFileBytes(dir / "PR.FPT", FptHeader(9, 64) + FptBlock(1, "call on the 18th", 64));
  DbfTable wide(dir / "PR.DBF");
  EXPECT_EQ(wide.Fields()[1].width, 300);
  EXPECT_EQ(wide.Text("NOTE"), note);
  EXPECT_EQ(wide.Integer("ACCOUNT"), 10855);
  EXPECT_EQ(wide.Memo("NOTEMEMO"), "call on the 18th");
}

TEST(DbfRecordsInFile, CountsWholeRecordsWhateverTheHeaderStates) {
  TempDir dir;
  auto records_in = [&](uint32_t stated, const std::string& data) {
    WriteFileBytes(dir / "T.DBF", DbfFixedHeader(0x03, stated, 32 + 32 + 1, 4) +
                                      DbfDescriptor("CODE", 'C', 3) + "\r" + data);
    DbfTable table(dir / "T.DBF");
    return std::to_string(table.RecordsInFile()) + " in the file, " +
           std::to_string(table.RecordCount()) + " read";
  };
  const std::string three = " AAA BBB*CCC";
  EXPECT_EQ(records_in(1, three + "\x1A"), "3 in the file, 1 read");
  EXPECT_EQ(records_in(0, three), "3 in the file, 0 read");
  EXPECT_EQ(records_in(3, three + "\x1A"), "3 in the file, 3 read");
  EXPECT_EQ(records_in(9, three + "\x1A"), "3 in the file, 3 read");  // clamped
  // After the end-of-file mark: stray bytes and zeros the size of a record are no records.
  EXPECT_EQ(records_in(1, three + "\x1A" + "ZZZ"), "3 in the file, 1 read");
  EXPECT_EQ(records_in(1, three + std::string(8, '\0')), "3 in the file, 1 read");
  // A record the header counts is counted whatever its first byte.
  EXPECT_EQ(records_in(2, " AAA\0BBB"s), "2 in the file, 2 read");
}

TEST(DbfDeclaredCodePage, CpgFileThatCannotBeUsedIsIgnoredWithAWarning) {
  TempDir dir;
  WriteFileBytes(dir / "T.DBF",
                 DbfFixedHeader(0x03, 0, 65, 4, 0x7A) + DbfDescriptor("CODE", 'C', 3) + "\r\x1A");
  fs::create_directory(dir / "t.CPG");  // cannot be read as a file
  DbfTable unreadable(dir / "T.DBF");
  EXPECT_EQ(unreadable.DeclaredCodePage(), 936);  // the language driver's
  ASSERT_EQ(unreadable.Warnings().size(), 1u);
  EXPECT_EQ(unreadable.Warnings()[0], "cannot read " + (dir / "t.CPG").string() +
                                          ": not a regular file; the .cpg file is ignored");
  fs::remove(dir / "t.CPG");

  WriteFileBytes(dir / "t.cpg", "<!DOCTYPE html><html>UTF-8</html>");
  DbfTable html(dir / "T.DBF");
  EXPECT_EQ(html.DeclaredCodePage(), 936);
  ASSERT_EQ(html.Warnings().size(), 1u);
  EXPECT_EQ(html.Warnings()[0],
            (dir / "t.cpg").string() + " names no code page this program knows; it is ignored");

  WriteFileBytes(dir / "t.cpg", "\xEF\xBB\xBFutf-8\r\n");
  DbfTable utf8(dir / "T.DBF");
  EXPECT_EQ(utf8.DeclaredCodePage(), 65001);
  EXPECT_TRUE(utf8.Warnings().empty());
}

}  // namespace
}  // namespace zuvo
