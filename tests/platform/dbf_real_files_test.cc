// Tables written by dBase, FoxPro, Visual FoxPro, Excel and other projects' writers, read in
// place from shared/real-files and shared/external. The expected values were decoded from the
// files' bytes by hand (and agree with the corpus READMEs where those give them).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/big5.h"
#include "platform/code_page_text.h"
#include "platform/dbf_table.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ExternalDir;
using testing::RealFilesDir;

fs::path Real(const std::string& relative) { return RealFilesDir() / "dbf" / relative; }

std::string Shown(const DbfTable& table, std::string_view field) {
  return DbfValueText(table.Value(field));
}

// Every live record's value of `field`, as text.
std::vector<std::string> Column(DbfTable& table, std::string_view field) {
  std::vector<std::string> values;
  for (table.First(); !table.Eof(); table.Next()) values.push_back(Shown(table, field));
  return values;
}

TEST(DbfRealFiles, VisualFoxProTableWithEveryFieldType) {
  ZUVO_REQUIRE_REAL_FILES();
  DbfTable table(Real("php-xbase/vfp.dbf"));
  EXPECT_EQ(table.Version(), 0x32);
  EXPECT_EQ(Column(table, "CURRENCY"), (std::vector<std::string>{"1.2000", "1.2300", "15.1600"}));
  EXPECT_EQ(Column(table, "DATETIME"),
            (std::vector<std::string>{"1800-01-01T01:01:01", "1970-01-01T00:00:00",
                                      "2020-02-20T20:20:20"}));
  EXPECT_EQ(Column(table, "DOUBLE"), (std::vector<std::string>{"2.3", "4.56", "987.654"}));
  EXPECT_EQ(Column(table, "INTEGER"), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(Column(table, "AI"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(Column(table, "VARCHAR"), (std::vector<std::string>{"qwe", "asd", "zxc"}));
  EXPECT_EQ(Column(table, "VARBINARY"), (std::vector<std::string>{"ABCDEF", "1234", "FACE8D"}));
  EXPECT_EQ(Column(table, "VARCHAR_BI"), (std::vector<std::string>{"qwe", "asd", ""}));
  EXPECT_EQ(Column(table, "BIRTHDAY"),
            (std::vector<std::string>{"1960-11-01", "1976-06-01", "1976-01-01"}));
  table.First();
  EXPECT_TRUE(table.Memo("BIO").starts_with("Groot (/"));
  // The G field's block numbers 1, 2 and 3 point into the memo file's 512-byte header.
  try {
    table.Value("GENERAL");
    FAIL() << "a block inside the memo file's header must be reported";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "memo block 1 of " + Real("php-xbase/vfp.fpt").string() +
                                             " lies inside the file header");
  }
}

TEST(DbfRealFiles, VisualFoxProNullFlagsIntegersCurrencyAndDateTimes) {
  ZUVO_REQUIRE_REAL_FILES();
  DbfTable payments(Real("javadbf-xsource/payments.dbf"));
  EXPECT_EQ(Column(payments, "PAYMENTID"), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(
      Column(payments, "PAYMENTAMO"),
      (std::vector<std::string>{"1000.0000", "497.0000", "500.0000", "2000.0000", "1000.0000"}));
  payments.First();
  EXPECT_EQ(payments.Currency("PAYMENTAMO"), 10'000'000);
  EXPECT_EQ(payments.Integer("PROJECTID"), 2);
  EXPECT_EQ(Shown(payments, "PAYMENTDAT"), "1995-01-03T00:00:00");
  EXPECT_TRUE(std::holds_alternative<DbfNull>(payments.Value("CREDITCARD")));
  EXPECT_TRUE(std::holds_alternative<DbfNull>(payments.Value("CREDITCAR2")));
  EXPECT_EQ(payments.Integer("PAYMENTMET"), 1);

  DbfTable nulls(Real("javadbf/bug93_null_field/testfile.dbf"));
  std::vector<bool> flag_is_null;
  for (nulls.First(); !nulls.Eof(); nulls.Next()) {
    flag_is_null.push_back(std::holds_alternative<DbfNull>(nulls.Value("D_FLAG")));
  }
  EXPECT_EQ(flag_is_null, (std::vector<bool>{true, true, true, true, true, false, false, true, true,
                                             true, true, true, true}));
  nulls.First();
  EXPECT_EQ(Shown(nulls, "D_START"), "2020-03-27T09:30:09.999");
  ASSERT_TRUE(nulls.Go(6));
  EXPECT_EQ(Shown(nulls, "D_FLAG"), "10 ");
  EXPECT_EQ(Shown(nulls, "D_START"), "2021-03-09T13:58:46");

  DbfTable go(Real("go-foxpro-dbf/TEST.DBF"));
  EXPECT_EQ(Column(go, "ID"), (std::vector<std::string>{"1", "3", "4"}));
  EXPECT_EQ(Column(go, "BOOL"), (std::vector<std::string>{"F", "F", "T"}));
  EXPECT_EQ(Column(go, "DATUM"), (std::vector<std::string>{"2015-01-03", "2015-02-03", ""}));

  DbfTable infused(ExternalDir() / "dbf/infused-dbf/dbase_30.dbf");
  EXPECT_EQ(Shown(infused, "UPDATED"), "2006-04-20T17:13:04.999");
  EXPECT_TRUE(std::holds_alternative<DbfBlank>(infused.Value("FLAGDATE")));
}

TEST(DbfRealFiles, WideCharacterFieldOnlyWhereTheRecordLengthSaysSo) {
  ZUVO_REQUIRE_REAL_FILES();
  DbfTable foxpro(Real("php-xbase/pr90.dbf"));
  EXPECT_EQ(foxpro.Fields()[3].name, "NOTE");
  EXPECT_EQ(foxpro.Fields()[3].width, 300);
  EXPECT_EQ(Column(foxpro, "DUE"),
            (std::vector<std::string>{"2007-05-15", "2007-05-19", "2020-09-11", "2020-09-11",
                                      "2020-09-11"}));
  foxpro.First();
  EXPECT_EQ(foxpro.Memo("NOTEMEMO"), "He will call us on the 18th to settle - 123 xp");
  EXPECT_EQ(big5::Trim(foxpro.Text("NOTE")), "He will call us on the 18th to settle - 123 xp");
  foxpro.Next();
  EXPECT_TRUE(foxpro.Text("NOTE").starts_with("0000000000111111111122222222223333333333"));
  EXPECT_EQ(foxpro.Integer("N2"), 108552);

  // Excel wrote 2 into the decimal byte of a C(8) field: the record length keeps it 8 wide.
  DbfTable excel(Real("javadbf/bug_64_excel_dbf/wrong-exented-character-field.dbf"));
  const DbfField& height = excel.Fields()[9];
  EXPECT_EQ(height.name, "FLUGHOEHE");
  EXPECT_EQ(height.width, 8);
  EXPECT_EQ(height.offset, 113u);
  EXPECT_EQ(big5::Trim(excel.Text("ID")), "GeoFlg0061");
  EXPECT_EQ(excel.Logical("HOVER"), false);
}

TEST(DbfRealFiles, Dbase7TableWithFortyEightByteDescriptors) {
  ZUVO_REQUIRE_REAL_FILES();
  DbfTable table(Real("php-xbase/dBaseVII.dbf"));
  EXPECT_EQ(table.DeclaredCodePage(), 866);  // language driver DB866RU0
  EXPECT_EQ(Column(table, "AUTO_INC"), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(Column(table, "INTEGER"), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(Column(table, "DATETIME"),
            (std::vector<std::string>{"1800-01-01T01:01:01", "1970-01-01T00:00:00",
                                      "2020-02-20T20:20:20"}));
  EXPECT_EQ(Column(table, "BLOB"), (std::vector<std::string>{"717765", "617364", "7A7863"}));
  EXPECT_EQ(Column(table, "MONEY"), (std::vector<std::string>{"12.1235", "325.3200", "0.0000"}));
  table.First();
  EXPECT_TRUE(table.Memo("BIO").starts_with("Groot (/"));
}

TEST(DbfRealFiles, TextDecodesByTheDeclaredCodePage) {
  ZUVO_REQUIRE_REAL_FILES();
  auto decoded = [](const DbfTable& table, std::string_view field) {
    return CodePageDecoder(table.DeclaredCodePage()).ToUtf8Escaped(big5::Trim(table.Text(field)));
  };
  fs::path taichung;
  for (const auto& entry : fs::directory_iterator(Real("sdi-converter"))) {
    if (entry.path().extension() == ".dbf") taichung = entry.path();
  }
  DbfTable utf8(taichung);
  EXPECT_EQ(utf8.DeclaredCodePage(), 65001);  // from the .cpg
  EXPECT_EQ(decoded(utf8, "COUNTYNAME"), "臺中市");
  EXPECT_EQ(decoded(utf8, "TOWNNAME"), "西屯區");

  DbfTable czech(Real("shapefile-js/codepage.dbf"));
  EXPECT_EQ(czech.DeclaredCodePage(), 1250);  // ANSI 1250
  czech.Next();
  EXPECT_EQ(decoded(czech, "field"), "Hněvošický háj");

  DbfTable gbk(Real("dbase-rs/cp936.dbf"));
  EXPECT_EQ(gbk.DeclaredCodePage(), 936);  // language driver 0x4D
  EXPECT_EQ(decoded(gbk, "TEST"), "测试中文");
  DbfTable gbk_names(Real("javadbf/gbk.dbf"));
  EXPECT_EQ(CodePageDecoder(936).ToUtf8Escaped(gbk_names.Fields()[0].name), "设计编号");

  DbfTable html(Real("shapefile-js/htmlcpg.dbf"));
  EXPECT_EQ(html.DeclaredCodePage(), 0);
  ASSERT_EQ(html.Warnings().size(), 1u);
}

TEST(DbfRealFiles, RecordsInFileAgainstTheHeaderCount) {
  ZUVO_REQUIRE_REAL_FILES();
  DbfTable stray(Real("pyshp/corrupt_too_long.dbf"));  // 5 stray bytes after the last record
  EXPECT_EQ(stray.RecordsInFile(), 10);
  EXPECT_EQ(stray.HeaderRecordCount(), 10);
  EXPECT_FALSE(stray.IsShort());
  DbfTable overstated(ExternalDir() / "dbf/infused-dbf/dbase_8b_incorrect_record_count.dbf");
  EXPECT_EQ(overstated.HeaderRecordCount(), 15);
  EXPECT_EQ(overstated.RecordsInFile(), 10);
  EXPECT_TRUE(overstated.IsShort());
  DbfTable schema_only(Real("dbase-rs/KUNDEN-schema-only.DBF"));
  EXPECT_EQ(schema_only.RecordsInFile(), 0);
  EXPECT_EQ(schema_only.Fields().size(), 49u);
}

}  // namespace
}  // namespace zuvo
