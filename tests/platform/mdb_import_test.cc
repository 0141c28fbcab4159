#include "platform/mdb_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/table_store.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::filesystem::path Jackcess(std::string_view name) {
  return testing::ExternalDir() / "mdb" / "jackcess" / name;
}

TEST(MdbImport, CopiesJetFourCompressedUnicodeExactly) {
  ZUVO_REQUIRE_EXTERNAL();
  testing::TempDir dir;
  auto tables = ImportMdb(Jackcess("testUnicodeCompV2003.mdb"), dir / "unicode.mdb", false);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].name_utf8, "Table");
  EXPECT_EQ(tables[0].rows, 8);

  std::string every_latin1;
  for (char32_t c = 1; c <= 0xFF; ++c) {
    if (c < 0x80) {
      every_latin1 += static_cast<char>(c);
    } else {
      every_latin1 += static_cast<char>(0xC0 | (c >> 6));
      every_latin1 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  const std::vector<std::string> expected = {"only ascii chars", "ääkkösiä", "Мир",
                                             // ό and ύ with oxia (U+1F79, U+1F7B), as stored;
                                             // NFC would turn them into the tonos forms.
                                             "ϰαὶ τ\u1F79τ' ἐγὼ Κ\u1F7Bϰλωπα", "漢字仮名交じり文",
                                             "3L9\x1D"
                                             "52\x02_AB(¥\x05!!V",
                                             "ümlaut", every_latin1};
  Database db = Database::Open(dir / "unicode.mdb");
  RecordSet rows = db.Query("select * from [Table] order by ID");
  ASSERT_EQ(rows.RecordCount(), 8u);
  for (size_t i = 0; i < expected.size(); ++i, rows.Next()) {
    EXPECT_EQ(rows.Integer("ID"), static_cast<int64_t>(i + 1));
    EXPECT_EQ(rows.TextUtf8("Unicode"), expected[i]) << "ID " << i + 1;
  }
  EXPECT_EQ(db.Query("select * from [Table] where Unicode like '%\n%\r%'").Integer("ID"), 8);
  // ID is an autonumber in the Access file: appended rows go on numbering.
  RecordSet table = db.OpenTable("Table");
  table.Append();
  table.SetText("Unicode", "new");
  table.Post();
  EXPECT_EQ(table.Integer("ID"), 9);
}

TEST(MdbImport, CopiesNumbersDatesAndFixedTextAndSkipsDeletedRows) {
  ZUVO_REQUIRE_EXTERNAL();
  testing::TempDir dir;
  auto tables = ImportMdb(Jackcess("fixedTextTestV2000.mdb"), dir / "users.mdb", false);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].name_utf8, "users");
  EXPECT_EQ(tables[0].rows, 2);
  Database db = Database::Open(dir / "users.mdb");
  EXPECT_THAT(
      db.ColumnNames("users"),
      ElementsAre("i_user_id", "c_user_login", "c_user_pwd", "c_user_session", "c_user_name",
                  "i_user_flags", "i_user_type", "i_user_merch", "c_flag_", "d_stamp_"));
  // The primary key and the other indexes come along.
  EXPECT_EQ(
      db.Query("select * from sqlite_master where type='index' and tbl_name='users'").RecordCount(),
      6u);
  EXPECT_EQ(
      db.Query("select sql from sqlite_master where name=?", {"users.Users2CID_0"}).Text("sql"),
      "CREATE UNIQUE INDEX \"users.Users2CID_0\" ON \"users\" (\"i_user_id\")");
  EXPECT_THROW(db.Execute("insert into users (i_user_id) values (2)"), Error);
  RecordSet users = db.OpenTable("users");
  ASSERT_EQ(users.RecordCount(), 2u);
  EXPECT_EQ(users.Integer("i_user_id"), 1);
  EXPECT_EQ(users.Text("c_user_login"), "CORE USER");
  EXPECT_EQ(users.Text("c_user_pwd"), " ");
  EXPECT_EQ(users.Text("c_user_session"), "-1");
  EXPECT_EQ(users.Text("c_user_name"), "Core User");
  EXPECT_EQ(users.Integer("i_user_type"), 16408);
  EXPECT_EQ(users.Integer("i_user_merch"), -1);
  EXPECT_EQ(users.Text("c_flag_"), "N");
  // 2009-11-05 23:41:28 as Jet counts it: days since 1899-12-30 and the time as a fraction.
  EXPECT_NEAR(users.Number("d_stamp_"), 40122 + (23 * 3600 + 41 * 60 + 28) / 86400.0, 1e-9);
  users.Next();
  EXPECT_EQ(users.Text("c_user_login"), "admin");
  EXPECT_EQ(users.Text("c_user_pwd"), "X03MO1qnZdYdgyfeuILPmQ==");
  EXPECT_EQ(users.Integer("i_user_type"), 81928);
  EXPECT_EQ(users.Integer("i_user_merch"), 120);
  EXPECT_NEAR(users.Number("d_stamp_"), 40108 + (3 * 3600 + 57 * 60 + 13) / 86400.0, 1e-9);

  tables = ImportMdb(Jackcess("delTestV2000.mdb"), dir / "del.mdb", false);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows, 2);
  RecordSet live = Database::Open(dir / "del.mdb").OpenTable("Table");
  ASSERT_EQ(live.RecordCount(), 2u);
  EXPECT_EQ(live.Text("a") + live.Text("b"), "zy");
  live.Next();
  EXPECT_EQ(live.Text("a") + live.Text("b"), "vu");
}

