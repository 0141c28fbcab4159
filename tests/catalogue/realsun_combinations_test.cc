// The demo clinic's combination orders as the conversion leaves them in PERSONAL.mdb and in the
// work table of ANTCHECK.MDB. Doses, totals and prices are worked out by hand from the demo's
// TREAT.DBF records and the catalogue rows they name.

#include "catalogue/realsun_combinations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/table_store.h"
#include "realsun_conversion.h"

namespace zuvo {
namespace {

using ::testing::ElementsAre;
using ::zuvo::testing::DemoConversion;
using ::zuvo::testing::RealSunConversion;

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }

const std::string kUri = "Acute upper respiratory infection";
const std::string kLipids = "Hyperlipidemia, doctors note";

// One MXquick row of a set, the columns the combination decides.
struct Item {
  std::string code;
  int dose;
  std::string unit;
  std::string rate;
  double rate_index;
  std::string route;
  int days;
  double total;
  std::string total_unit;
  int addition;
  double price;
  int mode;
  int status;
  bool operator==(const Item&) const = default;
};

void PrintTo(const Item& i, std::ostream* out) {
  *out << i.code << " dose " << i.dose << " [" << i.unit << "] [" << i.rate << "] " << i.rate_index
       << " [" << i.route << "] days " << i.days << " total " << i.total << " [" << i.total_unit
       << "] add " << i.addition << " price " << i.price << " mode " << i.mode << " status "
       << i.status;
}

class RealSunCombinationsTest : public ::testing::Test {
 protected:
  const RealSunConversion& c = DemoConversion();
  Database personal = Database::Open(c.Corvix() / "PERSONAL.mdb");

