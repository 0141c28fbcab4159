#include "platform/dbf_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::ExternalDir;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

fs::path External(const std::string& relative) { return ExternalDir() / "dbf" / relative; }

std::string Trimmed(const DbfTable& table, const std::string& field) {
  return big5::Trim(table.Text(field));
}

// Big5 text and the code page a table declares.

TEST(DbfTableText, Big5WithAsciiTrailBytesComesBackRawAndUntrimmed) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("mapshaper/big5.dbf"));
  ASSERT_EQ(table.RecordCount(), 1);
  // 繁 (C1 63) and 語 (BB 79) have the ASCII letters c and y as trail bytes.
  EXPECT_EQ(table.Text("name"), "\xC1\x63\xC5\xE9\xB0\xEA\xBB\x79");
  EXPECT_EQ(big5::ToUtf8(table.Text("NAME")), "繁體國語");
  EXPECT_EQ(table.DeclaredCodePage(), 0);

  DbfTable padded(External("mapshaper/cpg/big5.dbf"));
  EXPECT_EQ(padded.Text("NAME"), "\xB0\xEA\xBB\x79" + std::string(76, ' '));
  EXPECT_EQ(padded.DeclaredCodePage(), 950);  // from big5.cpg: "Big-5"
}

TEST(DbfTableText, CodePageComesFromTheCpgFileElseTheLanguageDriver) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable chinese(External("mapshaper/ldid/chinese.dbf"));
  EXPECT_EQ(chinese.LanguageDriver(), 0x7A);
  EXPECT_EQ(chinese.DeclaredCodePage(), 936);
  EXPECT_EQ(chinese.Text("NAME"), "\xBC\xF2\xCC\xE5");  // 简体 in GBK, kept as it is

  DbfTable gbk(External("mapshaper/gbk.dbf"));
  EXPECT_EQ(gbk.DeclaredCodePage(), 0);
  EXPECT_EQ(gbk.Text("NAME"), "\xBC\xF2\xCC\xE5\xB9\xFA\xD3\xEF");
  EXPECT_NE(big5::ToUtf8Escaped(gbk.Text("NAME")), "简体国语");

  EXPECT_EQ(DbfTable(External("infused-dbf/dbase_30.dbf")).DeclaredCodePage(), 1252);  // LDID 3

  // A .cpg beside the table wins over the language driver, found whatever its case.
  TempDir dir;
  WriteFileBytes(dir / "T.DBF", ReadFileBytes(External("mapshaper/ldid/chinese.dbf")));
  WriteFileBytes(dir / "t.Cpg", "950\r\n");
  EXPECT_EQ(DbfTable(dir / "T.DBF").DeclaredCodePage(), 950);
  // One that names nothing known leaves the language driver in charge.
  WriteFileBytes(dir / "t.Cpg", "klingon");
  EXPECT_EQ(DbfTable(dir / "T.DBF").DeclaredCodePage(), 936);
}

TEST(DbfTableOpen, MatchesEveryPathComponentWithoutRegardToCase) {
  ZUVO_REQUIRE_EXTERNAL();
  TempDir dir;
  fs::create_directories(dir / "Sub");
  WriteFileBytes(dir / "Sub" / "BIG5.DBF", ReadFileBytes(External("mapshaper/big5.dbf")));
  DbfTable table = DbfTable::Open(dir.path(), "sub\\big5.dbf");
  EXPECT_EQ(table.path(), dir / "Sub" / "BIG5.DBF");
  EXPECT_EQ(DbfTable::Open(dir.path(), "SUB/Big5.Dbf").RecordCount(), 1);
  try {
    DbfTable::Open(dir.path(), "sub/co01m.dbf");
    FAIL() << "a missing table must not open";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "cannot find the table sub/co01m.dbf in " + dir.path().string());
  }
}

// Fields: names, duplicates and the typed readers.

