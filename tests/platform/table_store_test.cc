#include "platform/table_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/big5.h"
#include "platform/memory_table.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// 許 (B3 5C) and 功 (A5 5C) end in a backslash; 繁 (C1 63) and 語 (BB 79) in ASCII letters.
const std::string kXuGong = "\xB3\x5C\xA5\x5C";
const std::string kFanTiGuoYu = "\xC1\x63\xC5\xE9\xB0\xEA\xBB\x79";

constexpr const char* kSchema = R"(
CREATE TABLE DX (ICD10 TEXT COLLATE NOCASE, Sname TEXT COLLATE NOCASE, Cname TEXT COLLATE NOCASE,
                 keyword TEXT COLLATE NOCASE, bList BOOLEAN, common BOOLEAN, SORTNUM INTEGER);
CREATE TABLE MX (INSUcode TEXT COLLATE NOCASE, Sname TEXT COLLATE NOCASE, cost CURRENCY,
                 price REAL, unit INTEGER);
CREATE TABLE MXset (classID INTEGER PRIMARY KEY AUTOINCREMENT, setName TEXT COLLATE NOCASE,
                    owner TEXT COLLATE NOCASE);
CREATE TABLE MXquick (classID INTEGER, DXname TEXT COLLATE NOCASE, SubSetNo INTEGER);
)";

std::string Big5(std::string_view utf8) { return big5::FromUtf8(utf8); }

class TableStoreTest : public ::testing::Test {
 protected:
  TableStoreTest() : file_(dir_ / "OPD.mdb") {
    Database created = Database::Create(file_);
    created.ExecuteScript(kSchema);
  }

  // Column `name` of every row, first to last.
  static std::vector<std::string> Column(RecordSet& rows, std::string_view name) {
    std::vector<std::string> values;
    for (rows.First(); !rows.Eof(); rows.Next()) values.push_back(rows.TextUtf8(name));
    return values;
  }

  void AddDiagnosis(Database& db, std::string_view icd10, std::string_view cname_utf8) {
    db.Execute("insert into DX (ICD10, Cname, bList, common) values (?, ?, False, False)",
               {icd10, Big5(cname_utf8)});
  }

  testing::TempDir dir_;
  std::filesystem::path file_;
};

TEST_F(TableStoreTest, Big5TextRoundTripsAndIsStoredAsCharacters) {
  {
    Database db = Database::Open(file_);
    RecordSet dx = db.OpenTable("DX");
    dx.Append();
    dx.SetText("ICD10", "E11.9");
    dx.SetText("Cname", kXuGong + kFanTiGuoYu);
    dx.Post();
  }
  Database db = Database::Open(file_);
  RecordSet found = db.Query("select Cname, length(Cname) as chars from DX where Cname=?",
                             {kXuGong + kFanTiGuoYu});
  ASSERT_EQ(found.RecordCount(), 1u);
  EXPECT_EQ(found.Text("Cname"), kXuGong + kFanTiGuoYu);
  EXPECT_EQ(found.TextUtf8("cname"), "許功繁體國語");
  EXPECT_EQ(found.Integer("chars"), 6);
  // The backslash trail byte must not act as an escape, nor the letter trail bytes as letters.
  EXPECT_EQ(db.Query("select * from DX where Cname like ?", {"%" + Big5("功") + "%"}).RecordCount(),
            1u);
  EXPECT_EQ(db.Query("select * from DX where Cname like ?", {"%c%"}).RecordCount(), 0u);
}

TEST_F(TableStoreTest, LikeMatchesChineseCharactersAndEqualityIgnoresAsciiCase) {
  Database db = Database::Open(file_);
  AddDiagnosis(db, "e11.9", "糖尿病");
  AddDiagnosis(db, "I10", "高血壓");
  AddDiagnosis(db, "E11.21", "糖尿病腎病變");
  AddDiagnosis(db, "b20", "人類免疫缺乏病毒");
  auto count = [&](std::string_view pattern_utf8) {
    return db.Query("select * from DX where Cname like ?", {Big5(pattern_utf8)}).RecordCount();
  };
  EXPECT_EQ(count("糖尿%"), 2u);
  EXPECT_EQ(count("_血壓"), 1u);
  EXPECT_EQ(count("糖_病"), 1u);
  EXPECT_EQ(count("糖__"), 1u);
  EXPECT_EQ(count("%病%"), 3u);
  EXPECT_EQ(db.Query("select * from DX where ICD10=?", {"E11.9"}).RecordCount(), 1u);
  EXPECT_EQ(db.Query("select * from DX where ICD10 like 'e11%'").RecordCount(), 2u);
  RecordSet ordered = db.Query("select * from DX order by ICD10");
  EXPECT_THAT(Column(ordered, "ICD10"), ElementsAre("b20", "E11.21", "e11.9", "I10"));
  RecordSet prefix = db.Query("select ICD10 from DX where ICD10 like ? ORDER BY ICD10",
                              {std::string("E11") + "_%"});
  EXPECT_THAT(Column(prefix, "ICD10"), ElementsAre("E11.21", "e11.9"));
}