  // The DXtoMX row of a diagnosis; fails the test when there is not exactly one.
  RecordSet Diagnosis(const std::string& name) {
    RecordSet row = personal.Query("select * from DXtoMX where DXname=?", {name});
    EXPECT_EQ(row.RecordCount(), 1u) << name;
    row.First();
    return row;
  }
  int64_t SetOf(const std::string& name, int group) {
    RecordSet row = Diagnosis(name);
    return row.Eof() ? -1 : row.Integer("classID" + std::to_string(group));
  }
  std::vector<Item> Items(const std::string& name, int group) {
    RecordSet rows = personal.Query("select * from MXquick where classID=? order by rowid",
                                    {SetOf(name, group)});
    std::vector<Item> items;
    for (rows.First(); !rows.Eof(); rows.Next()) {
      items.push_back(
          {rows.Text("INSUcode"), static_cast<int>(rows.Integer("dose")), rows.Text("Unit"),
           rows.Text("rate"), rows.Number("RateIndex"), rows.Text("route"),
           static_cast<int>(rows.Integer("days")), rows.Number("total"), rows.Text("totalUnit"),
           static_cast<int>(rows.Integer("addition")), rows.Number("price"),
           static_cast<int>(rows.Integer("mode")), static_cast<int>(rows.Integer("status"))});
    }
    return items;
  }
};

TEST_F(RealSunCombinationsTest, EachDiagnosisGetsItsGroupsAndACheckMask) {
  std::map<std::string, int64_t> masks;
  RecordSet rows = personal.Query("select * from DXtoMX where DXname not like 'Diagnosis %'");
  for (rows.First(); !rows.Eof(); rows.Next()) {
    EXPECT_EQ(rows.Text("owner"), "NA");
    masks[rows.Text("DXname")] = rows.Integer("checkStatus");
  }
  EXPECT_EQ(masks, (std::map<std::string, int64_t>{
                       {kUri, 0b100011},  // groups 1 and 2, 6 through [DXcodefix]; 9 is none
                       {"Fever", 0b100},  // group 3 alone
                       {"Essential hypertension, primary", 1},
                       {"Essential hypertension, secondary", 1},
                       {kLipids, 0b11000},
                       {B("急性鼻咽炎(感冒)"), 0b10}}));

  // Group 3 alone: one set, named after the diagnosis, and nothing in the other columns.
  RecordSet fever = Diagnosis("Fever");
  EXPECT_EQ(fever.Text("name3"), "3");
  EXPECT_EQ(fever.Text("setname3"), "Fever_3");
  EXPECT_EQ(fever.Integer("classID1"), 0);
  EXPECT_EQ(fever.Text("setname1"), "");
  RecordSet set =
      personal.Query("select * from MXset where classID=?", {fever.Integer("classID3")});
  ASSERT_EQ(set.RecordCount(), 1u);
  set.First();
  EXPECT_EQ(set.Text("setName"), "Fever_3");
  EXPECT_EQ(set.Text("owner"), "NA");
  EXPECT_EQ(set.Text("classMode"), "oral");
  EXPECT_EQ(personal.Query("select * from MXset where setName like 'Fever%'").RecordCount(), 1u);
  // A set is named after the first 24 characters of the diagnosis.
  EXPECT_EQ(Diagnosis(kUri).Text("setname2"), "Acute upper respiratory _2");
  EXPECT_EQ(
      personal.Query("select * from MXset where setName like '%\\_9' escape '\\'").RecordCount(),
      0u);
}

TEST_F(RealSunCombinationsTest, DiagnosesSharingTheirFirst24CharactersKeepTheirOwnSets) {
  const std::string primary = "Essential hypertension, primary";
  const std::string secondary = "Essential hypertension, secondary";
  RecordSet sets = personal.Query("select * from MXset where setName=?",
                                  {std::string("Essential hypertension, _1")});
  EXPECT_EQ(sets.RecordCount(), 2u);
  EXPECT_NE(SetOf(primary, 1), SetOf(secondary, 1));
  EXPECT_EQ(Diagnosis(secondary).Text("setname1"), "Essential hypertension, _1");
  EXPECT_THAT(Items(primary, 1), ElementsAre(Item{"96020C", 100, "  ", "ASORDER  ", 1000, "XX  ", 1,
                                                  1, B("次(個)") + "  ", 100, 3917, 64, 0}));
  EXPECT_THAT(Items(secondary, 1),
              ElementsAre(Item{"CBP01FOLEY1A", 100, "  ", "ASORDER  ", 1000, "XX  ", 1, 2,
                               B("次(個)") + "  ", 105, 128, 128, 0}));
}

TEST_F(RealSunCombinationsTest, OrdersAreFoundAndShapedByTheirClass) {
  // PARA through [DUPMX] (its row was replaced by PARA2): tablets, 3 a day for 3 days. The
  // syrup is sold by the bottle: one bottle, 1/(3 × 3) of it a dose.
  EXPECT_THAT(
      Items(kUri, 1),
      ElementsAre(
          Item{"A000080100", 100, "tab  ", "TID  ", 3000, "PO  ", 3, 9, "tab  ", 100, 0.74, 2, 0},
          Item{"A039004255", 11, "ml  ", "TID  ", 3000, "PO  ", 3, 1, "bot  ", 100, 28, 2, 0}));
  EXPECT_TRUE(c.HasLine("OPD.mdb找不到組合處置:[NOPE] "));
  // By NHI code; and two fixed drugs, each with its own class: an oral one counted per day, a
  // topical one as it is.
  EXPECT_THAT(
      Items(kUri, 2),
      ElementsAre(
          Item{"A032125100", 100, "tab  ", "BID  ", 2000, "PO  ", 5, 10, "tab  ", 100, 1.73, 2, 0},
          Item{"NOUSE00002", 100, "tab  ", "BID  ", 2000, "PO  ", 5, 10, "tab  ", 100, 1.53, 2, 0},
          Item{"A043214345", 100, "gtt  ", "ASORDER  ", 1000, "SKIN  ", 5, 1, "tube  ", 100, 45.6,
               8, 0}));
  // A procedure, and an injection given once: the dose is the quantity.
  EXPECT_THAT(Items("Fever", 3), ElementsAre(Item{"48011C", 100, "  ", "ASORDER  ", 1000, "XX  ", 1,
                                                  1, B("次(個)") + "  ", 100, 47, 16, 0},
                                             Item{"A030117212", 150, "ml  ", "stat  ", 1000, "IM  ",
                                                  1, 1.5, "amp  ", 100, 15, 4, 0}));
  // Topical: cream by the tube, vaginal tablets and suppositories counted per day.
  EXPECT_THAT(
      Items(kLipids, 4),
      ElementsAre(
          Item{"A029940321", 100, "gtt  ", "BID  ", 2000, "SKIN  ", 7, 1, "tube  ", 100, 15, 8, 0},
          Item{"A037108335", 100, "tab  ", "QD  ", 1000, "VAG  ", 7, 7, "tab  ", 100, 6.5, 8, 0}));
  // An unreadable frequency is taken as ordered; a made-up order is charged at its own price.
  EXPECT_THAT(
      Items(kLipids, 5),
      ElementsAre(
          Item{"A036447335", 100, "tab  ", "HS  ", 1000, "RECT  ", 2, 2, "tab  ", 100, 4, 8, 0},
          Item{"A043390100", 100, "tab  ", "ASORDER  ", 1000, "PO  ", 3, 3, "tab  ", 100, 15.6, 2,
               0},
          Item{"SE00000001", 10, "tab  ", "QD  ", 1000, "PO  ", 10, 1, "tab  ", 100, 30, 2, 2}));
  EXPECT_TRUE(c.HasLine(std::string("組合使用不明頻率語法:[一天兩回]")));
  // Eye drops; a frequency mended through [UseMethodFix].
  EXPECT_THAT(Items(B("急性鼻咽炎(感冒)"), 2),
              ElementsAre(Item{"A034490209", 100, "gtt  ", "QID  ", 4000, "OU  ", 3, 1, "drop  ",
                               100, 45, 1, 0},
                          Item{"A027789100", 33, "tab  ", "TIDPC  ", 3000, "PO  ", 3, 3, "tab  ",
                               100, 0.82, 2, 0}));
}

TEST_F(RealSunCombinationsTest, SetItemsCarryTheirTextsNamesAndDate) {
  RecordSet items = personal.Query("select * from MXquick where classID=? order by rowid",
                                   {SetOf(B("急性鼻咽炎(感冒)"), 2)});
  ASSERT_EQ(items.RecordCount(), 2u);
  items.First();
  EXPECT_EQ(items.Text("Sname"), B("托布黴素眼藥水"));
  EXPECT_EQ(items.Text("Scode"), "  ");
  EXPECT_EQ(items.Text("Ocode"), "  ");
  EXPECT_EQ(items.Text("defUnit"), "  ");
  EXPECT_EQ(items.Text("pertimeU"), "  ");
  EXPECT_EQ(items.Integer("defDose"), 0);
  EXPECT_EQ(items.Integer("pertimeN"), 0);
  EXPECT_EQ(items.Integer("dateMode"), 0);
  EXPECT_EQ(items.Currency("cost"), 0);
  EXPECT_DOUBLE_EQ(items.Number("date"), *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0}));
  // The remark cut to 42 bytes (21 Chinese characters), then one blank.
  EXPECT_EQ(items.Text("note"), B("這是一段很長的備註文字超過四十二個位元組的") + " ");
  // A fixed drug's own name.
  RecordSet fixed = personal.Query("select * from MXquick where INSUcode='NOUSE00002'");
  fixed.First();
  EXPECT_EQ(fixed.Text("Sname"), "Amoxicillin 500mg");
  EXPECT_EQ(fixed.Text("note"), " ");
}

