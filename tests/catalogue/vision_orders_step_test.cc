#include "catalogue/vision_orders_step.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/program_folder.h"
#include "app/vision_pipeline.h"
#include "app/work_tree_selection.h"
#include "catalogue/order_packages.h"
#include "catalogue/staff_file.h"
#include "core/roc_date.h"
#include "demo/demo_clinic.h"
#include "platform/base64.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::zuvo::testing::TempDir;
using ::zuvo::testing::WriteFileBytes;

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }

// The delivered files are built once for all tests (the diagnosis database is large).
class VisionOrdersStepTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    program_ = new TempDir;
    InstallDeliveredFiles(program_->path());
  }
  static void TearDownTestSuite() {
    delete program_;
    program_ = nullptr;
  }

  void SetUp() override {
    source_ = temp_.path() / "source";
    clinic_ = demo::WriteVisionDemoSource(source_, 7);
    clinic_folder_ = ClinicFolder(temp_.path() / "home", kVisionArea, clinic_.code);
    work_tree_ = clinic_folder_ / "1151209_1";
    CreateWorkTree(work_tree_);
    place_.program_folder = program_->path();
    place_.now = *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});
    place_.clock = [now = place_.now] { return now; };
    input_.folder.his = B("展望");
    input_.folder.source_folder = source_;
    input_.folder.clinic_id = clinic_.code;
    input_.folder.work_tree = work_tree_ / "";
    input_.folder.pharmacist_name = B("林藥師");
    input_.folder.pharmacist_id = "B223456789";
  }

  fs::path DataIni() const { return clinic_folder_ / "data.ini"; }
  fs::path Corvix() const { return work_tree_ / "Corvix"; }
  bool HasLine(const std::string& line) const {
    const auto& lines = context_.lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  Database Opd() const { return Database::Open(Corvix() / "OPD.mdb"); }
  // The MX row of a code; fails the test when there is not exactly one.
  RecordSet MxRow(Database& opd, std::string_view code) {
    RecordSet row = opd.Query("select * from MX where INSUcode=?", {std::string(code)});
    EXPECT_EQ(row.RecordCount(), 1u) << code;
    row.First();
    return row;
  }
  RecordSet MxRowOf(Database& opd, std::string_view source_code) {
    RecordSet row = opd.Query("select * from MX where Tname=?", {std::string(source_code)});
    EXPECT_EQ(row.RecordCount(), 1u) << source_code;
    row.First();
    return row;
  }

  static TempDir* program_;
  TempDir temp_;
  fs::path source_;
  demo::DemoClinic clinic_;
  fs::path clinic_folder_;
  fs::path work_tree_;
  VisionOrdersInput input_;
  Workplace place_;
  RunFlags flags_;
  RecordingStepContext context_{flags_};
};

TempDir* VisionOrdersStepTest::program_ = nullptr;