TEST(DbfTableFields, FirstOfDuplicateNamesWinsAndValuesConvertExactly) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("mapshaper/duplicate_fields.dbf"));
  EXPECT_EQ(table.RecordCount(), 5);  // no end-of-file mark after the last record
  ASSERT_EQ(table.Fields().size(), 12u);
  EXPECT_EQ(table.FieldIndex("UNEMPLOYED"), 4);
  EXPECT_EQ(table.Fields()[9].name, "unemployed");
  EXPECT_EQ(table.FieldIndex("not_in_lab"), 5);
  EXPECT_EQ(table.FieldIndex("missing"), -1);
  EXPECT_FALSE(table.HasField("missing"));

  // Row 0: overflowed numbers are asterisks, read as 0 but not blank.
  EXPECT_EQ(Trimmed(table, "geoid"), "15003980600");
  EXPECT_EQ(table.Number("rate"), 0.0);
  EXPECT_EQ(table.Currency("rate"), 0);
  EXPECT_FALSE(table.IsBlank("rate"));

  table.Next();
  EXPECT_EQ(table.RecordNumber(), 2);
  EXPECT_EQ(Trimmed(table, "SP_ID"), "2");
  EXPECT_EQ(table.Integer("employed"), 780);
  EXPECT_EQ(table.Integer("unemployed"), 123);
  EXPECT_EQ(big5::Trim(table.RawField(9)), "21.0000000000000");
  EXPECT_EQ(table.Integer("not_in_lab"), 224);
  EXPECT_DOUBLE_EQ(table.Number("rate"), 0.3079);
  EXPECT_DOUBLE_EQ(table.Number("error"), 0.082941522262937);
  EXPECT_EQ(table.Currency("rate"), 3079);
  EXPECT_EQ(table.Currency("error"), 829);        // 0.0829|4152...
  EXPECT_EQ(table.Currency("rate_women"), 2978);  // 0.2977|6 rounds up

  ASSERT_TRUE(table.Go(5));
  EXPECT_EQ(Trimmed(table, "geoid"), "15003009801");
}

TEST(DbfTableFields, DbaseThreeTableWithTwoFieldsOfOneName) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("infused-dbf/dbase_03.dbf"));
  EXPECT_EQ(table.Version(), 0x03);
  EXPECT_EQ(table.RecordCount(), 14);
  ASSERT_EQ(table.Fields().size(), 31u);
  EXPECT_EQ(table.Fields()[30].name, "Point_ID");
  EXPECT_EQ(table.Fields()[30].type, 'N');
  EXPECT_EQ(table.FieldIndex("point_id"), 0);
  EXPECT_EQ(table.Text("Point_ID"), "0507121     ");
  EXPECT_EQ(table.RawField(30), "      401");
  EXPECT_EQ(Trimmed(table, "Type"), "CMP");
  EXPECT_EQ(table.Text("Date_Visit"), "20050712");
  EXPECT_EQ(Trimmed(table, "Time"), "10:56:30am");
  EXPECT_DOUBLE_EQ(table.Number("Max_PDOP"), 5.2);
  EXPECT_EQ(table.Integer("GPS_Week"), 1331);
  EXPECT_EQ(table.Currency("Northing"), 5579048980);
  EXPECT_DOUBLE_EQ(table.Number("Easting"), 2212577.192);
  EXPECT_FALSE(table.IsBlank("Std_Dev"));
  table.Next();
  EXPECT_TRUE(table.IsBlank("Std_Dev"));
  EXPECT_EQ(table.Number("Std_Dev"), 0.0);
  ASSERT_TRUE(table.Go(14));
  EXPECT_EQ(Trimmed(table, "Point_ID"), "05071236");
  EXPECT_EQ(table.Integer("Point_ID"), 5071236);  // the first Point_ID, the text field
  EXPECT_EQ(big5::Trim(table.RawField(30)), "436");
  EXPECT_EQ(Trimmed(table, "Condition"), "Plugged");
}

