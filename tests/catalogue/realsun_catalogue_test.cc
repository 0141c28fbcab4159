// The RealSun catalogue as the demo clinic's conversion leaves it in OPD.mdb and data.ini. The
// expected values are read off the demo's records and the delivered reference files by hand.

#include "catalogue/realsun_catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>

#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "realsun_conversion.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::zuvo::testing::DemoConversion;
using ::zuvo::testing::RealSunConversion;

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }

// Columns of the MX row of a source code as texts (currency "12.5", integers "-1", booleans
// "True"/"False").
std::map<std::string, std::string> MxColumns(Database& opd, std::string_view source_code,
                                             std::initializer_list<const char*> names) {
  RecordSet row = opd.Query("select * from MX where Tname=?", {std::string(source_code)});
  std::map<std::string, std::string> columns;
  for (const char* name : names) columns[name] = row.Eof() ? "(no row)" : row.Text(name);
  return columns;
}

class RealSunCatalogueTest : public ::testing::Test {
 protected:
  const RealSunConversion& c = DemoConversion();
  Database opd = Database::Open(c.Corvix() / "OPD.mdb");

  std::map<std::string, std::string> Columns(std::string_view source_code,
                                             std::initializer_list<const char*> names) {
    return MxColumns(opd, source_code, names);
  }
  // The MX row of a source code; fails the test when there is not exactly one.
  RecordSet Row(std::string_view source_code) {
    RecordSet row = opd.Query("select * from MX where Tname=?", {std::string(source_code)});
    EXPECT_EQ(row.RecordCount(), 1u) << source_code;
    row.First();
    return row;
  }
  std::string ClassOf(std::string_view source_code) {
    RecordSet row = Row(source_code);
    return row.Eof() ? "(none)" : row.Text("class");
  }
  std::map<std::string, std::string> ClassesOf(std::initializer_list<const char*> source_codes) {
    std::map<std::string, std::string> classes;
    for (const char* code : source_codes) classes[code] = ClassOf(code);
    return classes;
  }
  size_t RowsWithCode(std::string_view code) {
    return opd.Query("select * from MX where INSUcode=?", {std::string(code)}).RecordCount();
  }
  std::string DataIni(std::string_view section, std::string_view key) {
    return ReadProfileString(c.DataIni(), section, key, "(missing)");
  }
};

TEST_F(RealSunCatalogueTest, EachKindLetterChoosesItsTableAndClass) {
  std::map<std::string, std::string> classes =
      ClassesOf({"PARA2", "SYRUP", "IBU", "GENT", "BETA", "FOLEY", "WOUND", "DRESS", "INTUB", "HOT",
                 "FEMUR", "EKG"});
  EXPECT_EQ(classes, (std::map<std::string, std::string>{{"PARA2", "oral"},      // H
                                                         {"SYRUP", "oral"},      // O
                                                         {"IBU", "oral"},        // W
                                                         {"GENT", "inj"},        // I
                                                         {"BETA", "topical"},    // L
                                                         {"FOLEY", "material"},  // M
                                                         {"WOUND", "OPD"},       // V
                                                         {"DRESS", "OPD"},       // 4
                                                         {"INTUB", "OPD"},       // S
                                                         {"HOT", "OPD"},  // A, outside the range
                                                         {"FEMUR", "operate"},  // C
                                                         {"EKG", "OPD"}}));     // P

  // A drug: names, dates and codes from the reference medicine row, prices from both.
  EXPECT_EQ(
      Columns("PARA2", {"INSUcode", "Sname", "Cname", "Aname", "INSUprice", "selfprice", "cost",
                        "common", "status", "StartDate", "EndDate", "DXtype", "ATCcode", "content",
                        "IsComPlex", "warning", "ChangetoMXcode", "ChangetoMXname"}),
      (std::map<std::string, std::string>{{"INSUcode", "A000080100"},
                                          {"Sname", B("普拿疼新包裝")},
                                          {"Cname", B("普拿疼錠500毫克")},
                                          {"Aname", "ACETAMINOPHEN TABLETS 500MG"},
                                          {"INSUprice", "0.74"},
                                          {"selfprice", "2"},
                                          {"cost", "0.6"},
                                          {"common", "-1"},
                                          {"status", "0"},
                                          {"StartDate", "20150101"},
                                          {"EndDate", "29101231"},
                                          {"DXtype", B("錠劑")},
                                          {"ATCcode", "N02BE01"},
                                          {"content", "ACETAMINOPHEN 500 MG"},
                                          {"IsComPlex", "False"},
                                          {"warning", B("孕婦忌用")},
                                          {"ChangetoMXcode", "1070101"},
                                          {"ChangetoMXname", ""}}));
  // A material of kind V: the source's name, the dates without slashes, the reference's mark.
  // A procedure: the Gregorian reference dates in ROC form.
  EXPECT_EQ(Columns("WOUND", {"Cname", "Aname", "StartDate", "EndDate", "INSUmark", "INSUprice"}),
            (std::map<std::string, std::string>{{"Cname", B("人工皮")},
                                                {"Aname", "HYDROCOLLOID WOUND DRESSING 10X10CM"},
                                                {"StartDate", "1030701"},
                                                {"EndDate", "9991231"},
                                                {"INSUmark", "Y"},
                                                {"INSUprice", "155"}}));
  EXPECT_EQ(Columns("DRESS", {"StartDate", "EndDate", "Aname"}),
            (std::map<std::string, std::string>{{"StartDate", "0960301"},
                                                {"EndDate", "9991231"},
                                                {"Aname", "Change dressing-small (<10cm)"}}));
}