TEST_F(TableStoreTest, CurrencyIsKeptInExactTenThousandths) {
  Database db = Database::Open(file_);
  {
    RecordSet mx = db.OpenTable("MX");
    mx.Append();
    mx.SetText("INSUcode", "A1");
    mx.SetCurrency("cost", 123456);  // 12.3456
    mx.Post();
    mx.Append();
    mx.SetText("INSUcode", "A2");
    mx.SetNumber("cost", 0.1);  // 0.1 has no exact double; the column must still hold 1000
    mx.Post();
    mx.Append();
    mx.SetText("INSUcode", "A3");
    mx.SetText("cost", "7.65");
    mx.SetText("price", "7.65");
    mx.Post();
    EXPECT_EQ(mx.Currency("cost"), 76500);
    EXPECT_EQ(mx.Text("cost"), "7.65");
    EXPECT_DOUBLE_EQ(mx.Number("cost"), 7.65);
    EXPECT_EQ(mx.Currency("price"), 76500);
  }
  RecordSet raw = db.Query("select INSUcode, cost, typeof(cost) as kind from MX order by INSUcode");
  EXPECT_THAT(Column(raw, "cost"), ElementsAre("12.3456", "0.1", "7.65"));
  raw.First();
  EXPECT_EQ(raw.Text("kind"), "integer");
  EXPECT_EQ(raw.Currency("cost"), 123456);
  RecordSet sum = db.Query("select sum(cost) as total from MX");
  EXPECT_EQ(sum.Integer("total"), 123456 + 1000 + 76500);
  EXPECT_EQ(db.Execute("update MX set cost = cost + ? where INSUcode=?", {Currency{5}, "A1"}), 1);
  RecordSet a1 = db.Query("select * from MX where INSUcode='A1'");
  EXPECT_EQ(a1.Currency("cost"), 123461);
  EXPECT_EQ(a1.Text("cost"), "12.3461");
}

// The statements the engine writes: yes/no fields compare with 1 and 0 and read back as the
// stored databases hold them; bracketed names address a table and columns with blanks.
TEST_F(TableStoreTest, StatementsOfTheEngineRunInSqliteForm) {
  Database db = Database::Open(file_);
  AddDiagnosis(db, "A00", "霍亂");
  AddDiagnosis(db, "A01", "傷寒");
  db.Execute("update DX set keyword=? where ICD10='A01'", {"[fever]"});
  EXPECT_EQ(db.Execute("update DX set common=1"), 2);
  RecordSet keywords = db.Query("select keyword from DX where keyword is not null");
  EXPECT_THAT(Column(keywords, "keyword"), ElementsAre("[fever]"));
  EXPECT_EQ(db.Query("select * from DX where Sname is not null").RecordCount(), 0u);
  RecordSet common = db.Query("select * from DX where bList=0 and common=1");
  EXPECT_EQ(common.RecordCount(), 2u);
  EXPECT_TRUE(common.Boolean("common"));
  EXPECT_EQ(common.Text("common"), "True");
  EXPECT_EQ(db.Execute("delete from DX where ICD10=?", {"A00"}), 1);
  EXPECT_EQ(db.Execute("delete from DX"), 1);
  EXPECT_EQ(db.OpenTable("DX").RecordCount(), 0u);

  db.ExecuteScript("CREATE TABLE \"Sheet 1$\" (\"code no\" TEXT, name TEXT)");
  db.Execute("insert into [Sheet 1$] ([code no], name) values ('A00', ?)", {"cholera"});
  RecordSet sheet = db.Query("select [code no] from [Sheet 1$] where name='cholera'");
  EXPECT_EQ(sheet.Text("code no"), "A00");
  // A set over a bracketed table writes back.
  sheet.Edit();
  sheet.SetText("code no", "A01");
  sheet.Post();
  EXPECT_EQ(db.Query("select * from [Sheet 1$]").Text("code no"), "A01");
  EXPECT_THAT(db.TableNames(), ElementsAre("DX", "MX", "MXquick", "MXset", "Sheet 1$"));
  EXPECT_THAT(db.ColumnNames("mxset"), ElementsAre("classID", "setName", "owner"));
}