TEST_F(RealSunCombinationsTest, TheWorkTableHoldsEveryOrderFoundWithItsDiagnosis) {
  Database antcheck = Database::Open(c.work_tree / "ANTCHECK.MDB");
  std::multiset<std::string> uri;
  RecordSet rows = antcheck.Query("select * from MXquick where DXname=?", {kUri});
  for (rows.First(); !rows.Eof(); rows.Next()) {
    EXPECT_EQ(rows.Integer("classID"), 0);
    uri.insert(rows.Text("SubSetNo") + ":" + rows.Text("INSUcode"));
  }
  EXPECT_EQ(uri,
            (std::multiset<std::string>{"1:A000080100", "1:A039004255", "2:A032125100",
                                        "2:NOUSE00002", "2:A043214345", "6:48011C", "9:48011C"}));
  RecordSet para = antcheck.Query("select * from MXquick where INSUcode='A000080100'");
  para.First();
  EXPECT_EQ(para.Text("note"), B("飯後"));
  EXPECT_EQ(para.Text("totalunit"), "tab");
  EXPECT_EQ(para.Currency("total"), 9 * 10000LL);
  EXPECT_DOUBLE_EQ(para.Number("price"), 0.74);
  EXPECT_DOUBLE_EQ(para.Number("rateIndex"), 3000);
  // Orders whose diagnosis is not in the catalogue are listed and left out.
  EXPECT_TRUE(c.HasLine("OPD找不到組合診斷:[NODX] "));
  EXPECT_TRUE(c.HasLine("OPD找不到組合診斷:[MYS] "));
  EXPECT_EQ(antcheck.Query("select * from MXquick where DXname is null or DXname=''").RecordCount(),
            0u);
}

TEST_F(RealSunCombinationsTest, ApostrophesBreakNothing) {
  // The diagnosis code HL'1 and the order code KID'S are found; the diagnosis name was stored
  // without its apostrophe, and its sets are named after it.
  EXPECT_EQ(Diagnosis(kLipids).Text("setname5"), "Hyperlipidemia, doctors _5");
  std::vector<std::string> codes;
  for (const Item& item : Items(kLipids, 5)) codes.push_back(item.code);
  EXPECT_THAT(codes, ::testing::Contains("A043390100"));
}

}  // namespace
}  // namespace zuvo