TEST_F(RealSunCatalogueTest, UnitsFollowTheUnitTextTheReferenceAndTheRoute) {
  auto units = [&](std::string_view code) {
    std::map<std::string, std::string> columns = Columns(code, {"unit", "perunit", "status"});
    return columns["unit"] + "/" + columns["perunit"] + "/" + columns["status"];
  };
  EXPECT_EQ(units("SYRUP"), "2/4/32");  // oral liquid sold by the bottle
  EXPECT_EQ(units("IBU"), "1/2/0");     // "次" says nothing: an oral drug's units
  EXPECT_EQ(units("LEVO"), "1/2/0");    // an unknown text likewise
  EXPECT_EQ(units("GENT"), "5/4/0");
  EXPECT_EQ(units("BETA"), "3/1/0");
  EXPECT_EQ(units("SUPP"), "1/0/0");  // "顆" is no dose unit
  EXPECT_EQ(units("FOLEY"), "3/1/0");
  EXPECT_EQ(units("DRESS"), "8/0/0");  // not a drug: "次" stays
  EXPECT_TRUE(c.HasLine("不明Unit:  大瓶"));
  EXPECT_TRUE(c.HasLine("不明perUnit:  大瓶"));
  EXPECT_TRUE(c.HasLine("不明perUnit:  顆"));
  EXPECT_EQ(Row("SYRUP").Text("OralTablet"), "a1");
}

TEST_F(RealSunCatalogueTest, TheSurgeryRangesIncludeTheirEnds) {
  // Rows from the reference catalogue and, for the exact ends, rows made up from the source.
  std::map<std::string, std::string> classes =
      ClassesOf({"LOCAL", "ANES", "HIGH", "EXCIS", "LOW", "HERN", "OUT", "B96030", "B96031",
                 "B88999", "B62000"});
  EXPECT_EQ(classes, (std::map<std::string, std::string>{{"LOCAL", "operate"},   // 96020
                                                         {"ANES", "operate"},    // 96023
                                                         {"HIGH", "OPD"},        // 97004
                                                         {"EXCIS", "operate"},   // 62001
                                                         {"LOW", "OPD"},         // 50001
                                                         {"HERN", "operate"},    // 88029
                                                         {"OUT", "OPD"},         // 89001
                                                         {"B96030", "operate"},  // 96030
                                                         {"B96031", "OPD"},      // 96031
                                                         {"B88999", "operate"},  // 88999
                                                         {"B62000", "OPD"}}));   // 62000
}

TEST_F(RealSunCatalogueTest, ACodeMissingFromItsKindsTableIsLookedForInTheOthers) {
  RecordSet tears = Row("TEARS");  // kind V (material), only the medicine table has it
  EXPECT_EQ(tears.Text("class"), "oral");
  EXPECT_EQ(tears.Text("Cname"), B("人工淚液點眼液"));
  EXPECT_EQ(tears.Text("Aname"), "ARTIFICIAL TEARS EYE DROPS");
  EXPECT_EQ(tears.Text("StartDate"), "20110101");
  EXPECT_EQ(ClassOf("DRAIN"), "OPD");       // kind H, found in OPD
  EXPECT_EQ(ClassOf("ELAST"), "material");  // kind I, found in material
  EXPECT_EQ(Row("ELAST").Text("EndDate"), "9991231");
}

