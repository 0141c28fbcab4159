#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "catalogue/reference_databases.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/table_store.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Builds every delivered database once for the whole suite.
class DeliveredDatabasesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testing::TempDir();
    for (const DeliveredDatabase& database : DeliveredDatabases()) {
      BuildDeliveredDatabase(database, *folder_ / database.file_name);
    }
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static Database Open(std::string_view name) { return Database::Open(*folder_ / name); }
  static int64_t Count(Database& database, std::string_view statement) {
    RecordSet rows = database.Query(statement);
    return rows.Integer("n");
  }

  static testing::TempDir* folder_;
};
testing::TempDir* DeliveredDatabasesTest::folder_ = nullptr;

struct ColumnKindCase {
  const char* column;
  const char* declared;
};

// The columns the conversion steps read and write, with the kind each must have.
const std::map<std::string, std::map<std::string, std::vector<ColumnKindCase>>> kRequired = {
    {"OPDbak.mdb",
     {{"MX",
       {{"class", "TEXT"},
        {"class2", "TEXT"},
        {"Sname", "TEXT"},
        {"Cname", "TEXT"},
        {"Aname", "TEXT"},
        {"Tname", "TEXT"},
        {"cost", "CURRENCY"},
        {"selfprice", "CURRENCY"},
        {"INSUprice", "CURRENCY"},
        {"INSUcode", "TEXT"},
        {"common", "INTEGER"},
        {"unit", "INTEGER"},
        {"perunit", "INTEGER"},
        {"Ocode", "TEXT"},
        {"status", "INTEGER"},
        {"Scode", "TEXT"},
        {"indication", "TEXT"},
        {"warning", "TEXT"},
        {"document", "TEXT"},
        {"content", "TEXT"},
        {"IsComPlex", "BOOLEAN"},
        {"OralTablet", "TEXT"},
        {"StartDate", "TEXT"},
        {"EndDate", "TEXT"},
        {"DXtype", "TEXT"},
        {"ATCcode", "TEXT"},
        {"INSUmark", "TEXT"},
        {"UseMethod", "TEXT"},
        {"RateIndex", "INTEGER"},
        {"ChangetoMXname", "TEXT"},
        {"ChangetoMXcode", "TEXT"},
        {"p2", "TEXT"},
        {"p24", "TEXT"}}},
      {"DX",
       {{"bList", "BOOLEAN"},
        {"ICD10", "TEXT"},
        {"refText", "TEXT"},
        {"common", "BOOLEAN"},
        {"status", "INTEGER"},
        {"Scode", "TEXT"},
        {"Sname", "TEXT"},
        {"Ename", "TEXT"},
        {"Cname", "TEXT"},
        {"keyword1", "TEXT"},
        {"keyword2", "TEXT"},
        {"keyword3", "TEXT"},
        {"keyword4", "TEXT"},
        {"department", "TEXT"},
        {"SORTNUM", "INTEGER"},
        {"SORTSCORE", "INTEGER"},
        {"SORTPOWER", "INTEGER"}}},
      {"PCS", {{"INSUcode", "TEXT"}, {"ICD10", "TEXT"}, {"ENAME", "TEXT"}, {"CNAME", "TEXT"}}}}},
    {"PERSONALbak.mdb",
     {{"MXset",
       {{"classID", "INTEGER"}, {"setName", "TEXT"}, {"owner", "TEXT"}, {"classMode", "TEXT"}}},
      {"MXquick", {{"classID", "INTEGER"},  {"INSUcode", "TEXT"},    {"Scode", "TEXT"},
                   {"Ocode", "TEXT"},       {"Sname", "TEXT"},       {"defDose", "INTEGER"},
                   {"defUnit", "TEXT"},     {"dose", "INTEGER"},     {"Unit", "TEXT"},
                   {"rate", "TEXT"},        {"RateIndex", "REAL"},   {"route", "TEXT"},
                   {"days", "INTEGER"},     {"total", "CURRENCY"},   {"totalUnit", "TEXT"},
                   {"addition", "INTEGER"}, {"cost", "CURRENCY"},    {"price", "CURRENCY"},
                   {"pertimeN", "INTEGER"}, {"pertimeU", "TEXT"},    {"mode", "INTEGER"},
                   {"date", "DATETIME"},    {"dateMode", "INTEGER"}, {"status", "INTEGER"},
                   {"note", "TEXT"}}},
      {"DXtoMX",
       {{"DXname", "TEXT"},
        {"owner", "TEXT"},
        {"checkStatus", "INTEGER"},
        {"name1", "TEXT"},
        {"classID1", "INTEGER"},
        {"setname1", "TEXT"},
        {"name8", "TEXT"},
        {"classID8", "INTEGER"},
        {"setname8", "TEXT"}}}}},
    {"ANTCHECK_BLANK.MDB",
     {{"CClink", {{"Chartno", "INTEGER"}, {"lastFileLoc", "INTEGER"}}},
      {"MXlink", {{"Chartno", "INTEGER"}, {"lastFileLoc", "INTEGER"}}},
      {"MXquick", {{"classID", "INTEGER"}, {"INSUcode", "TEXT"},  {"sCode", "TEXT"},
                   {"oCode", "TEXT"},      {"sName", "TEXT"},     {"defDose", "INTEGER"},
                   {"defUnit", "TEXT"},    {"dose", "INTEGER"},   {"Unit", "TEXT"},
                   {"rate", "TEXT"},       {"route", "TEXT"},     {"days", "INTEGER"},
                   {"total", "CURRENCY"},  {"totalunit", "TEXT"}, {"addition", "INTEGER"},
                   {"cost", "REAL"},       {"price", "REAL"},     {"pertimeN", "INTEGER"},
                   {"perTimeU", "TEXT"},   {"mode", "INTEGER"},   {"status", "INTEGER"},
                   {"note", "TEXT"},       {"rateIndex", "REAL"}, {"DXname", "TEXT"},
                   {"SubSetNo", "INTEGER"}}}}},
    {"MX.MDB",
     {{"medicine",
       {{"INSUcode", "TEXT"},
        {"Ename", "TEXT"},
        {"Cname", "TEXT"},
        {"price", "TEXT"},
        {"content", "TEXT"},
        {"complex", "TEXT"},
        {"oral", "TEXT"},
        {"StartDate", "TEXT"},
        {"EndDate", "TEXT"},
        {"DXtype", "TEXT"},
        {"ATCcode", "TEXT"}}},
      {"OPD",
       {{"INSUcode", "TEXT"},
        {"Ename", "TEXT"},
        {"CNAME", "TEXT"},
        {"price", "TEXT"},
        {"StartDate", "TEXT"},
        {"EndDate", "TEXT"},
        {"INSUMARK", "TEXT"},
        {"MEMONOTE", "TEXT"}}},
      {"material",
       {{"INSUcode", "TEXT"},
        {"OBJECTNAME", "TEXT"},
        {"price", "TEXT"},
        {"StartDate", "TEXT"},
        {"EndDate", "TEXT"},
        {"INSUMARK", "TEXT"}}},
      {"QuitSmoke",
       {{"INSUcode", "TEXT"},
        {"ENAME", "TEXT"},
        {"Cname", "TEXT"},
        {"price", "TEXT"},
        {"content", "TEXT"}}},
      {"Vaccine",
       {{"INSUcode", "TEXT"},
        {"Sname", "TEXT"},
        {"ENAME", "TEXT"},
        {"DXtype", "TEXT"},
        {"price", "TEXT"},
        {"selfprice", "TEXT"},
        {"MEMONOTE", "TEXT"},
        {"STARTDATE", "TEXT"},
        {"DXSALES", "TEXT"},
        {"SPECIFICATION", "TEXT"},
        {"SPEUNIT", "TEXT"}}}}},
    {"ICD10CM.MDB",
     {{"DX",
       {{"bList", "BOOLEAN"},
        {"ICD10", "TEXT"},
        {"common", "BOOLEAN"},
        {"status", "INTEGER"},
        {"Scode", "TEXT"},
        {"Sname", "TEXT"},
        {"Ename", "TEXT"},
        {"Cname", "TEXT"},
        {"clinicTypes", "TEXT"},
        {"keyword", "TEXT"},
        {"recTime", "DATETIME"},
        {"department", "TEXT"},
        {"SORTNUM", "INTEGER"},
        {"SORTSCORE", "INTEGER"},
        {"SORTPOWER", "INTEGER"}}},
      {"ICD10", {{"ICDcode", "TEXT"}, {"Ename", "TEXT"}, {"Cname", "TEXT"}}},
      {"ICD10PCS", {{"ICD10", "TEXT"}, {"Ename", "TEXT"}, {"Cname", "TEXT"}}},
      {"PCS", {{"ICD10", "TEXT"}, {"ENAME", "TEXT"}, {"CNAME", "TEXT"}, {"INSUcode", "TEXT"}}},
      {"DXlong",
       {{"orderNo", "INTEGER"},
        {"Scode", "TEXT"},
        {"begCode", "TEXT"},
        {"endCOde", "TEXT"},
        {"memoNote", "TEXT"}}}}},
    {"ICD-10-CM (1020314).MDB", {{"CM", {{"ICD9CMCODE", "TEXT"}, {"ICD10CMCODE", "TEXT"}}}}},
};