TEST_F(VisionOrdersStepTest, ConvertsTheDemoClinicsCatalogue) {
  WriteProfileString(DataIni(), "UseMethodFix", B("飯後吃"), "TIDPC");
  WriteProfileString(DataIni(), B("安裝遺漏醫令"), "A041566100", "oral");
  WriteProfileString(DataIni(), B("安裝遺漏醫令"), "NOSUCH1", "oral");
  flags_.SetStepMessages(true);
  ASSERT_EQ(BuildVisionClinicAndOrders(input_, place_, context_), StepResult::kDone);
  Database opd = Opd();

  // A newer record of the same NHI code replaces the row; an older one is skipped; both leave
  // the source code that no row bears in [DUPMX].
  EXPECT_TRUE(HasLine("健保碼重複無覆寫:PARA,A000080100"));
  EXPECT_TRUE(HasLine("健保碼重複無覆寫:PANAOLD,AC45856100"));
  EXPECT_EQ(ReadProfileString(DataIni(), "DUPMX", "PARA"), "A000080100");
  EXPECT_EQ(ReadProfileString(DataIni(), "DUPMX", "PANAOLD"), "AC45856100");
  // The smoking-cessation drugs take the clinic's row of their code and give it the reference
  // name as Tname; the visits' CHAMP stays findable.
  EXPECT_EQ(MxRow(opd, "B023816100").Text("Tname"), "CHAMPIX FILM-COATED TABLETS 0.5MG");
  EXPECT_EQ(ReadProfileString(DataIni(), "DUPMX", "CHAMP"), "B023816100");
  {
    RecordSet para = MxRow(opd, "A000080100");
    EXPECT_EQ(para.Text("Tname"), "PARA2");
    EXPECT_EQ(para.Text("UseMethod"), "QID");
    EXPECT_EQ(para.Integer("RateIndex"), 4000);
    EXPECT_EQ(para.Text("ChangetoMXcode"), "1070101");
    EXPECT_EQ(para.Text("ChangetoMXname"), "PO");
    EXPECT_EQ(para.Currency("INSUprice"), 7400);  // 0.74 from the reference
    EXPECT_EQ(para.Currency("selfprice"), 7400);  // the source's 0 takes the NHI price
    EXPECT_EQ(para.Currency("cost"), 5000);
    EXPECT_EQ(para.Text("class"), "oral");
    EXPECT_EQ(para.Text("Aname"), "ACETAMINOPHEN TABLETS 500MG");
    EXPECT_EQ(para.Text("Sname"), "PARA2");
    EXPECT_EQ(para.Text("DXtype"), B("錠劑"));
    EXPECT_EQ(para.Text("ATCcode"), "N02BE01");
    EXPECT_EQ(para.Text("StartDate"), "20150101");
    EXPECT_EQ(para.Text("indication"), B("飯後服用"));
  }
  // A known code without a row: a vaccine record becomes a row of its own, another is reported.
  EXPECT_EQ(MxRowOf(opd, "VXNEW").Text("INSUcode"), "XV0001C");
  EXPECT_TRUE(HasLine("找不到健保碼:CHAMP1,B023817100"));
  EXPECT_TRUE(HasLine("健保碼重複無覆寫:CHAMP1,B023817100"));
  EXPECT_TRUE(HasLine("健保碼重複無覆寫:FLU2,K000912210"));
  // The oral liquid sold by the bottle.
  {
    RecordSet syrup = MxRowOf(opd, "SYRUP");
    EXPECT_EQ(syrup.Integer("status"), 0x20);
    EXPECT_EQ(syrup.Integer("unit"), 2);
    EXPECT_EQ(syrup.Integer("perunit"), 4);
    EXPECT_EQ(syrup.Text("OralTablet"), "a1");
  }
  // Injection units from odd texts, and the one that is not understood.
  EXPECT_EQ(MxRowOf(opd, "INJ1").Integer("unit"), 5);
  EXPECT_EQ(MxRowOf(opd, "INJ2").Integer("unit"), 6);
  EXPECT_EQ(MxRowOf(opd, "INJ3").Integer("unit"), 2);
  EXPECT_EQ(MxRowOf(opd, "INJ4").Integer("unit"), 8);
  EXPECT_TRUE(HasLine("分類碼錯誤:04,XX,[INJ4]"));
  // Kinds "02"/"03" by unit text.
  EXPECT_EQ(MxRowOf(opd, "IBU").Text("class"), "inj");
  EXPECT_EQ(MxRowOf(opd, "IBU").Text("UseMethod"), "TID");
  EXPECT_EQ(MxRowOf(opd, "PIRO").Text("class"), "topical");
  EXPECT_EQ(MxRowOf(opd, "PIRO").Text("ChangetoMXname"), "TOPI");
  EXPECT_EQ(MxRowOf(opd, "AMOX").Text("class"), "drop");
  EXPECT_EQ(MxRowOf(opd, "AZI").Text("class"), "oral");  // material, then back to a drug
  // Surgery range and the surgery codes.
  EXPECT_EQ(MxRowOf(opd, "FEMUR").Text("class"), "operate");
  EXPECT_EQ(MxRowOf(opd, "INTUB").Text("class"), "OPD");
  EXPECT_EQ(MxRowOf(opd, "EXCIS").Text("class"), "operate");
  EXPECT_GT(opd.Query("select * from PCS where INSUcode='64028C'").RecordCount(), 0u);
  {
    RecordSet femur = MxRowOf(opd, "FEMUR");
    EXPECT_EQ(femur.Text("StartDate"), "0910501");
    EXPECT_EQ(femur.Text("EndDate"), "9991231");
    EXPECT_EQ(femur.Currency("INSUprice"), 11000 * 10000LL);
  }
  // Material: Cname from the source, dates without slashes.
  {
    RecordSet foley = MxRowOf(opd, "FOLEY");
    EXPECT_EQ(foley.Text("class"), "material");
    EXPECT_EQ(foley.Text("Cname"), B("導尿管"));
    EXPECT_EQ(foley.Text("StartDate"), "1000101");
    EXPECT_EQ(foley.Currency("selfprice"), 150 * 10000LL);
  }
  // Rows made from the source alone.
  {
    RecordSet self1 = MxRowOf(opd, "SELF1");
    EXPECT_EQ(self1.Text("INSUcode"), "SE00000001");
    EXPECT_EQ(self1.Integer("status"), 2);
    EXPECT_EQ(self1.Currency("INSUprice"), 0);
    EXPECT_EQ(self1.Currency("selfprice"), 5 * 10000LL);
    RecordSet self2 = MxRowOf(opd, "SELF2");
    EXPECT_EQ(self2.Text("INSUcode"), "SE00000002");
    EXPECT_EQ(self2.Text("Cname"), B("自費保健品"));
  }
  // Frequencies: unknown, and mended through [UseMethodFix].
  EXPECT_TRUE(HasLine("不明使用頻率:一天兩回"));
  EXPECT_EQ(MxRowOf(opd, "ODDFREQ").Integer("RateIndex"), 0);
  EXPECT_EQ(MxRowOf(opd, "FIXFREQ").Text("UseMethod"), "TIDPC");
  EXPECT_EQ(MxRowOf(opd, "FIXFREQ").Integer("RateIndex"), 3000);
  // Records that are not orders.
  EXPECT_EQ(opd.Query("select * from MX where Tname in ('NOTE', '****')").RecordCount(), 0u);
  EXPECT_TRUE(HasLine("分類碼錯誤:77,紙盒,[ODDK2]"));
  EXPECT_FALSE(HasLine("分類碼錯誤:31,空白,[00012B]"));
  // Missing orders, consultation fees.
  EXPECT_EQ(MxRow(opd, "A041566100").Text("class"), "oral");
  EXPECT_TRUE(HasLine("安裝遺漏醫令找不到健保碼:NOSUCH1"));
  EXPECT_EQ(MxRow(opd, "00109C").Currency("INSUprice"), 352 * 10000LL);
  EXPECT_EQ(MxRow(opd, "00109C").Integer("unit"), 8);
  EXPECT_EQ(opd.Query("select * from MX where INSUcode='01036C'").RecordCount(), 0u);

  // Diagnoses.
  RecordSet dx = opd.Query("select * from DX where refText='' order by ICD10");
  std::vector<std::string> names;
  for (dx.First(); !dx.Eof(); dx.Next()) {
    if (!dx.Boolean("common")) names.push_back(dx.Text("ICD10") + "=" + dx.Text("Sname"));
  }
  EXPECT_THAT(names, Contains("J00=" + B("感冒")));
  EXPECT_THAT(names, Contains("J069=J069" + B("感冒")));
  EXPECT_THAT(names, Contains("I10=" + B("高血壓")));
  EXPECT_THAT(names, Contains("E785=" + B("高血脂's")));
  EXPECT_EQ(std::count_if(names.begin(), names.end(),
                          [](const std::string& n) { return n.starts_with("E119="); }),
            1);
  EXPECT_THAT(names, Not(Contains(HasSubstr("ZZZ99"))));
  {
    RecordSet j069 = opd.Query("select * from DX where ICD10='J069'");
    j069.First();
    EXPECT_EQ(j069.Integer("status"), 1);
    EXPECT_EQ(j069.Text("Scode"), "460");
    EXPECT_TRUE(j069.Boolean("bList"));
  }

  // Packages.
  EXPECT_EQ(MxRow(opd, "A2051C").Text("class2"), "vaccine");
  EXPECT_EQ(MxRow(opd, "A2051C").Currency("INSUprice"), 100 * 10000LL);
  EXPECT_EQ(MxRow(opd, "V0018V").Integer("status"), 8);
  EXPECT_EQ(MxRow(opd, "B020431321").Integer("status"), 0x2000);
  EXPECT_EQ(MxRow(opd, "B020431321").Text("class"), "topical");
  EXPECT_EQ(MxRow(opd, "E1009D").Integer("common"), 0);
  EXPECT_EQ(MxRow(opd, "E1006C").Integer("common"), -1);
  {
    Database personal = Database::Open(Corvix() / "PERSONAL.mdb");
    EXPECT_EQ(personal.Query("select * from MXset").RecordCount(), 2u);
    RecordSet sets = personal.Query("select * from MXset where setName=?", {B("公費流感疫苗接種")});
    ASSERT_EQ(sets.RecordCount(), 1u);
    sets.First();
    EXPECT_EQ(sets.Text("owner"), "NA");
    RecordSet items =
        personal.Query("select * from MXquick where classID=?", {sets.Integer("classID")});
    EXPECT_EQ(items.RecordCount(), 2u);
  }

  // Settings, staff, messages.
  fs::path corvix_ini = Corvix() / "CORVIX.INI";
  EXPECT_EQ(ReadProfileString(corvix_ini, "System", B("診所名稱")), clinic_.name);
  EXPECT_EQ(ReadProfileString(corvix_ini, "System", B("診所健保代碼")), clinic_.code);
  EXPECT_EQ(ReadProfileString(corvix_ini, "System", B("診所電話")), "02-2345-6789");
  EXPECT_EQ(ReadProfileString(corvix_ini, "System", B("就醫科別")), B("小兒科"));
  EXPECT_EQ(ReadProfileString(corvix_ini, "Corvix", "HostName"), ComputerName());
  EXPECT_EQ(ReadProfileString(corvix_ini, B("自訂處置分類2"), "CmxFun8"), "vaccine");
  EXPECT_EQ(ReadProfileString(corvix_ini, B("更新檢測除外醫令"), "B023816100"), "Y");
  EXPECT_EQ(ReadProfileString(DataIni(), "system", "ClinicTypeNo"), "04");
  EXPECT_EQ(ReadProfileString(DataIni(), "DOCTOR", B("王大明")), "A123456789");

  MemoryTable staff = LoadStaffFile(ServerDataFolder(work_tree_, clinic_.code) / "MEMBER.SCR");
  ASSERT_EQ(staff.RecordCount(), 2u);
  staff.First();
  EXPECT_EQ(staff.Text("ID"), "A123456789");
  EXPECT_EQ(staff.Text("NAME"), B("王大明"));
  EXPECT_EQ(staff.Text("ID_level"), "DP0AAA");
  EXPECT_EQ(staff.Text("ID_PASSWORD"), "3817");
  EXPECT_EQ(staff.Text("department3"), "04");
  EXPECT_EQ(staff.Text("SEX"), "M");
  EXPECT_DOUBLE_EQ(staff.Number("Birthday"), RocDateToDate("0550817"));
  staff.Next();
  EXPECT_EQ(staff.Text("ID"), "B223456789");
  EXPECT_EQ(staff.Text("ID_level"), "P00AAA");
  EXPECT_EQ(staff.Text("SEX"), "F");

  const auto& lines = context_.lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "設定診所基本資料");
  EXPECT_THAT(lines[1], ::testing::MatchesRegex("begin time[0-9][0-9]:[0-9][0-9]:[0-9][0-9]"));
  EXPECT_EQ(lines[2], "製作OPD.MDB檔");
  EXPECT_EQ(lines[3], "製作新的診斷處置資料庫");
  EXPECT_TRUE(HasLine("案件分類套件安裝"));
  EXPECT_TRUE(HasLine("診斷處置資料庫OPD.mdb製作完成"));
  EXPECT_FALSE(HasLine("***無藥師紀錄***"));
  EXPECT_THAT(context_.MessageTexts(), ElementsAre("診所基本資料及處置資料庫OPD.mdb完成"));
  EXPECT_THAT(context_.elapsed_label(), HasSubstr("耗時: "));
}