TEST(DbfTableFields, UnknownFieldAndReadingPastTheEndNameTheFile) {
  ZUVO_REQUIRE_EXTERNAL();
  fs::path file = External("mapshaper/big5.dbf");
  DbfTable table(file);
  try {
    table.Text("NAMES");
    FAIL() << "an unknown field must be refused";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), file.string() + ": no field NAMES");
  }
  table.Next();
  ASSERT_TRUE(table.Eof());
  EXPECT_EQ(table.RecordNumber(), 2);
  try {
    table.Text("NAME");
    FAIL() << "there is no record past the last";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              file.string() + ": no current record (past the last record)");
  }
}

// Memo files.

TEST(DbfTableMemo, DbaseThreeMemoRunsToTheEndMark) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("infused-dbf/dbase_83.dbf"));
  EXPECT_EQ(table.Version(), 0x83);
  EXPECT_EQ(table.RecordCount(), 67);
  EXPECT_EQ(table.Integer("ID"), 87);
  EXPECT_EQ(Trimmed(table, "CODE"), "1");
  EXPECT_EQ(Trimmed(table, "NAME"), "Assorted Petits Fours");
  EXPECT_EQ(table.Currency("PRICE"), 0);
  EXPECT_DOUBLE_EQ(table.Number("WEIGHT"), 5.51);
  EXPECT_TRUE(table.Logical("TAXABLE"));
  EXPECT_TRUE(table.Logical("ACTIVE"));
  EXPECT_EQ(table.Memo("desc"),
            "Our Original assortment...a little taste of heaven for everyone.  Let us\r\n"
            "select a special assortment of our chocolate and pastel favorites for you.\r\n"
            "Each petit four is its own special hand decorated creation. Multi-layers of\r\n"
            "moist cake with combinations of specialty fillings create memorable cake\r\n"
            "confections. Varietes include; Luscious Lemon, Strawberry Hearts, White\r\n"
            "Chocolate, Mocha Bean, Roasted Almond, Triple Chocolate, Chocolate Hazelnut,\r\n"
            "Grand Orange, Plum Squares, Milk chocolate squares, and Raspberry Blanc.");
  table.Next();
  // The memo's bytes come back unconverted (0x85 is "…" in code page 1252).
  EXPECT_EQ(table.Memo("DESC").substr(0, 43), "Gift wrap you don't have to do\x85Petits fours");
  ASSERT_TRUE(table.Go(10));
  EXPECT_EQ(Trimmed(table, "CODE"), "AB01");
  EXPECT_EQ(Trimmed(table, "NAME"), "Apricot Brandy Fruitcake");
  EXPECT_EQ(table.Currency("PRICE"), 379500);
  EXPECT_FALSE(table.Logical("TAXABLE"));
  EXPECT_TRUE(table.Memo("DESC").ends_with("Presented in a gift tin.  (3lbs. 4oz)"));
  try {
    table.Memo("NAME");
    FAIL() << "a text field is not a memo";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              table.path().string() + ": field NAME is not a memo field");
  }
}