TEST_F(DeliveredDatabasesTest, HoldEveryTableAndColumnWithItsKind) {
  ASSERT_EQ(DeliveredDatabases().size(), kRequired.size());
  for (const auto& [file, tables] : kRequired) {
    Database database = Open(file);
    for (const auto& [table, columns] : tables) {
      for (const ColumnKindCase& column : columns) {
        SCOPED_TRACE(file + " " + table + "." + column.column);
        RecordSet info = database.Query("select type from pragma_table_info(?) where name = ?",
                                        {Param(table), Param(std::string(column.column))});
        if (info.Eof()) {
          ADD_FAILURE() << "missing column";
          continue;
        }
        EXPECT_EQ(info.Text("type").substr(0, std::string(column.declared).size()),
                  column.declared);
      }
    }
  }
}

TEST_F(DeliveredDatabasesTest, TextColumnsCompareWithoutCase) {
  Database mx = Open("MX.MDB");
  RecordSet row = mx.Query("select * from OPD where INSUcode = ?", {Param("a2001c")});
  ASSERT_FALSE(row.Eof());
  EXPECT_EQ(row.Text("INSUcode"), "A2001C");
}

TEST_F(DeliveredDatabasesTest, TemplatesAreEmptyAndMxsetNumbersItsRows) {
  for (const char* file : {"OPDbak.mdb", "PERSONALbak.mdb", "ANTCHECK_BLANK.MDB"}) {
    Database database = Open(file);
    for (const std::string& table : database.TableNames()) {
      EXPECT_EQ(database.OpenTable(table).RecordCount(), 0u) << file << " " << table;
    }
  }
  // The database assigns classID; a deleted number is never given out again.
  fs::path copy = *folder_ / "PERSONAL.mdb";
  fs::copy_file(*folder_ / "PERSONALbak.mdb", copy);
  Database personal = Database::Open(copy);
  RecordSet sets = personal.OpenTable("MXset");
  for (const char* name : {"first", "second"}) {
    sets.Append();
    sets.SetText("setName", name);
    sets.Post();
  }
  EXPECT_EQ(sets.Integer("classID"), 2);
  sets.Delete();
  sets.Append();
  sets.SetText("setName", "third");
  sets.Post();
  EXPECT_EQ(sets.Integer("classID"), 3);
}

