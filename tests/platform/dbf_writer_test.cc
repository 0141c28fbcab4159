#include "platform/dbf_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;

unsigned Le16(const std::string& bytes, size_t offset) {
  return static_cast<unsigned char>(bytes[offset]) | static_cast<unsigned char>(bytes[offset + 1])
                                                         << 8;
}
uint32_t Le32(const std::string& bytes, size_t offset) {
  return Le16(bytes, offset) | static_cast<uint32_t>(Le16(bytes, offset + 2)) << 16;
}

// 王 A4FD, 小 A470 (trail byte 'p'), 明 A9FA.
const std::string kWangXiaoMing = "\xA4\xFD\xA4\x70\xA9\xFA";

TEST(DbfWriter, WritesTheDbaseThreeLayoutByteForByte) {
  TempDir dir;
  fs::path file = dir / "CO01M.DBF";
  {
    DbfWriter writer(file,
                     {{"MNAME", 'C', 6}, {"AMOUNT", 'N', 8, 2}, {"BORN", 'D'}, {"ACTIVE", 'L'}});
    EXPECT_EQ(writer.Append({"a" + kWangXiaoMing, "12.50", "20240131", "T"}), 1);
    EXPECT_EQ(writer.Append({kWangXiaoMing + "x"}), 2);
    writer.Close();
  }
  std::string bytes = ReadFileBytes(file);
  const size_t header_length = 32 + 4 * 32 + 1;
  const size_t record_length = 1 + 6 + 8 + 8 + 1;
  ASSERT_EQ(bytes.size(), header_length + 2 * record_length + 1);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x03);
  EXPECT_EQ(Le32(bytes, 4), 2u);
  EXPECT_EQ(Le16(bytes, 8), header_length);
  EXPECT_EQ(Le16(bytes, 10), record_length);
  EXPECT_EQ(static_cast<unsigned char>(bytes[29]), kBig5LanguageDriver);
  // Field descriptor 2: name, type, width, decimals.
  EXPECT_EQ(bytes.substr(64, 7), std::string("AMOUNT\0", 7));
  EXPECT_EQ(bytes[64 + 11], 'N');
  EXPECT_EQ(bytes[64 + 16], 8);
  EXPECT_EQ(bytes[64 + 17], 2);
  EXPECT_EQ(bytes[header_length - 1], '\x0D');
  // "a王小明" is 7 bytes: cutting to 6 would split 明, so it is left out whole.
  EXPECT_EQ(bytes.substr(header_length, record_length), " a\xA4\xFD\xA4\x70    12.5020240131T");
  EXPECT_EQ(bytes.substr(header_length + record_length, record_length),
            " " + kWangXiaoMing + std::string(17, ' '));
  EXPECT_EQ(bytes.back(), '\x1A');
}

TEST(DbfWriter, RoundTripsThroughTheTableWithDeletedRecordsAndLanguageDriver) {
  TempDir dir;
  fs::path file = dir / "t.dbf";
  {
    DbfWriter writer(file, {{"NAME", 'C', 10}, {"PRICE", 'N', 10, 4}}, 0);
    writer.Append({kWangXiaoMing, "37.95"});
    writer.Append({"gone", "-1.5"});
    writer.Append({"", ""});
    writer.MarkDeleted(2);
    EXPECT_THROW(writer.MarkDeleted(4), Error);
    writer.Close();
  }
  DbfTable table(file);
  EXPECT_EQ(table.LanguageDriver(), 0);
  EXPECT_EQ(table.DeclaredCodePage(), 0);
  EXPECT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(table.Text("NAME"), kWangXiaoMing + "    ");
  EXPECT_EQ(table.Currency("PRICE"), 379500);
  table.Next();
  EXPECT_EQ(table.RecordNumber(), 3);
  EXPECT_TRUE(table.IsBlank("NAME"));
  EXPECT_TRUE(table.IsBlank("PRICE"));
  ASSERT_TRUE(table.Go(2));
  EXPECT_TRUE(table.IsDeleted());
  EXPECT_EQ(table.Currency("PRICE"), -15000);
}

TEST(DbfWriter, MemoFieldsGoToADbtFileNamedLikeTheTable) {
  TempDir dir;
  std::string long_memo(600, 'x');
  long_memo.replace(0, kWangXiaoMing.size(), kWangXiaoMing);
  {
    DbfWriter writer(dir / "CO02H.DBF", {{"KCSTMR", 'C', 7}, {"NOTE", 'M'}});
    writer.Append({"0000001", long_memo});
    writer.Append({"0000002", ""});
    writer.Append({"0000003", "short\r\nnote"});
    EXPECT_THROW(writer.Append({"0000004", "end\x1Amark"}), Error);
    writer.Close();
  }
  std::string memo = ReadFileBytes(dir / "CO02H.DBT");
  // Header block, two blocks for the 600-byte memo, one for the short one.
  ASSERT_EQ(memo.size(), 4u * 512);
  EXPECT_EQ(Le32(memo, 0), 4u);
  EXPECT_EQ(memo.substr(512, 600), long_memo);
  EXPECT_EQ(memo.substr(1112, 2), "\x1A\x1A");
  EXPECT_EQ(memo.substr(3 * 512, 13), "short\r\nnote\x1A\x1A");
  EXPECT_EQ(static_cast<unsigned char>(ReadFileBytes(dir / "CO02H.DBF")[0]), 0x83);

  DbfTable table = DbfTable::Open(dir.path(), "co02h.dbf");
  EXPECT_EQ(table.Text("NOTE"), "         1");
  EXPECT_EQ(table.Memo("NOTE"), long_memo);
  table.Next();
  EXPECT_EQ(table.Memo("NOTE"), "");
  table.Next();
  EXPECT_EQ(table.Text("NOTE"), "         3");
  EXPECT_EQ(table.Memo("NOTE"), "short\r\nnote");

  DbfWriter lower(dir / "lower.dbf", {{"NOTE", 'M'}});
  lower.Close();
  EXPECT_TRUE(fs::exists(dir / "lower.dbt"));
}

TEST(DbfWriter, RefusesWhatDbaseThreeCannotHold) {
  TempDir dir;
  fs::path file = dir / "T.DBF";
  EXPECT_THROW(DbfWriter(file, {{"ELEVENCHARS", 'C', 5}}), Error);
  EXPECT_THROW(DbfWriter(file, {{"WIDE", 'C', 255}}), Error);
  EXPECT_THROW(DbfWriter(file, {{"FLOAT", 'F', 8}}), Error);
  EXPECT_THROW(DbfWriter(file, {{"DEC", 'N', 4, 4}}), Error);

  DbfWriter writer(file, {{"N", 'N', 4}, {"D", 'D'}, {"L", 'L'}});
  try {
    writer.Append({"12345"});
    FAIL() << "a number wider than its field must be refused";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), file.string() + ": value \"12345\" does not fit field N");
  }
  EXPECT_THROW(writer.Append({"1", "2024-1-1"}), Error);
  EXPECT_THROW(writer.Append({"1", "20240101", "TF"}), Error);
  EXPECT_THROW(writer.Append({"1", "20240101", "T", "extra"}), Error);
  EXPECT_EQ(writer.Append({"1234", "20240101", "T"}), 1);
  writer.Close();
  EXPECT_EQ(DbfTable(file).RecordCount(), 1);
}

}  // namespace
}  // namespace zuvo