TEST_F(RealSunCatalogueTest, AnUnknownKindIsListedAndClassedByTheReferenceRow) {
  std::map<std::string, std::string> classes =
      ClassesOf({"EYE", "NASAL", "DEXA", "IOD", "PASTE", "AMB", "EXC2", "SWAN", "SUTURE"});
  EXPECT_EQ(classes, (std::map<std::string, std::string>{{"EYE", "drop"},  // 點眼液劑
                                                         {"NASAL", "topical"},
                                                         {"DEXA", "inj"},
                                                         {"IOD", "topical"},
                                                         {"PASTE", "topical"},
                                                         {"AMB", "oral"},
                                                         {"EXC2", "operate"},  // 62002C
                                                         {"SWAN", "OPD"},      // 47036B
                                                         {"SUTURE", "material"}}));
  EXPECT_TRUE(c.HasLine("分類碼錯誤:托布黴素眼藥水,A034490209,[X ]"));
  EXPECT_TRUE(c.HasLine("分類碼錯誤2:托布黴素眼藥水,A034490209,[X ]"));
  EXPECT_TRUE(c.HasLine("分類碼錯誤:沐舒痰錠,A027789100,[# ]"));
}

TEST_F(RealSunCatalogueTest, RowsWithoutAReferenceRowGetMadeUpCodesInOrder) {
  std::vector<std::string> made_up;
  RecordSet rows = opd.Query(
      "select Tname, INSUcode from MX where INSUcode like 'SE%' and "
      "Tname not like 'D1%' order by INSUcode");
  for (rows.First(); !rows.Eof(); rows.Next()) {
    made_up.push_back(rows.Text("INSUcode") + "=" + rows.Text("Tname"));
  }
  EXPECT_THAT(made_up, ElementsAre("SE00000001=SELF2", "SE00000002=REG", "SE00000003=NOREF",
                                   "SE00000004=B96030", "SE00000005=B96031", "SE00000006=B88999",
                                   "SE00000007=B62000", "SE00000008=VXOLD", "SE00000009=VXNEW"));
  EXPECT_EQ(Columns("SELF2",
                    {"class", "Sname", "Cname", "Aname", "status", "selfprice", "INSUprice", "cost",
                     "unit", "perunit", "StartDate", "EndDate", "ATCcode", "ChangetoMXcode"}),
            (std::map<std::string, std::string>{{"class", "oral"},
                                                {"Sname", B("自費保健品")},
                                                {"Cname", B("自費保健品")},
                                                {"Aname", "ALT SELF2"},
                                                {"status", "2"},
                                                {"selfprice", "30"},
                                                {"INSUprice", "0"},
                                                {"cost", "3"},
                                                {"unit", "4"},  // 盒
                                                {"perunit", "0"},
                                                {"StartDate", "1151201"},  // the day it is made
                                                {"EndDate", "1151201"},
                                                {"ATCcode", "N02BE01"},
                                                {"ChangetoMXcode", ""}}));
  EXPECT_EQ(ClassOf("REG"), "OPD");  // "E2" is no NHI code
  // A record without a name is no order, whatever its code.
  EXPECT_EQ(opd.Query("select * from MX where Tname='EMPTY'").RecordCount(), 0u);
  EXPECT_EQ(RowsWithCode("A041913100"), 0u);
}

TEST_F(RealSunCatalogueTest, DuplicateNhiCodesKeepTheNewerRecordAndNoteTheOther) {
  EXPECT_EQ(RowsWithCode("A000080100"), 1u);
  EXPECT_EQ(Row("PARA2").Text("INSUcode"), "A000080100");
  EXPECT_EQ(DataIni("DUPMX", "PARA"), "A000080100");
  EXPECT_EQ(RowsWithCode("AC45856100"), 1u);
  EXPECT_EQ(Row("PANA").Text("ChangetoMXcode"), "1080101");
  EXPECT_TRUE(c.HasLine("健保碼重複無覆寫:PANADOL OLD,AC45856100"));
  EXPECT_EQ(DataIni("DUPMX", "PANAOLD"), "AC45856100");
  // The newer record of the same source code replaces the row and notes nothing.
  EXPECT_EQ(RowsWithCode("A033390100"), 1u);
  EXPECT_EQ(Row("FAMO").Text("Sname"), B("蓋舒泰新"));
  EXPECT_EQ(DataIni("DUPMX", "FAMO"), "(missing)");
  // A code met before but without a row of its own: a vaccine becomes a row, anything else
  // is reported and noted.
  EXPECT_EQ(Row("VXNEW").Text("INSUcode"), "SE00000009");
  EXPECT_EQ(opd.Query("select * from MX where Tname='VXOTHER'").RecordCount(), 0u);
  EXPECT_TRUE(c.HasLine("找不到健保碼:其他處置,XV0001C"));
  EXPECT_TRUE(c.HasLine("健保碼重複無覆寫:其他處置,XV0001C"));
  EXPECT_EQ(DataIni("DUPMX", "VXOTHER"), "XV0001C");
}