TEST_F(DeliveredDatabasesTest, DiagnosisDatabaseHoldsThePublication) {
  Database icd = Open("ICD10CM.MDB");
  // Counts published with the NHI 2023 edition and the PCS map.
  EXPECT_EQ(Count(icd, "select count(*) as n from ICD10"), 96802);
  EXPECT_EQ(Count(icd, "select count(*) as n from DX"), 73681);
  EXPECT_EQ(Count(icd, "select count(*) as n from PCS"), 128538);
  EXPECT_EQ(Count(icd, "select count(distinct INSUcode) as n from PCS"), 1783);

  // Names are kept exactly, characters outside Big5 included.
  RecordSet g7241 = icd.Query("select * from DX where ICD10 = ?", {Param("G7241")});
  EXPECT_EQ(g7241.TextUtf8("Cname"), "\u5185含体肌病變[IBM]");
  RecordSet e08 = icd.Query("select * from ICD10 where ICDcode = ?", {Param("E083521")});
  EXPECT_THAT(e08.TextUtf8("Cname"), HasSubstr("\uF9EA"));  // a compatibility ideograph
  RecordSet a000 = icd.Query("select * from ICD10 where ICDcode = ?", {Param("A000")});
  EXPECT_EQ(a000.Text("Ename"), "Cholera due to Vibrio cholerae 01, biovar cholerae");

  // Only reportable codes are offered; headers are in ICD10 alone.
  EXPECT_TRUE(icd.Query("select * from DX where ICD10 = ?", {Param("A00")}).Eof());
  EXPECT_FALSE(icd.Query("select * from ICD10 where ICDcode = ?", {Param("A00")}).Eof());

  // The listed common diagnoses.
  RecordSet j069 = icd.Query("select * from DX where ICD10 = ?", {Param("J069")});
  EXPECT_TRUE(j069.Boolean("bList"));
  EXPECT_TRUE(j069.Boolean("common"));
  EXPECT_EQ(big5::ToUtf8(j069.Text("Sname")), "上呼吸道感染");
  EXPECT_EQ(big5::ToUtf8(j069.Text("keyword")), "[感冒][上呼吸道]");
  EXPECT_EQ(Count(icd,
                  "select count(*) as n from DX where bList = True and common = True and "
                  "clinicTypes like '%04,%'"),
            17);
  RecordSet unlisted = icd.Query("select * from DX where ICD10 = ?", {Param("A000")});
  EXPECT_FALSE(unlisted.Boolean("bList"));
  EXPECT_TRUE(unlisted.IsNull("Sname"));

  RecordSet pcs =
      icd.Query("select * from PCS where INSUcode = ? order by ICD10", {Param("83080B")});
  EXPECT_EQ(pcs.Text("ICD10"), "00H632Z");
}