TEST_F(VisionOrdersStepTest, OriginalNamesAreMadeUnique) {
  input_.short_names = ShortNameSource::kOriginalName;
  ASSERT_EQ(BuildVisionClinicAndOrders(input_, place_, context_), StepResult::kDone);
  Database opd = Opd();
  // AC45856100 and AC45856151 are both PANADOL in the reference catalogue.
  EXPECT_EQ(MxRowOf(opd, "PANA").Text("Sname"), "Panadol");
  EXPECT_EQ(MxRowOf(opd, "PANA2").Text("Sname"), "Panadol01");
  EXPECT_EQ(MxRowOf(opd, "SELF2").Text("Sname"), B("自費保健品"));
}

TEST_F(VisionOrdersStepTest, AnotherSystemStopsBeforeWriting) {
  input_.folder.his = B("耀聖");
  EXPECT_EQ(BuildVisionClinicAndOrders(input_, place_, context_), StepResult::kStopped);
  EXPECT_THAT(context_.MessageTexts(), ElementsAre("請先選取正確展望來源目錄"));
  EXPECT_FALSE(fs::exists(Corvix() / "OPD.mdb"));
  EXPECT_TRUE(context_.lines().empty());
}

TEST_F(VisionOrdersStepTest, AFileThatCannotBeReplacedStopsTheStep) {
  fs::create_directories(Corvix() / "OPD.mdb" / "held");
  try {
    BuildVisionClinicAndOrders(input_, place_, context_);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_THAT(error.what(), HasSubstr("無法刪除舊檔"));
    EXPECT_THAT(error.what(), HasSubstr("OPD.mdb"));
  }
}