TEST(DbfTableMemo, DbaseFourMemoLengthIncludesTheBlockHeader) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("infused-dbf/dbase_8b.dbf"));
  std::vector<std::string> memos, texts, dates;
  std::vector<int64_t> numbers;
  std::vector<bool> logicals;
  for (table.First(); !table.Eof(); table.Next()) {
    memos.push_back(table.Memo("MEMO"));
    texts.push_back(Trimmed(table, "CHARACTER"));
    numbers.push_back(table.Integer("NUMERICAL"));
    dates.push_back(table.Text("DATE"));
    logicals.push_back(table.Logical("LOGICAL"));
  }
  ASSERT_EQ(memos.size(), 10u);
  EXPECT_EQ(memos[0], "First memo\r\n");
  EXPECT_EQ(memos[4], "Fifth memo");  // the stated length, not the text up to 0x1F
  EXPECT_EQ(memos[6], "Seventh memo");
  EXPECT_EQ(memos[9], "");
  EXPECT_EQ(texts[0], "One");
  EXPECT_EQ(texts[9], "Ten records stored in this database");
  EXPECT_EQ(numbers, (std::vector<int64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(dates[0], "19700101");
  EXPECT_EQ(dates[7], "19191231");
  EXPECT_EQ(dates[8], "        ");
  EXPECT_EQ(logicals, (std::vector<bool>{true, true, false, false, false, false, false, false,
                                         false, false}));
  table.Go(1);
  EXPECT_DOUBLE_EQ(table.Number("FLOAT"), 1.23456789012346);
}

TEST(DbfTableMemo, FoxProMemoFileFoundWhateverItsCase) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("dbfread/memotest.dbf"));
  ASSERT_TRUE(table.MemoPath().has_value());
  EXPECT_EQ(table.MemoPath()->filename(), "memotest.FPT");
  EXPECT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(Trimmed(table, "NAME"), "Alice");
  EXPECT_EQ(table.Text("BIRTHDATE"), "19870301");
  EXPECT_EQ(table.Memo("MEMO"), "Alice memo");
  table.Next();
  EXPECT_EQ(Trimmed(table, "NAME"), "Bob");
  EXPECT_EQ(table.Memo("MEMO"), "Bob memo");

  DbfTable visual(External("infused-dbf/dbase_30.dbf"));
  EXPECT_EQ(visual.RecordCount(), 34);
  EXPECT_EQ(visual.Fields().size(), 145u);
  EXPECT_EQ(Trimmed(visual, "ACCESSNO"), "1999.1");
  EXPECT_EQ(Trimmed(visual, "CAPTION"), "Ear & Ernie Wedding 1942");
  EXPECT_EQ(visual.Text("CATDATE"), "19990305");
  EXPECT_EQ(visual.Memo("CLASSES"), "Domestic Life\r\nWeddings\r\n");
  EXPECT_EQ(visual.RawField("UPDATED"), "\x56\x71\x25\x00\xE7\xD0\xB1\x03"s);
  ASSERT_TRUE(visual.Go(4));
  EXPECT_EQ(visual.Memo("CLASSES"), "Agriculture\r\nFarms & Farming\r\n");
  ASSERT_TRUE(visual.Go(34));
  EXPECT_EQ(Trimmed(visual, "OBJECTID"), "2007.2.12");
}

TEST(DbfTableMemo, MissingMemoFileReadsEmpty) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("infused-dbf/dbase_83_missing_memo.dbf"));
  EXPECT_FALSE(table.MemoPath().has_value());
  EXPECT_EQ(table.Integer("ID"), 87);
  EXPECT_EQ(table.Memo("DESC"), "");
  EXPECT_FALSE(table.IsBlank("DESC"));  // the block number is still there

  DbfTable fox(External("dbfread/no_memofile.dbf"));
  EXPECT_EQ(Trimmed(fox, "NAME"), "Alice");
  EXPECT_EQ(fox.Memo("MEMO"), "");
}

// Navigation, deleted records and the record count.

TEST(DbfTableRecords, DeletedRecordsAreSkippedButReachableByGo) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("dbfread/memotest.dbf"));
  std::vector<std::string> live;
  for (table.First(); !table.Eof(); table.Next()) live.push_back(Trimmed(table, "NAME"));
  EXPECT_EQ(live, (std::vector<std::string>{"Alice", "Bob"}));
  EXPECT_EQ(table.RecordNumber(), 4);
  ASSERT_TRUE(table.Go(3));
  EXPECT_TRUE(table.IsDeleted());
  EXPECT_EQ(Trimmed(table, "NAME"), "Deleted Guy");
  EXPECT_EQ(table.Text("BIRTHDATE"), "19791222");
  EXPECT_EQ(table.Memo("MEMO"), "Deleted Guy memo");
  EXPECT_FALSE(table.Go(0));
  EXPECT_FALSE(table.Go(4));
  EXPECT_EQ(table.RecordNumber(), 3);  // unchanged by a failed Go
}