// The order packages refresh the vaccine row the clinic's FLU became, and give it the reference
// name as Tname: the visits' slots name FLU, so [DUPMX] keeps FLU pointing at the row.
TEST_F(RealSunCatalogueTest, RowsThePackagesRenameStayFindableByTheClinicsCode) {
  RecordSet vaccine = opd.Query("select * from MX where INSUcode='K000912210'");
  ASSERT_EQ(vaccine.RecordCount(), 1u);
  vaccine.First();
  EXPECT_EQ(vaccine.Text("Tname"), "VAXIGRIP TETRA");
  EXPECT_EQ(DataIni("DUPMX", "FLU"), "K000912210");
}

TEST_F(RealSunCatalogueTest, DefaultFrequencies) {
  struct Frequency {
    std::string use_method;
    int64_t rate;
    bool operator==(const Frequency&) const = default;
  };
  auto frequency = [&](std::string_view code) {
    RecordSet row = Row(code);
    return Frequency{row.Text("UseMethod"), row.Integer("RateIndex")};
  };
  EXPECT_EQ(frequency("PARA2"), (Frequency{"QID", 4000}));
  EXPECT_EQ(frequency("PSE"), (Frequency{"Q4H", 6000}));      // the rate table's value
  EXPECT_EQ(frequency("KID'S"), (Frequency{"TIDPC", 3000}));  // through [UseMethodFix]
  EXPECT_EQ(frequency("LEVO"), (Frequency{B("一天兩回"), 0}));
  EXPECT_TRUE(c.HasLine("不明使用頻率:一天兩回"));
  // A reference row takes the rate table and the clinic's fixes only; a made-up one is read.
  EXPECT_EQ(frequency("IBU"), (Frequency{"tid1", 0}));
  EXPECT_TRUE(c.HasLine("不明使用頻率:tid1"));
  EXPECT_EQ(frequency("NOREF"), (Frequency{"TID", 3000}));
  EXPECT_EQ(frequency("DRESS"), (Frequency{"", 0}));
}

TEST_F(RealSunCatalogueTest, EveryConsultationAndPharmacyFeeIsAdded) {
  Database reference = Database::OpenReadOnly(c.program_folder / "MX.MDB");
  RecordSet fees = reference.Query(
      "select INSUcode, price from OPD where length(INSUcode)=6 and substr(INSUcode,1,1)='0' and "
      "substr(INSUcode,6,1) in ('C','D') and INSUcode<'06000A'");
  ASSERT_GT(fees.RecordCount(), 50u);
  for (fees.First(); !fees.Eof(); fees.Next()) {
    RecordSet row = opd.Query("select * from MX where INSUcode=?", {fees.Text("INSUcode")});
    ASSERT_EQ(row.RecordCount(), 1u) << fees.Text("INSUcode");
    row.First();
    const int64_t price = std::llround(std::strtod(fees.Text("price").c_str(), nullptr) * 10000);
    EXPECT_EQ(row.Currency("INSUprice"), price) << fees.Text("INSUcode");
    EXPECT_EQ(row.Text("class"), "OPD");
    EXPECT_EQ(row.Integer("unit"), 8);
    EXPECT_EQ(row.Integer("common"), 0);
  }
  RecordSet first = opd.Query("select * from MX where INSUcode='00109C'");
  first.First();
  EXPECT_EQ(first.Currency("selfprice"), 352 * 10000LL);
  EXPECT_EQ(first.Text("StartDate"), "1060301");
  EXPECT_EQ(first.Text("Tname"), first.Text("Cname"));
}