TEST_F(TableStoreTest, ValuesWithQuotesAreBoundNeverPasted) {
  Database db = Database::Open(file_);
  const std::string tricky = "O'Brien \"x\" ]'; DROP TABLE MX; --";
  db.Execute("insert into MXset (setName, owner) values (?, 'NA')", {tricky});
  db.Execute("insert into MXset (setName, owner) values ('plain', 'NA')");
  RecordSet found = db.Query("select ClassID from MXset where setName =?", {tricky});
  ASSERT_EQ(found.RecordCount(), 1u);
  EXPECT_EQ(found.Integer("classID"), 1);
  EXPECT_EQ(db.Query("select * from MXset where setName ='PLAIN'").Integer("classID"), 2);
  EXPECT_EQ(db.Query("select * from MXset where setName=?", {tricky}).Text("setName"), tricky);
  EXPECT_EQ(db.TableNames().size(), 4u);
}

TEST_F(TableStoreTest, RowOperationsKeepStoredOrderAndWriteThrough) {
  Database db = Database::Open(file_);
  {
    RecordSet quick = db.OpenTable("MXquick");
    for (auto [name, set] : {std::pair{"flu", 1}, {"flu", 2}, {"cold", 1}, {"FLU", 1}}) {
      quick.Append();
      quick.SetText("DXname", name);
      quick.SetInteger("SubSetNo", set);
      quick.Post();
    }
    EXPECT_EQ(quick.RecordCount(), 4u);
    // Delete the second row; the cursor moves to the row after it.
    quick.First();
    quick.Next();
    quick.Delete();
    EXPECT_EQ(quick.Text("DXname"), "cold");
    quick.Edit();
    quick.SetText("DXname", "cough");
    quick.Post();
    quick.Append();
    quick.SetText("DXname", "fever");
    quick.SetText("SubSetNo", "3");
    quick.Post();
    EXPECT_EQ(quick.Integer("SubSetNo"), 3);
    EXPECT_THAT(Column(quick, "DXname"), ElementsAre("flu", "cough", "FLU", "fever"));
  }
  RecordSet reopened = db.OpenTable("MXquick");
  EXPECT_THAT(Column(reopened, "DXname"), ElementsAre("flu", "cough", "FLU", "fever"));
  EXPECT_THAT(Column(reopened, "SubSetNo"), ElementsAre("1", "1", "1", "3"));

  // Locate: text without regard to case, numbers by value whatever the caller passes.
  ASSERT_TRUE(reopened.Locate({"DXNAME", "subsetno"}, {"Fever", "3"}));
  EXPECT_EQ(reopened.Text("DXname"), "fever");
  ASSERT_TRUE(reopened.Locate({"DXname"}, {"flu"}));
  EXPECT_EQ(reopened.Text("DXname"), "flu");  // the first of two equal rows
  EXPECT_FALSE(reopened.Locate({"DXname", "SubSetNo"}, {"flu", 2}));
  EXPECT_EQ(reopened.Text("DXname"), "flu");  // a failed Locate leaves the cursor
  // The index follows edits made after it was built.
  reopened.Edit();
  reopened.SetText("DXname", "sneeze");
  reopened.Post();
  ASSERT_TRUE(reopened.Locate({"DXname"}, {"flu"}));
  EXPECT_EQ(reopened.Integer("SubSetNo"), 1);
  EXPECT_EQ(reopened.Text("DXname"), "FLU");
  ASSERT_TRUE(reopened.Locate({"DXname"}, {"SNEEZE"}));
  reopened.Delete();
  EXPECT_FALSE(reopened.Locate({"DXname"}, {"sneeze"}));
}

TEST_F(TableStoreTest, AppendReadsGeneratedKeysBackAndMovingPostsPendingRows) {
  Database db = Database::Open(file_);
  RecordSet sets = db.Query("select * from MXset where setName=?", {"none"});
  EXPECT_EQ(sets.RecordCount(), 0u);
  EXPECT_TRUE(sets.Eof());
  sets.Append();
  sets.SetText("setName", "sore throat_1");
  sets.SetText("owner", "NA");
  sets.Post();
  EXPECT_EQ(sets.Integer("classID"), 1);
  sets.Append();
  sets.SetText("setName", "sore throat_2");
  sets.First();  // moving posts the appended row
  EXPECT_EQ(db.Query("select * from MXset").RecordCount(), 2u);
  sets.Next();
  EXPECT_EQ(sets.Integer("classID"), 2);
  EXPECT_TRUE(sets.IsNull("owner"));
  EXPECT_EQ(sets.Text("owner"), "");

  RecordSet read_only = db.Query("select distinct owner from MXset");
  EXPECT_THROW(read_only.Edit(), Error);
  EXPECT_THROW(read_only.Append(), Error);
  EXPECT_THROW(sets.SetText("owner", "x"), Error);  // without Edit
}