TEST_F(VisionOrdersStepTest, PreparedFilesOfTheClinicFolderAreUsed) {
  ASSERT_EQ(BuildVisionClinicAndOrders(input_, place_, context_), StepResult::kDone);
  // Prepared catalogue, settings and staff file: two pharmacists, the main doctor named.
  CopyFileTo(Corvix() / "OPD.mdb", clinic_folder_ / "OPD.mdb", true);
  Database::Open(clinic_folder_ / "OPD.mdb").Execute("delete from MX where Tname='PARA2'");
  CopyFileTo(Corvix() / "PERSONAL.mdb", clinic_folder_ / "PERSONAL.MDB", true);
  WriteFileBytes(clinic_folder_ / "CORVIX.INI", B("[System]\r\n就醫科別=內科\r\n"));
  {
    MemoryTable staff = DefineStaffTable();
    AddConvertedStaffMember(staff, {"A111111111", "Dr A", "1", "DP0AAA", "", 0}, 45000);
    AddConvertedStaffMember(staff, {"P211111111", "Ph One", "1", "P00AAA", "", 0}, 45000);
    AddConvertedStaffMember(staff, {"P211111112", "Ph Two", "1", "P00AAA", "", 0}, 45000);
    SaveStaffFile(staff, clinic_folder_ / "MEMBER.SCR");
  }
  WriteProfileString(DataIni(), "system", "MainDrID", "A111111111");
  RecordingStepContext again(flags_);
  ASSERT_EQ(BuildVisionClinicAndOrders(input_, place_, again), StepResult::kDone);
  EXPECT_THAT(again.lines(), Not(Contains("製作OPD.MDB檔")));
  Database opd = Opd();
  EXPECT_EQ(opd.Query("select * from MX where Tname='PARA2'").RecordCount(), 0u);
  EXPECT_EQ(ReadProfileString(Corvix() / "CORVIX.INI", "System", B("就醫科別")), B("內科"));
  EXPECT_EQ(ReadProfileString(DataIni(), "system", "ClinicTypeNo"), "02");
  EXPECT_EQ(ReadProfileString(DataIni(), "system", "Pharmacistname"), "Ph One");
  EXPECT_EQ(ReadProfileString(DataIni(), "system", "PharmacistID2"), "P211111112");
  EXPECT_EQ(ReadProfileString(DataIni(), "DOCTOR", "Dr A"), "A111111111");
  MemoryTable staff = LoadStaffFile(ServerDataFolder(work_tree_, clinic_.code) / "MEMBER.SCR");
  ASSERT_EQ(staff.RecordCount(), 3u);  // the data.ini pharmacist is there: no record added
  staff.First();
  EXPECT_EQ(staff.Text("ID_level"), "DPMAAA");
  EXPECT_EQ(input_.folder.pharmacist_name, "Ph One");
}