TEST(DbfTableRecords, ReleasedPagesReadBackTheSameBytes) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("dbfread/memotest.dbf"));
  ASSERT_TRUE(table.Go(2));
  std::string_view name = table.RawField("NAME");
  const std::string before(name);
  table.ReleaseResidentPages();
  EXPECT_EQ(name, before);  // a view taken before stays valid
  ASSERT_TRUE(table.Go(1));
  table.ReleaseResidentPages();
  EXPECT_EQ(Trimmed(table, "NAME"), "Alice");
}

TEST(DbfTableRecords, HeaderCountLargerThanTheFileIsClampedToItsWholeRecords) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("infused-dbf/dbase_8b_incorrect_record_count.dbf"));
  EXPECT_EQ(table.HeaderRecordCount(), 15);
  EXPECT_EQ(table.RecordCount(), 10);
  EXPECT_TRUE(table.IsShort());
  int seen = 0;
  for (table.First(); !table.Eof(); table.Next()) ++seen;
  EXPECT_EQ(seen, 10);
  ASSERT_TRUE(table.Go(10));
  EXPECT_EQ(Trimmed(table, "CHARACTER"), "Ten records stored in this database");
  EXPECT_FALSE(table.Go(11));
  EXPECT_EQ(table.Memo("MEMO"), "");  // no .dbt beside it
}

TEST(DbfTableRecords, ZeroTerminatorAndEndMarkInsideTheLastRecordAreRead) {
  ZUVO_REQUIRE_EXTERNAL();
  DbfTable table(External("mapshaper/POLYGON.dbf"));
  ASSERT_EQ(table.Fields().size(), 1u);
  EXPECT_EQ(table.Fields()[0].name, "NAME");
  EXPECT_EQ(table.Fields()[0].width, 254);
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(Trimmed(table, "NAME"), "Fairfax City");
  table.Next();
  EXPECT_EQ(table.Text("NAME"), "Manassas" + std::string(245, ' ') + "\x1A");
  EXPECT_EQ(Trimmed(table, "NAME"), "Manassas");
}

// Look-ups, order and filter, on a table written for the purpose.

class DbfTableLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    DbfWriter writer(dir_ / "VISITS.DBF",
                     {{"KCSTMR", 'C', 7}, {"RDATE", 'C', 7}, {"HDATE", 'C', 7}, {"SEQ", 'N', 3}});
    writer.Append({"0000001", "1130105", "1130301", "1"});
    writer.Append({"0000002", "1130105", "1130101", "2"});
    writer.Append({"0000001", "1130106", "1130301", "3"});
    writer.Append({"0000003", "1130107", "1130101", "4"});  // deleted below
    writer.Append({"0000001", "1130105", "1130201", "5"});  // same pair as record 1
    writer.Append({"  00004", "1130108", "1130101", "6"});
    writer.MarkDeleted(4);
    writer.Close();
  }
  TempDir dir_;
};

TEST_F(DbfTableLookup, LocateFindsTheFirstLiveRecordByOneOrTwoTrimmedFields) {
  DbfTable table(dir_ / "VISITS.DBF");
  ASSERT_TRUE(table.Locate("kcstmr", "0000002"));
  EXPECT_EQ(table.RecordNumber(), 2);
  ASSERT_TRUE(table.Locate("KCSTMR", "0000001 "));
  EXPECT_EQ(table.RecordNumber(), 1);
  ASSERT_TRUE(table.Locate("KCSTMR", "0000001", "RDATE", "1130106"));
  EXPECT_EQ(table.RecordNumber(), 3);
  ASSERT_TRUE(table.Locate("KCSTMR", "0000001", "RDATE", "1130105"));
  EXPECT_EQ(table.RecordNumber(), 1);
  EXPECT_FALSE(table.Locate("KCSTMR", "0000003"));  // only in a deleted record
  EXPECT_EQ(table.RecordNumber(), 1);               // unchanged
  EXPECT_FALSE(table.Locate("KCSTMR", "000000", "RDATE", "11130105"));
  ASSERT_TRUE(table.Locate("KCSTMR", "00004"));  // leading blanks of the field are trimmed
  EXPECT_EQ(table.RecordNumber(), 6);
  EXPECT_THROW(table.Locate("NOPE", "1"), Error);
}