TEST_F(RealSunCatalogueTest, DiagnosesWithShortNamesKeywordsAndFixes) {
  std::map<std::string, std::string> names;  // ICD10 → Sname
  RecordSet dx = opd.Query("select * from DX where refText<>''");
  for (dx.First(); !dx.Eof(); dx.Next()) {
    EXPECT_TRUE(names.emplace(dx.Text("ICD10"), dx.Text("Sname")).second) << dx.Text("ICD10");
  }
  EXPECT_EQ(names["J069"], "Acute upper respiratory infection");
  EXPECT_EQ(names["J00"], B("急性鼻咽炎(感冒)"));            // the database's short name
  EXPECT_EQ(names["N390"], B("未明示部位之泌尿道感染症"));   // its Chinese name
  EXPECT_EQ(names["E785"], "Hyperlipidemia, doctors note");  // without the apostrophe
  EXPECT_EQ(names["K219"], "GERDAcute upper respiratory infection");
  EXPECT_EQ(names.count("K5900"), 0u);  // code + name taken as well
  EXPECT_EQ(names.count("ZZZ99"), 0u);
  EXPECT_EQ(names.count("XX1"), 0u);

  RecordSet uri = opd.Query("select * from DX where ICD10='J069'");
  uri.First();
  EXPECT_EQ(uri.Text("refText"), "URI");
  EXPECT_EQ(uri.Integer("status"), 1);
  EXPECT_EQ(uri.Text("Scode"), "460");
  EXPECT_TRUE(uri.Boolean("common"));
  EXPECT_TRUE(uri.Boolean("bList"));
  EXPECT_EQ(uri.Text("Ename"), "Acute upper respiratory infection, unspecified");
  EXPECT_EQ(uri.Text("keyword1"), B("[感冒][上呼吸道]"));
  EXPECT_EQ(uri.Text("keyword4"), "");
  RecordSet fever = opd.Query("select * from DX where ICD10='R509'");
  fever.First();
  EXPECT_EQ(fever.Integer("status"), 0);
  EXPECT_EQ(fever.Text("keyword1"), "fever");
  EXPECT_EQ(fever.Text("keyword2"), "pyrexia");
  EXPECT_EQ(fever.Text("keyword3"), "high temperature");
  EXPECT_EQ(fever.Text("keyword4"), "hot\r\nfeverish");

  EXPECT_EQ(DataIni("DXfix", "Mysterys illness"), "ZZZ99");
  EXPECT_EQ(DataIni("DXcodefix", "MYS"), "ZZZ99");
  EXPECT_EQ(DataIni("DXcodefix", "XC"), "XX1");
  EXPECT_EQ(ProfileFile(c.DataIni()).KeyNames("DXfix").size(), 1u);
  EXPECT_TRUE(c.HasLine("診斷處置資料庫OPD.mdb製作完成"));
}

// The catalogue alone, before the order packages refresh the vaccines: the demo's vaccine row
// is built from the reference table Vaccine.
TEST(RealSunCatalogueAloneTest, AVaccineIsBuiltFromTheVaccineTable) {
  zuvo::testing::TempDir temp;
  const fs::path clinic_folder = temp / "clinic";
  const fs::path work_tree = clinic_folder / "1151201_1";
  CreateWorkTree(work_tree);
  RunFlags flags;
  RecordingStepContext context(flags);
  BuildRealSunCatalogue(
      {zuvo::testing::DeliveredProgramFolder(), clinic_folder, work_tree,
       DemoConversion().source_folder, *EncodeDateTime({2026, 12, 1, 0, 0, 0, 0})},
      context);
  Database opd = Database::Open(work_tree / "Corvix" / "OPD.mdb");
  // Kind I: not a medicine, found among the vaccines.
  EXPECT_EQ(
      MxColumns(opd, "FLU",
                {"class", "INSUcode", "Sname", "Cname", "Aname", "unit", "perunit", "StartDate",
                 "EndDate", "DXtype", "INSUmark", "content", "UseMethod", "RateIndex"}),
      (std::map<std::string, std::string>{{"class", "inj"},
                                          {"INSUcode", "K000912210"},
                                          {"Sname", B("流感疫苗")},
                                          {"Cname", B("流感疫苗")},
                                          {"Aname", "VAXIGRIP TETRA"},
                                          {"unit", "6"},
                                          {"perunit", "4"},
                                          {"StartDate", "1071001"},
                                          {"EndDate", ""},
                                          {"DXtype", B("注射劑")},
                                          {"INSUmark", ""},
                                          {"content", ""},
                                          {"UseMethod", "STAT"},
                                          {"RateIndex", "1000"}}));
  // Nothing of the step around it: no order packages, no sets.
  EXPECT_EQ(opd.Query("select * from MX where INSUcode='A2051C'").RecordCount(), 0u);
  EXPECT_EQ(Database::Open(work_tree / "Corvix" / "PERSONAL.mdb")
                .Query("select * from MXset")
                .RecordCount(),
            0u);
}

}  // namespace
}  // namespace zuvo