// A prepared staff file that repeats an ID: the later record wins and is listed; the step goes
// on to its end.
TEST_F(VisionOrdersStepTest, APreparedStaffFileRepeatingAnIdIsTaken) {
  {
    MemoryTable staff = DefineStaffTable();
    AddConvertedStaffMember(staff, {"A111111111", "Dr A", "1", "DP0AAA", "", 0}, 45000);
    AddConvertedStaffMember(staff, {"P211111111", "Ph One", "1", "P00AAA", "", 0}, 45000);
    SaveStaffFile(staff, clinic_folder_ / "MEMBER.SCR");
  }
  std::string text;
  for (char c : testing::ReadFileBytes(clinic_folder_ / "MEMBER.SCR")) {
    if (c != '-' && c != '\r' && c != '\n') text += c;
  }
  std::string records = DecodeBase64(text);
  std::string again = records.substr(0, staff_record::kSize);
  again.replace(12, 4, "Dr B");  // NAME: length byte at 11, then the text
  WriteFileBytes(clinic_folder_ / "MEMBER.SCR", EncodeBase64(records + again) + "\r\n");

  ASSERT_EQ(BuildVisionClinicAndOrders(input_, place_, context_), StepResult::kDone);
  EXPECT_TRUE(HasLine("MEMBER.SCR身分證號重複,以後面的資料為準:A111111111"));
  EXPECT_EQ(ReadProfileString(DataIni(), "DOCTOR", "Dr B"), "A111111111");
  MemoryTable staff = LoadStaffFile(ServerDataFolder(work_tree_, clinic_.code) / "MEMBER.SCR");
  EXPECT_EQ(staff.RecordCount(), 2u);
}