TEST_F(TableStoreTest, TransactionsWriteAllOrNothing) {
  Database db = Database::Open(file_);
  try {
    Transaction transaction(db);
    RecordSet mx = db.OpenTable("MX");
    mx.Append();
    mx.SetText("INSUcode", "A1");
    mx.Post();
    db.Execute("update MX set unit=8");
    db.Execute("insert into no_such_table values (1)");  // fails half way
    transaction.Commit();
    FAIL() << "the bad statement must throw";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("no such table: no_such_table"));
  }
  EXPECT_EQ(db.OpenTable("MX").RecordCount(), 0u);
  {
    Transaction transaction(db);
    db.Execute("insert into MX (INSUcode) values (?)", {"B1"});
    {
      Transaction inner(db);
      db.Execute("insert into MX (INSUcode) values (?)", {"B2"});
    }  // the inner part rolls back alone
    transaction.Commit();
  }
  RecordSet mx = Database::Open(file_).OpenTable("MX");
  EXPECT_THAT(Column(mx, "INSUcode"), ElementsAre("B1"));
}

TEST_F(TableStoreTest, ErrorsNameTheFileTheStatementAndTheColumn) {
  {
    testing::WriteFileBytes(dir_ / "garbage.mdb", std::string(4096, 'x'));
    try {
      Database::Open(dir_ / "garbage.mdb");
      FAIL() << "a file that is not a database must not open";
    } catch (const Error& error) {
      EXPECT_THAT(error.what(), HasSubstr((dir_ / "garbage.mdb").string()));
      EXPECT_THAT(error.what(), HasSubstr("not a database"));
    }
  }
  try {
    Database::Open(dir_ / "missing.mdb");
    FAIL() << "a missing file must not open";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr((dir_ / "missing.mdb").string()));
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing.mdb"));
  EXPECT_THROW(Database::Create(file_), Error);

  Database db = Database::Open(file_);
  try {
    db.Query("select * from MX where nosuch=?", {"secret value"});
    FAIL();
  } catch (const Error& error) {
    std::string message = error.what();
    EXPECT_THAT(message, HasSubstr(file_.string()));
    EXPECT_THAT(message, HasSubstr("no such column: nosuch"));
    EXPECT_THAT(message, HasSubstr("select * from MX where nosuch=?"));
    EXPECT_THAT(message, Not(HasSubstr("secret value")));
  }
  db.Execute("insert into MX (INSUcode, unit) values ('A1', 'abc')");
  RecordSet mx = db.OpenTable("MX");
  try {
    mx.Text("Ename");
    FAIL();
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("table MX: no column Ename"));
  }
  try {
    mx.Integer("unit");
    FAIL();
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("table MX, column unit, row 1: \"abc\" is not a number"));
  }
  EXPECT_THROW(db.Execute("update MX set unit=? where INSUcode=?", {1}), Error);
}

TEST_F(TableStoreTest, TextOutsideBig5IsNeverSilentlyChanged) {
  Database db = Database::Open(file_);
  RecordSet dx = db.OpenTable("DX");
  dx.Append();
  dx.SetTextUtf8("Cname", "abc糖\xF0\x9F\x98\x80");  // 😀 has no Big5 form
  dx.Post();
  try {
    dx.Text("Cname");
    FAIL() << "a character outside Big5 must be reported";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("table DX, column Cname, row 1"));
  }
  bool substituted = false;
  EXPECT_EQ(dx.TextBig5Substituted("Cname", &substituted), "abc" + Big5("糖") + "\xA1\x48");
  EXPECT_TRUE(substituted);
  EXPECT_EQ(dx.TextUtf8("Cname"), "abc糖\xF0\x9F\x98\x80");
  dx.Edit();
  dx.SetText("Cname", Big5("糖"));
  dx.Post();
  EXPECT_EQ(dx.TextBig5Substituted("Cname", &substituted), Big5("糖"));
  EXPECT_FALSE(substituted);
  // A compatibility ideograph (U+F9EA) is read as its unified form 離, which Big5 holds.
  dx.Edit();
  dx.SetTextUtf8("Cname", "剝\uF9EA");
  dx.Post();
  EXPECT_EQ(dx.TextBig5Substituted("Cname", &substituted), Big5("剝離"));
  EXPECT_FALSE(substituted);
  // A caller's text that is not Big5 is refused, not stored as garbage.
  dx.Edit();
  EXPECT_THROW(dx.SetText("Cname", "\xA4"), Error);
  EXPECT_THROW(db.Query("select * from DX where Cname=?", {"x\xA4"}), Error);
}