TEST_F(DeliveredDatabasesTest, ReferenceCatalogueHoldsTheFeeScheduleAndSamples) {
  Database mx = Open("MX.MDB");
  EXPECT_EQ(Count(mx, "select count(*) as n from OPD"), 5273);
  RecordSet fee = mx.Query("select * from OPD where INSUcode = ?", {Param("00109C")});
  EXPECT_EQ(fee.Text("price"), "352");
  EXPECT_EQ(fee.Text("StartDate"), "20170301");
  EXPECT_EQ(fee.Text("EndDate"), "29101231");
  EXPECT_EQ(fee.Text("Ename"), "");
  EXPECT_THAT(big5::ToUtf8(fee.Text("CNAME")), HasSubstr("基層院所門診診察費"));
  EXPECT_THAT(big5::ToUtf8(fee.Text("MEMONOTE")), HasSubstr("通則12"));
  // The consultation and pharmacy fees that the catalogue builders copy.
  EXPECT_GT(Count(mx,
                  "select count(*) as n from OPD where ((INSUCODE like '0____C') or "
                  "(INSUCODE like '0____D')) and (INSUCODE<'06000A')"),
            100);

  // Every sample table has rows and unique codes, and the drug codes are ten characters.
  for (const char* table : {"medicine", "material", "QuitSmoke", "Vaccine"}) {
    SCOPED_TRACE(table);
    std::string from = std::string(" from ") + table;
    int64_t rows = Count(mx, "select count(*) as n" + from);
    EXPECT_GT(rows, 5);
    EXPECT_EQ(Count(mx, "select count(distinct INSUcode) as n" + from), rows);
  }
  EXPECT_EQ(Count(mx, "select count(*) as n from medicine where length(INSUcode) <> 10"), 0);
  // Oral liquids sold by the bottle, compound drugs, and the first-pass vaccines exist.
  EXPECT_GT(Count(mx, "select count(*) as n from medicine where oral = 'a1'"), 0);
  EXPECT_GT(Count(mx, "select count(*) as n from medicine where complex = 'Y'"), 0);
  RecordSet first_pass = mx.Query("select count(*) as n from Vaccine where MEMONOTE like ?",
                                  {Param(big5::Literal("%流感疫苗%"))});
  EXPECT_GT(first_pass.Integer("n"), 0);
}

TEST_F(DeliveredDatabasesTest, IcdNineMapTargetsOnlyReportableCodes) {
  Database map = Open("ICD-10-CM (1020314).MDB");
  Database icd = Open("ICD10CM.MDB");
  std::set<std::string> reportable;
  for (RecordSet dx = icd.Query("select ICD10 from DX"); !dx.Eof(); dx.Next()) {
    reportable.insert(dx.Text("ICD10"));
  }
  size_t rows = 0;
  for (RecordSet cm = map.OpenTable("CM"); !cm.Eof(); cm.Next(), ++rows) {
    ASSERT_TRUE(reportable.count(cm.Text("ICD10CMCODE"))) << cm.Text("ICD9CMCODE");
  }
  // 24,860 mapping rows less 422 without a target, 48 retired and 151 now headers.
  EXPECT_EQ(rows, 24239u);
  RecordSet cholera = map.Query("select * from CM where ICD9CMCODE = ?", {Param("001.0")});
  EXPECT_EQ(cholera.Text("ICD10CMCODE"), "A000");
}

TEST(BuildDeliveredDatabaseTest, RefusesAnExistingFileAndIsDeterministic) {
  testing::TempDir folder;
  const DeliveredDatabase& mx = DeliveredDatabases()[3];
  ASSERT_EQ(mx.file_name, "MX.MDB");
  BuildDeliveredDatabase(mx, folder / "a.mdb");
  BuildDeliveredDatabase(mx, folder / "b.mdb");
  EXPECT_EQ(testing::ReadFileBytes(folder / "a.mdb"), testing::ReadFileBytes(folder / "b.mdb"));
  EXPECT_THAT([&] { BuildDeliveredDatabase(mx, folder / "a.mdb"); },
              ::testing::ThrowsMessage<Error>(HasSubstr("exists already")));
  EXPECT_FALSE(fs::exists(folder / "a.mdb.partial"));
}

}  // namespace
}  // namespace zuvo