// A missing order added through [安裝遺漏醫令] has no short name yet; when a package later renames
// it there is no old name to note.
TEST_F(VisionOrdersStepTest, AMissingOrderWithoutShortNameIsRenamedWithoutANote) {
  WriteProfileString(DataIni(), B("安裝遺漏醫令"), "E1006C", "OPD");
  ASSERT_EQ(BuildVisionClinicAndOrders(input_, place_, context_), StepResult::kDone);
  EXPECT_TRUE(HasLine("醫令沒有簡名,不記入[DUPMX]:E1006C"));
  for (const std::string& key : ProfileFile(DataIni()).KeyNames("DUPMX")) {
    EXPECT_FALSE(key.empty());
  }
  Database opd = Opd();
  EXPECT_FALSE(MxRow(opd, "E1006C").Text("Sname").empty());
}

// A drug name that is no Big5 (a lead byte before a blank) no longer ends the step on OPD.mdb:
// the row is kept with "？" and listed with the source table and row.
TEST_F(VisionOrdersStepTest, ADrugNameThatIsNoBig5IsKeptAndListed) {
  const fs::path table_file = *ResolvePath(source_, "CO09D.DBF");
  std::string bytes = testing::ReadFileBytes(table_file);
  {
    DbfTable table(table_file);
    const DbfField& name = table.Fields()[table.FieldIndex("DDESC")];
    const size_t first_record =
        static_cast<size_t>(static_cast<unsigned char>(bytes[8]) |
                            static_cast<unsigned char>(bytes[9]) << 8);  // the header length
    bytes.replace(first_record + name.offset, 6, "Ab\xA4 cd");
  }
  WriteFileBytes(table_file, bytes);
  ASSERT_EQ(BuildVisionClinicAndOrders(input_, place_, context_), StepResult::kDone);
  const std::string listed = "字碼錯誤:" + PathToUtf8(table_file) + " 第1筆 DDESC:'Ab\\xA4 cd";
  EXPECT_EQ(std::count_if(context_.lines().begin(), context_.lines().end(),
                          [&](const std::string& line) { return line.starts_with(listed); }),
            1)
      << ::testing::PrintToString(context_.lines());
}