TEST_F(DbfTableLookup, OrderByIsStableAndFilterRestrictsTheCursor) {
  DbfTable table(dir_ / "VISITS.DBF");
  EXPECT_EQ(table.OrderBy("HDATE"), (std::vector<int>{2, 6, 5, 1, 3}));
  table.SetFilter([](const DbfTable& t) { return t.Integer("SEQ") % 2 == 1; });
  std::vector<int> seen;
  for (table.First(); !table.Eof(); table.Next()) seen.push_back(table.RecordNumber());
  EXPECT_EQ(seen, (std::vector<int>{1, 3, 5}));
  table.SetFilter(nullptr);
  seen.clear();
  for (table.First(); !table.Eof(); table.Next()) seen.push_back(table.RecordNumber());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 5, 6}));
}

// Damaged files: a clear error naming the file, never a read outside it.

class DbfTableDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    DbfWriter writer(dir_ / "GOOD.DBF", {{"NAME", 'C', 10}, {"AGE", 'N', 3}, {"BORN", 'D'}});
    writer.Append({"A", "1", "20000101"});
    writer.Append({"B", "2", "20010101"});
    writer.Append({"C", "3", "20020101"});
    writer.Close();
    good_ = ReadFileBytes(dir_ / "GOOD.DBF");
    // 32 + 3 × 32 + 1 header bytes, 1 + 10 + 3 + 8 record bytes, end-of-file mark.
    ASSERT_EQ(good_.size(), 129u + 3 * 22 + 1);
  }
  // The error message of opening `bytes` as a table.
  std::string OpenError(const std::string& bytes) {
    fs::path file = dir_ / "BAD.DBF";
    WriteFileBytes(file, bytes);
    try {
      DbfTable table(file);
      return "opened with " + std::to_string(table.RecordCount()) + " records";
    } catch (const Error& error) {
      return error.what();
    }
  }
  std::string Bad() const { return (dir_ / "BAD.DBF").string() + ": "; }
  static void PutLe16(std::string& bytes, size_t offset, unsigned value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
  }
  TempDir dir_;
  std::string good_;
};

TEST_F(DbfTableDamage, HeaderFaultsAreRefused) {
  EXPECT_EQ(OpenError(good_.substr(0, 20)), Bad() + "too short for a dBase header (20 bytes)");

  std::string header_too_long = good_;
  PutLe16(header_too_long, 8, 400);
  EXPECT_EQ(OpenError(header_too_long),
            Bad() + "the header length 400 runs past the end of the file (196 bytes)");

  std::string no_record_length = good_;
  PutLe16(no_record_length, 10, 0);
  EXPECT_EQ(OpenError(no_record_length), Bad() + "the record length is 0");

  // The header length ends inside the second field descriptor.
  std::string cut_descriptors = good_;
  PutLe16(cut_descriptors, 8, 80);
  EXPECT_EQ(OpenError(cut_descriptors),
            Bad() + "the field descriptors run past the header length 80");
  // ... or right after a descriptor, leaving no room for the terminator.
  PutLe16(cut_descriptors, 8, 96);
  EXPECT_EQ(OpenError(cut_descriptors),
            Bad() + "the field descriptors run past the header length 96");

  std::string no_fields = good_;
  PutLe16(no_fields, 8, 40);
  EXPECT_EQ(OpenError(no_fields), Bad() + "the header length 40 leaves no room for fields");

  // Fields wider than the record.
  std::string short_records = good_;
  PutLe16(short_records, 10, 12);
  EXPECT_EQ(OpenError(short_records).rfind(Bad() + "not a readable dBase table", 0), 0u);

  EXPECT_EQ(OpenError(""), Bad() + "too short for a dBase header (0 bytes)");
}