TEST(MdbImport, NeverOverwritesWithoutBeingAskedAndLeavesNothingOnFailure) {
  ZUVO_REQUIRE_EXTERNAL();
  testing::TempDir dir;
  testing::WriteFileBytes(dir / "OPD.mdb", "keep me");
  try {
    ImportMdb(Jackcess("delTestV2000.mdb"), dir / "OPD.mdb", false);
    FAIL() << "an existing target must not be overwritten";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("already exists"));
  }
  EXPECT_EQ(testing::ReadFileBytes(dir / "OPD.mdb"), "keep me");
  ImportMdb(Jackcess("delTestV2000.mdb"), dir / "OPD.mdb", true);
  EXPECT_EQ(Database::Open(dir / "OPD.mdb").OpenTable("Table").RecordCount(), 2u);

  testing::WriteFileBytes(dir / "garbage.mdb", std::string(8192, '\x07'));
  EXPECT_THROW(ImportMdb(dir / "garbage.mdb", dir / "out.mdb", false), Error);
  EXPECT_THROW(ImportMdb(dir / "missing.mdb", dir / "out.mdb", false), Error);
  EXPECT_FALSE(std::filesystem::exists(dir / "out.mdb"));
  EXPECT_FALSE(std::filesystem::exists(dir / "out.mdb.importing"));
  EXPECT_THROW(ImportMdb(dir / "OPD.mdb", dir / "OPD.mdb", true), Error);
  EXPECT_TRUE(std::filesystem::exists(dir / "OPD.mdb"));
}

TEST(MdbImport, IndexesKeepTheirColumnsAndUniqueness) {
  EXPECT_EQ(MdbIndexStatements(
                "DX", {{"PrimaryKey", true, {"ICD10"}}, {"by name", false, {"Sname", "Cname"}}}),
            "CREATE UNIQUE INDEX \"DX.PrimaryKey\" ON \"DX\" (\"ICD10\");\n"
            "CREATE INDEX \"DX.by name\" ON \"DX\" (\"Sname\", \"Cname\");\n");
  EXPECT_EQ(MdbIndexStatements("DX", {}), "");
}

TEST(MdbImport, SchemaKeepsKindsAndNumbersAutonumberRows) {
  std::string statement =
      MdbCreateTableStatement("MXset", {{"classID", ColumnKind::kInteger, true},
                                        {"set \"name\"", ColumnKind::kText, false},
                                        {"price", ColumnKind::kCurrency, false},
                                        {"common", ColumnKind::kBoolean, false},
                                        {"recTime", ColumnKind::kDateTime, false}});
  EXPECT_EQ(statement,
            "CREATE TABLE \"MXset\" (\"classID\" INTEGER PRIMARY KEY AUTOINCREMENT, "
            "\"set \"\"name\"\"\" TEXT COLLATE NOCASE, \"price\" CURRENCY, \"common\" BOOLEAN, "
            "\"recTime\" DATETIME)");
  testing::TempDir dir;
  Database db = Database::Create(dir / "PERSONAL.mdb");
  db.ExecuteScript(statement);
  db.Execute("insert into MXset (classID, [set \"name\"]) values (7, 'old')");
  RecordSet sets = db.OpenTable("MXset");
  sets.Append();
  sets.SetText("set \"name\"", "NEW");
  sets.SetText("price", "1.5");
  sets.Post();
  EXPECT_EQ(sets.Integer("classID"), 8);
  EXPECT_EQ(sets.Currency("price"), 15000);
  EXPECT_EQ(db.Query("select * from MXset where [set \"name\"]='new'").Integer("classID"), 8);
}

}  // namespace
}  // namespace zuvo