// A reference database is read without a byte of it changing; writing through it is refused.
TEST_F(TableStoreTest, AReadOnlyDatabaseIsNeverWritten) {
  {
    Database db = Database::Open(file_);
    AddDiagnosis(db, "J00", "鼻咽炎");
  }
  const std::string before = testing::ReadFileBytes(file_);
  {
    Database db = Database::OpenReadOnly(file_);
    RecordSet rows = db.Query("select Cname from DX where ICD10 = ?", {"j00"});
    EXPECT_THAT(Column(rows, "Cname"), ElementsAre("鼻咽炎"));
    EXPECT_THROW(AddDiagnosis(db, "R05", "咳嗽"), Error);
  }
  EXPECT_EQ(testing::ReadFileBytes(file_), before);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "OPD.mdb-wal"));
}

// The log of a database that was open when its process died belongs to that file only: a file
// put under the same name later must not get its rows.
TEST_F(TableStoreTest, ADeletedDatabaseTakesItsLeftOverJournalsWithIt) {
  const std::filesystem::path template_file = dir_ / "OPDbak.mdb";
  std::filesystem::copy_file(file_, template_file);
  {
    Database db = Database::Open(file_);
    Transaction transaction(db);
    AddDiagnosis(db, "J00", "鼻咽炎");
    transaction.Commit();
    // What a killed process leaves: the file and its log as they are while it is open.
    std::filesystem::copy_file(file_, dir_ / "killed.mdb");
    std::filesystem::copy_file(dir_ / "OPD.mdb-wal", dir_ / "killed.mdb-wal");
  }
  const std::filesystem::path killed = dir_ / "killed.mdb";
  testing::WriteFileBytes(dir_ / "killed.mdb-journal", "stale");
  ASSERT_TRUE(DeleteDatabaseFile(killed));
  for (const char* name :
       {"killed.mdb", "killed.mdb-wal", "killed.mdb-shm", "killed.mdb-journal"}) {
    EXPECT_FALSE(std::filesystem::exists(dir_ / name)) << name;
  }
  std::filesystem::copy_file(template_file, killed);
  Database fresh = Database::Open(killed);
  RecordSet rows = fresh.Query("select ICD10 from DX");
  EXPECT_THAT(Column(rows, "ICD10"), ElementsAre());
  EXPECT_TRUE(DeleteDatabaseFile(dir_ / "never.mdb"));
}

TEST(MemoryTable, KeepsAppendOrderAndRefusesDuplicateKeys) {
  MemoryTable staff(
      "staff",
      {{"ID", ColumnKind::kText}, {"NAME", ColumnKind::kText}, {"Birthday", ColumnKind::kDateTime}},
      "ID");
  for (auto [id, name] : {std::pair{"B200000000", "Lin"}, {"A100000000", "Chen"}}) {
    staff.Append();
    staff.SetText("ID", id);
    staff.SetText("NAME", name);
    staff.SetNumber("Birthday", 45000.5);
    staff.Post();
  }
  staff.Append();
  staff.SetText("ID", "a100000000");
  staff.SetText("NAME", "Wang");
  try {
    staff.Post();
    FAIL() << "a second row with the same key must be refused";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("memory table staff: table staff: duplicate key "
                                        "ID = a100000000"));
  }
  staff.Cancel();
  EXPECT_EQ(staff.RecordCount(), 2u);
  staff.First();
  EXPECT_EQ(staff.Text("ID"), "B200000000");
  staff.Next();
  EXPECT_EQ(staff.Text("name"), "Chen");
  EXPECT_DOUBLE_EQ(staff.Number("Birthday"), 45000.5);
  ASSERT_TRUE(staff.Locate({"ID"}, {"b200000000"}));
  staff.Edit();
  staff.SetText("ID", "A100000000");
  EXPECT_THROW(staff.Post(), Error);
  staff.Cancel();
  EXPECT_EQ(staff.Text("ID"), "B200000000");

  EXPECT_THROW(MemoryTable("t", {{"ID", ColumnKind::kText}}, "KEY"), Error);
  EXPECT_THROW(MemoryTable("t", {{"ID", ColumnKind::kText}, {"id", ColumnKind::kText}}, "ID"),
               Error);
}

}  // namespace
}  // namespace zuvo
