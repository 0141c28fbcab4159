#include <gtest/gtest.h>

#include "catalogue/reference_order.h"
#include "catalogue/surgery_pcs.h"
#include "platform/big5.h"
#include "platform/table_store.h"

namespace zuvo {
namespace {

using big5::FromUtf8;
using big5::ToUtf8;

// A small reference catalogue with the tables and columns the look-up reads.
Database SmallReferenceCatalogue() {
  Database mx = Database::CreateInMemory("MX.MDB");
  mx.ExecuteScript(R"(
    CREATE TABLE medicine (INSUcode TEXT COLLATE NOCASE, Ename TEXT COLLATE NOCASE);
    CREATE TABLE OPD (INSUcode TEXT COLLATE NOCASE, Ename TEXT COLLATE NOCASE,
                      CNAME TEXT COLLATE NOCASE);
    CREATE TABLE material (INSUcode TEXT COLLATE NOCASE, OBJECTNAME TEXT COLLATE NOCASE);
    CREATE TABLE QuitSmoke (INSUcode TEXT COLLATE NOCASE, ENAME TEXT COLLATE NOCASE);
    CREATE TABLE Vaccine (INSUcode TEXT COLLATE NOCASE, ENAME TEXT COLLATE NOCASE);
    INSERT INTO medicine VALUES ('A000080100', '  ACETAMINOPHEN 500MG TAB  ');
    INSERT INTO medicine VALUES ('BOTH000001', 'PANADOL');
    INSERT INTO OPD VALUES ('BOTH000001', 'PANADOL FEE', '');
    INSERT INTO medicine VALUES ('BLANK00001', '   ');
    INSERT INTO OPD VALUES ('BLANK00001', '', '換藥');
    INSERT INTO OPD VALUES ('48011C', '', '1手術、創傷處置及換藥－小換藥（十公分以下）');
    INSERT INTO material VALUES ('FHB01ELAST02', '"ELASTIC BANDAGE 4 INCH');
    INSERT INTO QuitSmoke VALUES ('B023816100', 'CHAMPIX 0.5MG');
    INSERT INTO Vaccine VALUES ('K000912210', 'VAXIGRIP TETRA');
    INSERT INTO OPD VALUES ('33135B', 'DIALYSIS ≤ 4 HOURS', '');
    INSERT INTO OPD VALUES ('NONAME', '', '');
  )");
  return mx;
}

TEST(LookupReferenceOrderTest, FindsTheFirstTableWithAName) {
  Database mx = SmallReferenceCatalogue();
  struct Case {
    const char* code;
    const char* table;
    const char* name_utf8;
  } cases[] = {
      {"A000080100", "medicine", "Acetaminophen 500mg tab"},
      {"a000080100", "medicine", "Acetaminophen 500mg tab"},  // codes compare without case
      {"BOTH000001", "medicine", "Panadol"},                  // medicine before OPD
      {"BLANK00001", "OPD", "換藥"},                          // blank names are passed over
      // 24 bytes would end inside a character: the character is left out.
      {"48011C", "OPD", "1手術、創傷處置及換藥－"},
      {"FHB01ELAST02", "material", "Elastic bandage 4 inch"},  // leading quote removed
      {"B023816100", "QuitSmoke", "Champix 0.5mg"},
      {"K000912210", "Vaccine", "Vaxigrip tetra"},
      {"NONAME", "", ""},
      {"UNKNOWN", "", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    ReferenceOrder found = LookupReferenceOrder(mx, c.code);
    EXPECT_EQ(found.table, c.table);
    EXPECT_EQ(ToUtf8(found.english_name), c.name_utf8);
    EXPECT_FALSE(found.name_substituted);
  }
}

TEST(LookupReferenceOrderTest, SubstitutesWhatBig5CannotHold) {
  Database mx = SmallReferenceCatalogue();
  ReferenceOrder found = LookupReferenceOrder(mx, "33135B");
  EXPECT_EQ(found.table, "OPD");
  EXPECT_EQ(ToUtf8(found.english_name), "Dialysis ？ 4 hours");
  EXPECT_TRUE(found.name_substituted);
}

TEST(ClassByReferenceTableTest, BringsTheClassInLine) {
  struct Case {
    const char* table;
    const char* order_class;
    const char* expected;
  } cases[] = {
      {"medicine", "drop", "drop"},
      {"medicine", "topical", "topical"},
      {"medicine", "OPD", "oral"},
      {"medicine", "material", "oral"},
      {"OPD", "operate", "operate"},
      {"OPD", "special", "special"},
      {"OPD", "oral", "OPD"},
      {"OPD", "inj", "OPD"},
      {"material", "OPD", "material"},
      {"material", "oral", "material"},
      {"QuitSmoke", "topical", "topical"},
      {"QuitSmoke", "inj", "oral"},
      {"Vaccine", "oral", "oral"},
      {"Vaccine", "OPD", "inj"},
      {"", "drop", "drop"},
      {"other", "material", "material"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassByReferenceTable(c.table, c.order_class), c.expected)
        << c.table << " " << c.order_class;
  }
}

TEST(EnsureSurgeryPcsTest, CopiesTheKnownCodesOnce) {
  Database opd = Database::CreateInMemory("OPD.mdb");
  Database icd = Database::CreateInMemory("ICD10CM.MDB");
  for (Database* database : {&opd, &icd}) {
    database->ExecuteScript(
        "CREATE TABLE PCS (INSUcode TEXT COLLATE NOCASE, ICD10 TEXT COLLATE NOCASE, "
        "ENAME TEXT COLLATE NOCASE, CNAME TEXT COLLATE NOCASE);");
  }
  icd.ExecuteScript(R"(
    INSERT INTO PCS VALUES ('64028C', '0QSB04Z', 'Reposition right femoral shaft', NULL);
    INSERT INTO PCS VALUES ('64028C', '0QSC04Z', NULL, '股骨幹復位 骺');
    INSERT INTO PCS VALUES ('83080B', '00H632Z', NULL, NULL);
  )");
  EXPECT_TRUE(EnsureSurgeryPcs(" 64028C ", opd, icd));
  EXPECT_FALSE(EnsureSurgeryPcs("47031C", opd, icd));
  EXPECT_TRUE(EnsureSurgeryPcs("64028C", opd, icd));  // already there: nothing is added

  RecordSet rows = opd.OpenTable("PCS");
  ASSERT_EQ(rows.RecordCount(), 2u);
  EXPECT_EQ(rows.Text("INSUcode"), "64028C");
  EXPECT_EQ(rows.Text("ICD10"), "0QSB04Z");
  EXPECT_EQ(rows.Text("ENAME"), "Reposition right femoral shaft");
  EXPECT_TRUE(rows.IsNull("CNAME"));
  rows.Next();
  EXPECT_EQ(rows.Text("ICD10"), "0QSC04Z");
  EXPECT_EQ(rows.TextUtf8("CNAME"), "股骨幹復位 骺");  // kept exactly, though not Big5
}

}  // namespace
}  // namespace zuvo