// A table cut short opens with its whole records (so that what is left can be looked at) and
// says so; a record the file ends inside is one of the missing. A conversion refuses it.
TEST_F(DbfTableDamage, RecordCountBeyondTheFileMarksATableCutShort) {
  // "opened with N records" plus what IsShort and RefuseShortTable say of `bytes`.
  auto opened = [&](const std::string& bytes) {
    std::string what = OpenError(bytes);
    DbfTable table(dir_ / "BAD.DBF");
    what += table.IsShort() ? ", short" : ", whole";
    try {
      table.RefuseShortTable();
    } catch (const Error& error) {
      what += std::string(" - ") + error.what();
    }
    return what;
  };
  std::string overstated = good_;
  overstated[4] = 100;
  const std::string refused = " - " + Bad() + "資料表不完整,表頭宣告 100 筆,檔案只有 3 筆";
  EXPECT_EQ(opened(overstated), "opened with 3 records, short" + refused);
  // Without the end-of-file mark as well.
  EXPECT_EQ(opened(overstated.substr(0, overstated.size() - 1)),
            "opened with 3 records, short" + refused);
  // Cut inside the third record: two whole records are left, the third is missing.
  EXPECT_EQ(opened(good_.substr(0, good_.size() - 5)),
            "opened with 2 records, short - " + Bad() + "資料表不完整,表頭宣告 3 筆,檔案只有 2 筆");
  // Cut at a record boundary, the header untouched: 224 stated, 100 held.
  std::string cut = good_.substr(0, 129);
  cut[4] = static_cast<char>(224);
  for (int record = 0; record < 100; ++record) cut += good_.substr(129, 22);
  EXPECT_EQ(opened(cut), "opened with 100 records, short - " + Bad() +
                             "資料表不完整,表頭宣告 224 筆,檔案只有 100 筆");
  {
    DbfTable table(dir_ / "BAD.DBF");
    int seen = 0;
    for (table.First(); !table.Eof(); table.Next()) ++seen;
    EXPECT_EQ(seen, 100);
    EXPECT_FALSE(table.Go(101));
  }
  // A header stating fewer records than the file holds is believed: the table is whole.
  std::string understated = good_;
  understated[4] = 2;
  EXPECT_EQ(opened(understated), "opened with 2 records, whole");
  EXPECT_EQ(opened(good_), "opened with 3 records, whole");
  // Stray bytes after the last record the header counts change nothing.
  EXPECT_EQ(opened(good_ + "xyz"), "opened with 3 records, whole");

  try {
    DbfTable table(dir_ / "MISSING.DBF");
    FAIL() << "a missing file must not open";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()).rfind("cannot read " + (dir_ / "MISSING.DBF").string(), 0),
              0u);
  }
}

TEST_F(DbfTableDamage, MemoPointersOutsideTheMemoFileAreReported) {
  {
    DbfWriter writer(dir_ / "NOTE.DBF", {{"ID", 'N', 2}, {"NOTE", 'M'}});
    writer.Append({"1", "first"});
    writer.Append({"2", "second"});
    writer.Close();
  }
  std::string table = ReadFileBytes(dir_ / "NOTE.DBF");
  fs::path memo = dir_ / "NOTE.DBT";
  // Record 2's block number (field at offset 3 of the record) points far past the memo file.
  size_t header_length = 32 + 2 * 32 + 1;
  table.replace(header_length + 13 + 3, 10, "      9999");
  WriteFileBytes(dir_ / "NOTE.DBF", table);
  DbfTable notes(dir_ / "NOTE.DBF");
  EXPECT_EQ(notes.Memo("NOTE"), "first");
  notes.Next();
  try {
    notes.Memo("NOTE");
    FAIL() << "a block past the memo file must be reported";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "memo block 9999 of " + memo.string() + " lies past the end of the file");
  }
  // A memo file cut inside the first memo still reads up to where it ends.
  std::string memo_bytes = ReadFileBytes(memo);
  WriteFileBytes(memo, memo_bytes.substr(0, 512 + 3));
  EXPECT_EQ(DbfTable(dir_ / "NOTE.DBF").Memo("NOTE"), "fir");
}

}  // namespace
}  // namespace zuvo