TEST_F(VisionOrdersStepTest, PackagesRefreshRowsAndNoteRenames) {
  ASSERT_EQ(BuildVisionClinicAndOrders(input_, place_, context_), StepResult::kDone);
  size_t items_before = 0;
  {
    Database opd = Opd();
    opd.Execute("update MX set Sname='OLDNAME' where INSUcode='A2051C'");
    items_before =
        Database::Open(Corvix() / "PERSONAL.mdb").Query("select * from MXquick").RecordCount();
  }
  RecordingStepContext again(flags_);
  InstallOrderPackages({program_->path(), work_tree_, clinic_folder_}, again);
  Database opd = Opd();
  EXPECT_EQ(MxRow(opd, "A2051C").Text("Sname"), B("小兒疫苗接種處置費"));
  EXPECT_EQ(ReadProfileString(DataIni(), "DUPMX", "OLDNAME"), "A2051C");
  EXPECT_EQ(ReadProfileString(DataIni(), "DUPMX", B("小兒疫苗接種處置費(低)")), "");
  EXPECT_EQ(opd.Query("select * from DX where ICD10='Z23'").RecordCount(), 1u);
  Database personal = Database::Open(Corvix() / "PERSONAL.mdb");
  EXPECT_EQ(personal.Query("select * from MXset").RecordCount(), 2u);
  EXPECT_EQ(personal.Query("select * from MXquick").RecordCount(), items_before);
  EXPECT_GT(items_before, 0u);
}

TEST_F(VisionOrdersStepTest, WorkTreeSelectionIsReadBack) {
  WriteProfileString(DataIni(), "system", "Pharmacistname", B("林藥師"));
  RunFields fields = ReadWorkTree(VisionPipeline(), program_->path(), work_tree_, source_);
  EXPECT_EQ(fields.folder.work_tree, work_tree_ / "");
  EXPECT_EQ(fields.folder.clinic_id, clinic_.code);
  EXPECT_EQ(fields.folder.clinic_name, clinic_.name);
  EXPECT_EQ(fields.folder.his, B("展望"));
  EXPECT_EQ(fields.folder.pharmacist_name, B("林藥師"));
  EXPECT_EQ(fields.chart.split_date, "1070101") << "the window's default without a record";
  EXPECT_THROW(ReadWorkTree(VisionPipeline(), program_->path(), temp_.path() / "none", source_),
               Error);
}

}  // namespace
}  // namespace zuvo
