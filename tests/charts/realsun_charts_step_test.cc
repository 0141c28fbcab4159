#include "charts/realsun_charts_step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "core/chart_store.h"
#include "core/patient_store.h"
#include "core/store_verify.h"
#include "delivered_program.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "realsun_entries.h"
#include "source_tables.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::F32At;
using testing::F64At;
using testing::I16At;
using testing::I32At;
using testing::RawEntry;
using testing::ReadFileBytes;
using testing::SourceRow;
using testing::TempDir;
using testing::TextAt;
using testing::WriteFileBytes;
using testing::WriteSourceTable;

constexpr char kClinicCode[] = "3501010099";

const fs::path& ProgramFolder() { return testing::DeliveredProgramFolder(); }

std::vector<std::string> VisitColumns() {
  std::vector<std::string> columns = {"CODE_F", "DATE",  "TYPE",      "BP",   "DORNAME", "DESC1",
                                      "DESC2",  "DESC3", "SICK_CODE", "SIC2", "SIC3"};
  for (int k = 1; k <= 28; ++k) {
    for (const char* field : {"DRUG", "NO", "PS", "QTY"})
      columns.push_back(field + std::to_string(k));
  }
  return columns;
}

const std::vector<std::string> kClaimColumns = {
    "CODE", "REQ",      "TRANSOUT", "BACK6",      "DAYS",  "H_TYPE", "KIND",
    "CARD", "PAY_CODE", "TYPE",     "DATE_SERNO", "CARD1", "S_DAYS"};
const std::vector<std::string> kUploadColumns = {
    "CODE_F", "DATETIME", "DATE", "TIME", "NEWBD", "NEWB", "NO", "PARENT_N", "ID", "PARENT_B"};

// A claim row of patient part `code` and visit part `req`.
SourceRow Claim(std::string code, std::string req, std::string kind, std::string card,
                std::string pay = "D10", std::string days = "3") {
  return {{"CODE", code},    {"REQ", req},   {"KIND", kind},  {"CARD", card},
          {"PAY_CODE", pay}, {"DAYS", days}, {"H_TYPE", "04"}};
}

DateTime Day(int year, int month, int day) { return *EncodeDate(year, month, day); }

class RealSunChartsStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clinic_folder = ClinicFolder(program, kRealSunArea, kClinicCode);
    fs::remove_all(clinic_folder);
    work_tree = clinic_folder / "1100601_1";
    CreateWorkTree(work_tree);
    store.server_data_folder = ServerDataFolder(work_tree, kClinicCode);
    store.patient_index_path = work_tree / "Tolsern" / "PTdata.ind";
    fs::create_directories(store.server_data_folder);
    WriteDataIni("");
    // Patients 1..8; 9 is a newborn the patient step kept under its mother, patient 3.
    for (int32_t number = 1; number <= 8; ++number) {
      PatientRecord record;
      record.Set(patient_field::kNumber, number);
      record.Set(patient_field::kNationalId,
                 number == 3 ? "F223456789" : "A10000000" + std::to_string(number));
      record.Set(patient_field::kSex, 'M');
      WritePatient(store, record, "");
    }
    ASSERT_TRUE(CopyFileTo(program / "OPDbak.mdb", work_tree / "Corvix" / "OPD.mdb", true));
    ASSERT_TRUE(CopyFileTo(program / "CORVIX.INI", work_tree / "Corvix" / "CORVIX.INI", true));
    Database opd = Database::Open(work_tree / "Corvix" / "OPD.mdb");
    opd.Execute("delete from MX");
    auto mx = [&](std::string tname, std::string code, std::string kind, double price,
                  int64_t status = 0, int64_t unit = 8, std::string p2 = "", std::string p24 = "",
                  std::string dx_type = "", std::string mark = "") {
      opd.Execute(
          "insert into MX (Tname, INSUcode, class, Sname, Scode, Ocode, cost, INSUprice, "
          "selfprice, status, unit, p2, p24, DXtype, INSUmark) "
          "values (?, ?, ?, ?, 'S1', 'O1', ?, ?, ?, ?, ?, ?, ?, ?, ?)",
          {tname, code, kind, "N-" + tname, Currency{10000}, Currency{std::llround(price * 10000)},
           Currency{1500000}, status, unit, p2, p24, big5::FromUtf8(dx_type), mark});
    };
    mx("PANA", "A000111100", "oral", 2, 0, 1, "a", "N123456789");
    mx("SYR", "A000222100", "oral", 30, 0x20, 2);
    mx("SUPP", "A000333100", "topical", 3, 0, 1, "", "", "栓劑");
    mx("OP1", "48001C", "operate", 100);
    mx("REF", "01036C", "OPD", 100);
    mx("FEE", "00109C", "OPD", 200, 0, 8, "0", "X1", "", "F");
    mx("CHK", "21+L1001C", "OPD", 500);
    mx("P25", "25", "OPD", 600, 0, 8, "0", "ST00000025");
    mx("P26", "26", "OPD", 300);
    opd.Execute("delete from DX");
    opd.Execute("insert into DX (refText, ICD10, Sname, Scode) values ('URI', 'J069', ?, 'A1')",
                {big5::FromUtf8("急性上呼吸道感染")});

    source = dir / "source";
    fs::create_directories(source / "S");
    fs::create_directories(source / "Z");
    fs::create_directories(source / "IC");
    // PATDB.DBF: row n is chart number n (row 1 is never a patient).
    std::vector<SourceRow> people(9);
    auto born = [&](int n, std::string birth, std::string sex) {
      people[n - 1] = {{"NAME", "p" + std::to_string(n)}, {"BIRTH", birth}, {"SEX", sex}};
    };
    born(2, "600101", "+");
    born(4, "A60110", "+");  // 2017-01-10: a year old in 2018
    born(5, "A81115", "");   // 2019-11-15: no infant in February 2020
    born(6, "A90105", "");   // 2020-01-05: an infant in March 2020
    born(7, "990311", "");
    born(9, "990301", "+");
    WriteSourceTable(source / "S" / "PATDB.DBF", {"NAME", "BIRTH", "SEX"}, people, 20);
    WriteSourceTable(
        source / "Z" / "SICK.DBF", {"CODE", "ENG_NAME", "ICD", "S_CODE"},
        {{{"CODE", "S1"}, {"ENG_NAME", "Old name"}, {"ICD", "4659"}, {"S_CODE", "B2"}},
         {{"CODE", "S2"}, {"ENG_NAME", "Gastritis"}, {"ICD", "5359"}, {"S_CODE", "C3"}},
         {{"CODE", "S3"}, {"ENG_NAME", "Bad fix"}, {"ICD", "1"}}});

    input.folder.his = big5::Literal("耀聖");
    input.folder.source_folder = source;
    input.folder.work_tree = work_tree;
    input.folder.clinic_id = kClinicCode;
    input.chart.split_date = "0990101";
    place.program_folder = program;
    place.now = *EncodeDateTime({2021, 6, 1, 12, 0, 0, 0});
    place.clock = [now = place.now] { return now; };
    flags.SetStepMessages(true);
  }

  void WriteDataIni(const std::string& extra) {
    WriteFileBytes(
        clinic_folder / "data.ini",
        big5::FromUtf8("[system]\r\n開業日期=0990101\r\nPharmacistName=李藥師\r\n"
                       "PharmacistID=B223456789\r\nClinicTypeNo=04\r\n" +
                       extra +
                       "[DOCTOR]\r\n王大明=A123456789\r\n陳醫師=C100000001\r\n"
                       "[DUPID]\r\n9=3\r\n[DXfix]\r\nOld name=J069\r\nBad fix=X999\r\n"));
  }

  void WriteVisits(const fs::path& file, const std::vector<SourceRow>& rows) {
    WriteSourceTable(file, VisitColumns(), rows, 24);
  }

  StepResult Run() { return ConvertRealSunCharts(input, place, context); }
  // Runs the conversion, which must complete, and reads the entries back.
  std::vector<RawEntry> Converted() {
    EXPECT_EQ(Run(), StepResult::kDone);
    return Entries();
  }

  std::vector<RawEntry> Entries() {
    return testing::RawEntries(ReadFileBytes(ChartFilePath(store, 0)));
  }
  // The entry of `patient` on `day`.
  const RawEntry& At(const std::vector<RawEntry>& entries, int32_t patient, DateTime day) {
    for (const RawEntry& entry : entries) {
      if (I32At(entry.visit, 0) == patient && std::trunc(F64At(entry.visit, 80)) == day) {
        return entry;
      }
    }
    ADD_FAILURE() << "no entry of patient " << patient << " on " << RocDate(day);
    static const RawEntry none{std::string(56, '\0'), std::string(292, '\0'), {}, {}, {}, false};
    return none;
  }
  bool Listed(const std::string& line) const {
    return std::find(context.lines().begin(), context.lines().end(), line) != context.lines().end();
  }

  const fs::path& program = ProgramFolder();
  TempDir dir;
  fs::path clinic_folder, work_tree, source;
  StoreLocation store;
  RealSunChartInput input;
  Workplace place;
  RunFlags flags;
  RecordingStepContext context{flags};
};

std::string Utf8(const std::string& big5) { return big5::ToUtf8(big5); }

// A slot's four fields.
void Slot(SourceRow& row, int k, std::string drug, std::string usage = "", std::string days = "",
          std::string quantity = "1") {
  const std::string n = std::to_string(k);
  row["DRUG" + n] = drug;
  row["NO" + n] = usage;
  row["PS" + n] = days;
  row["QTY" + n] = quantity;
}

SourceRow Visit(std::string code_f, std::string date, std::string doctor = "王大明") {
  return {{"CODE_F", code_f}, {"DATE", date}, {"DORNAME", doctor}};
}

// The clinic of the conversion tests: every rule has a visit (see the comments for what each
// one carries).
class RealSunClinicTest : public RealSunChartsStepTest {
 protected:
  void SetUp() override {
    RealSunChartsStepTest::SetUp();
    // Year 99: plut1.dbf.
    SourceRow v1 = Visit("000001001", "990315");
    v1["DESC1"] = "cough";
    v1["DESC2"] = "runny nose 100";
    v1["DESC3"] = "fever,004IC";
    v1["SICK_CODE"] = "URI";
    v1["SIC2"] = "S1";
    v1["SIC3"] = "HEA";
    Slot(v1, 1, "PANA", "TIDX", "3", "2");
    Slot(v1, 2, "SUPP", "QDS", "2", "1");
    SourceRow v2 = Visit("000002001", "990316", "林醫師");
    v2["TYPE"] = "1";
    Slot(v2, 1, "OP1");
    SourceRow v3 = Visit("000002002", "990316", "護士小姐");
    v3["TYPE"] = "A";
    SourceRow v8 = Visit("000003001", "990324", "耀 聖");
    v8["SICK_CODE"] = "S3";
    v8["SIC2"] = "QQQ9";
    v8["SIC3"] = "S2";
    WriteVisits(source / "Z" / "plut1.dbf",
                {v1, v2, v3, Visit("000009001", "990320"), Visit("000007001", "990322"),
                 Visit("ABC123001", "990323"), Visit("000099001", "990323"), v8});
    SourceRow newborn_claim = Claim("000009", "001", "01", "0001", "903", "0");
    WriteSourceTable(
        source / "S" / "xp9903.DBF", kClaimColumns,
        {Claim("000001", "001", "01", "0005"), newborn_claim,
         Claim("000007", "001", "01", "0001", "903", "0"), Claim("000003", "001", "01", "0002")});
    WriteSourceTable(source / "IC" / "ic9903.dbf", kUploadColumns,
                     {{{"CODE_F", "000001001"}, {"DATETIME", "0990315093000"}},
                      {{"CODE_F", "000009001"},
                       {"DATETIME", "0990320100000"},
                       {"NEWBD", "0990301"},
                       {"NEWB", "2"},
                       {"NO", "1"},
                       {"PARENT_N", "陳媽媽"},
                       {"ID", "F223456789"},
                       {"PARENT_B", "0700101"}},
                      {{"CODE_F", "000007001"},
                       {"DATE", "0990322"},
                       {"TIME", "110000"},
                       {"NEWBD", "0990310"},
                       {"NEWB", "1"},
                       {"NO", "1"},
                       {"PARENT_N", "李爸爸"},
                       {"ID", "A199999999"},
                       {"PARENT_B", "0650505"}}});

    // Years 107 to 110: plut2.dbf.
    SourceRow v5 = Visit("000004001", "A70305");
    Slot(v5, 1, "OP1");
    Slot(v5, 2, "REF");
    SourceRow v6 = Visit("000004002", "A70410");
    Slot(v6, 1, "OP1");
    SourceRow v7 = Visit("000005001", "A90210");
    Slot(v7, 1, "FEE");
    SourceRow v8b = Visit("000006001", "A90305");
    Slot(v8b, 1, "FEE");
    SourceRow v9 = Visit("000001002", "A90215");
    v9["SICK_CODE"] = "URI";
    SourceRow v13 = Visit("000001004", "A90225");
    v13["DESC2"] = "stomach ache Y";
    Slot(v13, 1, "ZZZ");
    Slot(v13, 2, "PANA", "STAT", "1", "2");
    Slot(v13, 3, "PANA", "ZZZZ", "2", "1");
    for (int k = 4; k <= 27; ++k) Slot(v13, k, "PANA", "TID", "3", "1");
    Slot(v13, 28, "A303", "BID", "3", "6");
    SourceRow v19 = Visit("000008001", "A90301");
    Slot(v19, 1, "CHK");
    WriteVisits(source / "Z" / "plut2.dbf",
                {v5, v6, v7, v8b, v9, Visit("000001003", "A90220"), Visit("000002003", "A90221"),
                 Visit("000002004", "A90222"), v13, Visit("000001005", "A90601"),
                 Visit("000001006", "B00701"), v19, Visit("000008002", "A90302")});
    SourceRow referred = Claim("000004", "001", "02", "IC25", "D10", "0");
    referred["TRANSOUT"] = "Y";
    referred["BACK6"] = "0132010014";
    WriteSourceTable(source / "S" / "xp10703.DBF", kClaimColumns, {referred});
    WriteSourceTable(source / "S" / "xp10704.DBF", kClaimColumns,
                     {Claim("000004", "002", "01", "IC26")});
    SourceRow refill = Claim("000001", "002", "08", "IC02", "D10", "28");
    refill["S_DAYS"] = "84";
    refill["DATE_SERNO"] = "A90115";
    refill["CARD1"] = "IC02";
    SourceRow e1 = Claim("000001", "003", "E1", "XA01", "D10", "7");
    e1["S_DAYS"] = "14";
    WriteSourceTable(source / "S" / "xp10902.DBF", kClaimColumns,
                     {Claim("000005", "001", "01", "0001"), refill, e1,
                      Claim("000002", "003", "04", "0002", "001", "0"),
                      Claim("000002", "004", "10", "0003"), Claim("000001", "004", "01", "0005")});
    std::vector<std::string> without_card1 = kClaimColumns;
    without_card1.erase(std::find(without_card1.begin(), without_card1.end(), "CARD1"));
    SourceRow chronic = Claim("000006", "001", "08", "0003", "D10", "28");
    chronic["S_DAYS"] = "56";
    chronic["DATE_SERNO"] = "A90105";
    WriteSourceTable(
        source / "S" / "xp10903.DBF", without_card1,
        {chronic, Claim("000008", "001", "01", "IC21"), Claim("000008", "002", "01", "IC85")});
    WriteSourceTable(source / "S" / "xp11007.DBF", kClaimColumns, {});
    WriteSourceTable(source / "IC" / "ic10901.dbf", kUploadColumns,
                     {{{"CODE_F", "000005000"}, {"DATETIME", "1090105090000"}}});
    WriteSourceTable(source / "IC" / "ic10902.dbf", kUploadColumns,
                     {{{"CODE_F", "000005001"}, {"DATETIME", "1090211153000"}}});
  }

  std::string SourceFile(const std::string& name) { return PathToUtf8(source / name); }
};

DateTime Moment(int year, int month, int day, int hour, int minute) {
  return *EncodeDateTime({year, month, day, hour, minute, 0, 1});
}

TEST_F(RealSunClinicTest, VisitRecordsAtTheirOffsets) {
  ASSERT_EQ(Run(), StepResult::kDone);
  StoreVerifyReport report = VerifyStore(store);
  EXPECT_TRUE(report.clean()) << report.findings[0].where << ": " << report.findings[0].problem;
  const std::vector<RawEntry> entries = Entries();
  EXPECT_EQ(entries.size(), 17u);

  // Claimed, timed by its card upload; the row's own date and the upload agree.
  const RawEntry& v1 = At(entries, 1, Day(2010, 3, 15));
  const std::string& r = v1.visit;
  EXPECT_EQ(TextAt(r, 4), "0005");
  EXPECT_EQ(TextAt(r, 9), "0000");
  EXPECT_EQ(Utf8(TextAt(r, 36)), "王大明");
  EXPECT_EQ(TextAt(r, 47), "A123456789");
  EXPECT_EQ(Utf8(TextAt(r, 58)), "李藥師");
  EXPECT_EQ(TextAt(r, 69), "B223456789");
  for (size_t offset : {80, 88, 96}) EXPECT_EQ(F64At(r, offset), Moment(2010, 3, 15, 9, 30));
  EXPECT_EQ(r[104], '3');
  EXPECT_EQ(TextAt(r, 105), "D10");
  EXPECT_EQ(I16At(r, 109), 0x1001);
  EXPECT_EQ(I16At(r, 111), 0);
  EXPECT_EQ(I16At(r, 115), 100);
  EXPECT_EQ(I16At(r, 117), 50);
  EXPECT_EQ(I32At(r, 135), 6);  // the suppository 3 × 2; the free tablets earn nothing
  EXPECT_EQ(I32At(r, 139), 6);
  EXPECT_EQ(TextAt(r, 151), "04");
  EXPECT_EQ(r[154], '0');
  EXPECT_EQ(TextAt(r, 155), "01");
  EXPECT_EQ(r[170], '4');
  EXPECT_EQ(TextAt(r, 171), "01");
  EXPECT_EQ(std::string(r.data() + 174, 3), "110");
  EXPECT_EQ(TextAt(r, 179), "         ");
  EXPECT_EQ(I16At(r, 209), 3);
  EXPECT_EQ(r[227], ' ');
  EXPECT_EQ(TextAt(r, 255), "1");
  EXPECT_EQ(r[260], 'A');
  EXPECT_EQ(r[261], '0');
  EXPECT_EQ(I32At(v1.header, 12), 1);

  // No claim row, TYPE "1": self-paying VA visit of the clinic's department; an unknown
  // doctor is replaced by the first one and noted once.
  const RawEntry& v2 = At(entries, 2, Day(2010, 3, 16));
  EXPECT_EQ(TextAt(v2.visit, 4), "SELF");
  EXPECT_EQ(Utf8(TextAt(v2.visit, 36)), "王大明");
  EXPECT_EQ(v2.visit[104], '0');
  EXPECT_EQ(TextAt(v2.visit, 105), "000");
  EXPECT_EQ(I16At(v2.visit, 117), 0);
  EXPECT_EQ(TextAt(v2.visit, 151), "04");
  EXPECT_EQ(TextAt(v2.visit, 155), "VA");
  EXPECT_EQ(TextAt(v2.visit, 171), "AC");
  EXPECT_EQ(input.unknown_doctors, std::vector<std::string>{big5::FromUtf8("林醫師")});
  // TYPE "A" without BP: three days without card.
  const RawEntry* v3 = nullptr;
  for (const RawEntry& entry : entries) {
    if (I32At(entry.visit, 0) == 2 && TextAt(entry.visit, 4) == "A900") v3 = &entry;
  }
  ASSERT_NE(v3, nullptr);
  EXPECT_EQ(I16At(v3->visit, 111), 1);
  EXPECT_EQ(I16At(v3->visit, 209), 3);
  EXPECT_EQ(TextAt(v3->visit, 105), "D10");
  EXPECT_EQ(I16At(v3->visit, 117), 50);
  EXPECT_EQ(TextAt(v3->visit, 151), "");
  EXPECT_EQ(I16At(v3->visit, 109), 0x1001) << "a second visit the same day is no return visit";

  // Chronic refills: the first prescription's date, CARD1 and the dispensing number.
  const RawEntry& v9 = At(entries, 1, Day(2020, 2, 15));
  EXPECT_EQ(TextAt(v9.visit, 155), "08");
  EXPECT_EQ(TextAt(v9.visit, 4), "IC02");
  EXPECT_EQ(v9.visit[154], '3');
  EXPECT_EQ(I16At(v9.visit, 109), 0x1003);
  EXPECT_EQ(F64At(v9.visit, 211), Day(2020, 1, 15));
  EXPECT_EQ(TextAt(v9.visit, 228), "IC02");
  EXPECT_EQ(TextAt(v9.diagnoses.at(0), 137), "J069") << "IC02 is no preventive-care service";
  const RawEntry& v8 = At(entries, 6, Day(2020, 3, 5));
  EXPECT_EQ(v8.visit[154], '2');
  EXPECT_EQ(I16At(v8.visit, 109), 0x1001);
  EXPECT_EQ(F64At(v8.visit, 211), Day(2020, 1, 5));
  EXPECT_EQ(TextAt(v8.visit, 228), "");
  EXPECT_TRUE(Listed("沒有CARD1欄位:" + SourceFile("S/xp10903.DBF")));
  // E1 with an X card, a repeated dispensing.
  const RawEntry& v10 = At(entries, 1, Day(2020, 2, 20));
  EXPECT_EQ(TextAt(v10.visit, 4), "F000");
  EXPECT_EQ(v10.visit[154], '2');
  EXPECT_EQ(I16At(v10.visit, 109), 0x3003);
  // "04" without days is "09"; "10" is "A3", whose co-payment is "009" and free.
  const RawEntry& v11 = At(entries, 2, Day(2020, 2, 21));
  EXPECT_EQ(TextAt(v11.visit, 155), "09");
  EXPECT_EQ(v11.visit[104], '9');
  EXPECT_EQ(I16At(v11.visit, 117), 0);
  const RawEntry& v12 = At(entries, 2, Day(2020, 2, 22));
  EXPECT_EQ(TextAt(v12.visit, 155), "A3");
  EXPECT_EQ(TextAt(v12.visit, 105), "009");
  EXPECT_EQ(v12.visit[104], '3');
  EXPECT_EQ(I16At(v12.visit, 115), 0);
  EXPECT_EQ(I16At(v12.visit, 117), 0);
  EXPECT_EQ(TextAt(v12.visit, 171), "AC");
  // An upload of another day gives the time only; an earlier upload makes a return visit.
  const RawEntry& v7 = At(entries, 5, Day(2020, 2, 10));
  EXPECT_EQ(F64At(v7.visit, 80), Moment(2020, 2, 10, 15, 30));
  EXPECT_EQ(v7.visit[260], 'B');
  EXPECT_EQ(I16At(v7.visit, 109), 0x1003);

  // The claim files of A-years, and rows listed and skipped.
  for (const std::string& line :
       {"病歷號錯誤:" + SourceFile("Z/plut1.dbf") + " 第6筆 CODE_F:ABC123001",
        std::string("病歷號過大:99>8"), "沒有申報檔,該月門診不轉:" + SourceFile("S/xp10906.DBF"),
        std::string("門診日期錯誤:000001 1100701"), std::string("開始寫入ANT.FDB"),
        std::string("病歷庫製作完成")}) {
    EXPECT_TRUE(Listed(line)) << line;
  }
  EXPECT_EQ(context.messages().back().text, "病歷庫製作完成");
  EXPECT_EQ(
      ReadProfileString(work_tree / "Corvix" / "CORVIX.INI", "System", big5::FromUtf8("切割日期")),
      "0990101");
}

TEST_F(RealSunClinicTest, ChartTextDiagnosesAndOrderLines) {
  const std::vector<RawEntry> entries = Converted();
  const RawEntry& v1 = At(entries, 1, Day(2010, 3, 15));
  EXPECT_EQ(v1.chart_text,
            "<CC><name>cough</name></CC><CC><name>runny nose</name></CC>"
            "<CC><name>fever</name></CC>");
  EXPECT_FALSE(v1.has_exam_text);
  // The clinic's own code, a SICK.DBF name corrected by [DXfix], a fixed legacy code.
  ASSERT_EQ(v1.diagnoses.size(), 3u);
  for (int i : {0, 1}) {
    EXPECT_EQ(TextAt(v1.diagnoses[i], 137), "J069");
    EXPECT_EQ(Utf8(TextAt(v1.diagnoses[i], 8)), "急性上呼吸道感染");
    EXPECT_EQ(TextAt(v1.diagnoses[i], 148), "A1");
    EXPECT_EQ(I16At(v1.diagnoses[i], 153), 6);
  }
  EXPECT_EQ(TextAt(v1.diagnoses[2], 137), "V202");
  EXPECT_EQ(Utf8(TextAt(v1.diagnoses[2], 8)), "嬰兒例行之健康檢查");
  EXPECT_EQ(I16At(v1.diagnoses[2], 153), 5);
  // A correction the clinic's list lacks drops the diagnosis; an unknown code is NOCODE named
  // by itself; SICK.DBF's own code and name.
  const RawEntry& v8 = At(entries, 3, Day(2010, 3, 24));
  ASSERT_EQ(v8.diagnoses.size(), 2u);
  EXPECT_EQ(TextAt(v8.diagnoses[0], 137), "NOCODE");
  EXPECT_EQ(TextAt(v8.diagnoses[0], 8), "QQQ9");
  EXPECT_EQ(I16At(v8.diagnoses[0], 153), 5);
  EXPECT_EQ(TextAt(v8.diagnoses[1], 137), "5359");
  EXPECT_EQ(TextAt(v8.diagnoses[1], 8), "Gastritis");
  EXPECT_EQ(TextAt(v8.diagnoses[1], 148), "C3");
  EXPECT_EQ(I16At(v8.diagnoses[1], 153), 5);
  EXPECT_TRUE(Listed("OPD.mdb找不到取代ICD10診斷:Bad fix 病歷號:3"));
  EXPECT_TRUE(Listed("OPD.mdb找不到ICD10診斷:QQQ9 病歷號:3"));
  EXPECT_EQ(I16At(v8.visit, 109), 0x1003);
  const RawEntry& v2 = At(entries, 2, Day(2010, 3, 16));
  ASSERT_EQ(v2.diagnoses.size(), 1u);
  EXPECT_EQ(TextAt(v2.diagnoses[0], 137), "NOCODE");
  EXPECT_EQ(TextAt(v2.diagnoses[0], 8), "[No Diagnosis]");
  EXPECT_EQ(I16At(v2.diagnoses[0], 153), 0);

  // Tablets marked free ("X"): 2 a day's dose for 3 days of TID → 6 tablets, 0.67 a dose.
  ASSERT_EQ(v1.orders.size(), 2u);
  const std::string& pana = v1.orders[0].first;
  EXPECT_EQ(TextAt(pana, 0), "A000111100");
  EXPECT_EQ(TextAt(pana, 13), "S1");
  EXPECT_EQ(TextAt(pana, 16), "O1");
  EXPECT_EQ(TextAt(pana, 26), "N-PANA");
  EXPECT_EQ(I16At(pana, 64), 67);
  EXPECT_EQ(TextAt(pana, 66), "tab");
  EXPECT_EQ(F32At(pana, 71), 3000.0f);
  EXPECT_EQ(TextAt(pana, 86), "TID");
  EXPECT_EQ(I16At(pana, 105), 10000);
  EXPECT_EQ(TextAt(pana, 107), "PO");
  EXPECT_EQ(I16At(pana, 114), 3);
  EXPECT_EQ(F32At(pana, 116), 6.0f);
  EXPECT_EQ(TextAt(pana, 120), "tab");
  EXPECT_EQ(F32At(pana, 127), 1.0f);
  EXPECT_EQ(F32At(pana, 131), 0.0f);
  EXPECT_EQ(I16At(pana, 142), 2);
  EXPECT_EQ(I16At(pana, 144), 8);
  EXPECT_EQ(F64At(pana, 146), Moment(2010, 3, 15, 9, 30));
  EXPECT_EQ(F64At(pana, 154), Moment(2010, 3, 15, 9, 30));
  EXPECT_EQ(F64At(pana, 166), Moment(2010, 3, 15, 9, 30)) << "stamped with the visit";
  EXPECT_EQ(pana[174], 'a');
  EXPECT_EQ(pana[175], '4');
  EXPECT_EQ(TextAt(pana, 176), "N123456789");
  EXPECT_EQ(pana[187], ' ');
  EXPECT_EQ(pana.substr(203, 2), "04");
  EXPECT_FALSE(v1.orders[0].second);
  // A suppository ground to powder ("S"), by tablets: RECT.
  const std::string& supp = v1.orders[1].first;
  EXPECT_EQ(TextAt(supp, 86), "QD");
  EXPECT_EQ(I16At(supp, 64), 100);
  EXPECT_EQ(TextAt(supp, 107), "RECT");
  EXPECT_EQ(F32At(supp, 116), 2.0f);
  EXPECT_EQ(F32At(supp, 131), 3.0f);
  EXPECT_EQ(I16At(supp, 142), 8);
  EXPECT_EQ(I16At(supp, 144), 0);
  EXPECT_EQ(supp[174], ' ');
  EXPECT_EQ(TextAt(supp, 176), "");
  EXPECT_EQ(Utf8(TextAt(supp, 205)), "磨粉");

  // A self-paying visit's surgery: the self-pay price, not counted; an adult's 153 %.
  const std::string& surgery = v2.orders.at(0).first;
  EXPECT_EQ(I16At(surgery, 144), 0x0402);
  EXPECT_EQ(F32At(surgery, 131), 150.0f);
  EXPECT_EQ(I16At(surgery, 105), 15300);
  EXPECT_EQ(Utf8(TextAt(surgery, 120)), "次(個)");
  EXPECT_EQ(TextAt(surgery, 107), "XX");
  EXPECT_EQ(TextAt(surgery, 66), "");
  EXPECT_EQ(I32At(v2.visit, 143), 0);

  // 28 filled slots: an unknown code listed once and skipped, STAT, an unreadable frequency
  // recorded in [UseMethodFix], a fixed drug.
  const RawEntry& full = At(entries, 1, Day(2020, 2, 25));
  EXPECT_EQ(full.chart_text, "<CC><name>stomach ache</name></CC>");
  ASSERT_EQ(full.orders.size(), 27u);
  EXPECT_TRUE(Listed("OPD.mdb找不到處置:[ZZZ] 1"));
  EXPECT_TRUE(Listed("不明使用頻率語法:[ZZZZ]"));
  EXPECT_EQ(ReadProfileString(clinic_folder / "data.ini", "UseMethodFix", "ZZZZ"), "X");
  const std::string& stat = full.orders[0].first;
  EXPECT_EQ(TextAt(stat, 86), "STAT");
  EXPECT_EQ(F32At(stat, 116), 2.0f);
  EXPECT_EQ(I16At(stat, 64), 200);
  EXPECT_EQ(TextAt(full.orders[1].first, 86), "ASORDER");
  EXPECT_EQ(F32At(full.orders[1].first, 71), 1000.0f);
  EXPECT_EQ(I16At(full.orders[2].first, 64), 33);
  const std::string& fixed = full.orders[26].first;
  EXPECT_EQ(TextAt(fixed, 0), "NOUSE00002");
  EXPECT_EQ(TextAt(fixed, 26), "Amoxicillin 500mg");
  EXPECT_EQ(F32At(fixed, 116), 18.0f);
  EXPECT_EQ(I16At(fixed, 64), 300);
  EXPECT_EQ(F32At(fixed, 131), 1.53f);
  // 2 × 2 + 2 × 2 + 24 × 2 × 3 + round(1.53 × 18 = 27.54).
  EXPECT_EQ(I32At(full.visit, 139), 4 + 4 + 144 + 28);
}

TEST_F(RealSunClinicTest, PreventiveCareStagesAndPercentages) {
  const std::vector<RawEntry> entries = Converted();
  // IC25 is written IC23 and remembered; the emergency visit's surgery for a one-year-old is
  // 233 % + 30 %; the referral line carries its institution; the stage's order is added.
  const RawEntry& first = At(entries, 4, Day(2018, 3, 5));
  EXPECT_EQ(TextAt(first.visit, 4), "IC23");
  EXPECT_EQ(TextAt(first.visit, 155), "02");
  ASSERT_EQ(first.diagnoses.size(), 1u);
  EXPECT_EQ(TextAt(first.diagnoses[0], 137), "Z008");
  EXPECT_EQ(Utf8(TextAt(first.diagnoses[0], 8)), "成人健檢");
  EXPECT_EQ(I16At(first.diagnoses[0], 153), 6);
  ASSERT_EQ(first.orders.size(), 3u);
  EXPECT_EQ(I16At(first.orders[0].first, 142), 64);
  EXPECT_EQ(I16At(first.orders[0].first, 105), 26300);
  const auto& [referral, remark] = first.orders[1];
  EXPECT_EQ(TextAt(referral, 0), "01036C");
  EXPECT_EQ(F32At(referral, 131), 0.0f);
  EXPECT_EQ(I16At(referral, 144), 0x0400) << "a referral form's zero price is no free line";
  EXPECT_EQ(I16At(referral, 142), 16 | 0x0200);
  ASSERT_TRUE(remark);
  EXPECT_EQ(Utf8(*remark), "<醫院><示範地區醫院><科別><醫師>< >< >< >< >");
  const std::string& preventive = first.orders[2].first;
  EXPECT_EQ(TextAt(preventive, 0), "25");
  EXPECT_EQ(TextAt(preventive, 26), "N-P25");
  EXPECT_EQ(I16At(preventive, 64), 100);
  EXPECT_EQ(TextAt(preventive, 66), "");
  EXPECT_EQ(F32At(preventive, 71), 1000.0f);
  EXPECT_EQ(TextAt(preventive, 86), "ASORDER");
  EXPECT_EQ(I16At(preventive, 105), 10000);  // 100, scaled with the points
  EXPECT_EQ(TextAt(preventive, 107), "XX");
  EXPECT_EQ(I16At(preventive, 114), 1);
  EXPECT_EQ(F32At(preventive, 116), 1.0f);
  EXPECT_EQ(Utf8(TextAt(preventive, 120)), "次(個)");
  EXPECT_EQ(I16At(preventive, 142), 16);
  EXPECT_EQ(I16At(preventive, 144), 0x0400);
  EXPECT_EQ(F32At(preventive, 131), 600.0f);
  EXPECT_EQ(preventive[174], '0');
  EXPECT_EQ(TextAt(preventive, 176), "ST00000025") << "the preventive line always names p24";
  EXPECT_EQ(F64At(preventive, 146), Day(2018, 3, 5));
  // 100 × 263 % + 600 × 100 %.
  EXPECT_EQ(I32At(first.visit, 143), 263 + 600);

  // The later IC26 takes the remembered IC23 and is the second stage: order "26".
  const RawEntry& second = At(entries, 4, Day(2018, 4, 10));
  EXPECT_EQ(TextAt(second.visit, 4), "IC23");
  ASSERT_EQ(second.orders.size(), 2u);
  EXPECT_EQ(I16At(second.orders[0].first, 105), 23300);
  EXPECT_EQ(TextAt(second.orders[1].first, 0), "26");
  EXPECT_EQ(I32At(second.visit, 143), 233 + 300);

  // A slot already holding the stage's order (as 21+L1001C) gets no second one; a service whose
  // order the catalogue lacks gets its diagnosis only.
  const RawEntry& held = At(entries, 8, Day(2020, 3, 1));
  ASSERT_EQ(held.orders.size(), 1u);
  EXPECT_EQ(TextAt(held.orders[0].first, 0), "21+L1001C");
  EXPECT_EQ(TextAt(held.diagnoses.at(0), 137), "Z008");
  const RawEntry& missing = At(entries, 8, Day(2020, 3, 2));
  EXPECT_TRUE(missing.orders.empty());
  EXPECT_EQ(TextAt(missing.diagnoses.at(0), 137), "Z13811");

  // Fee mark F: born in November, seen in February of the next year is no infant (180 %);
  // seen two months after birth is (200 %).
  const RawEntry& not_infant = At(entries, 5, Day(2020, 2, 10));
  EXPECT_EQ(I16At(not_infant.orders.at(0).first, 105), 18000);
  EXPECT_EQ(I32At(not_infant.visit, 143), 360);
  EXPECT_EQ(TextAt(not_infant.orders.at(0).first, 176), "") << "dispensing letter 0";
  const RawEntry& infant = At(entries, 6, Day(2020, 3, 5));
  EXPECT_EQ(I16At(infant.orders.at(0).first, 105), 20000);
  EXPECT_EQ(I32At(infant.visit, 143), 400);
}

TEST_F(RealSunClinicTest, NewbornsOnAParentsCard) {
  const std::vector<RawEntry> entries = Converted();
  // Patient 9 is kept as its mother, patient 3: the birth date from the upload, and an ID of
  // its own for the next patient step; [DUPID] forgets it.
  const RawEntry& kept = At(entries, 3, Day(2010, 3, 20));
  EXPECT_EQ(TextAt(kept.visit, 14), "");
  EXPECT_EQ(TextAt(kept.visit, 25), "");
  EXPECT_EQ(F64At(kept.visit, 219), Day(2010, 3, 1));
  EXPECT_EQ(kept.visit[262], 'B');
  EXPECT_EQ(TextAt(kept.visit, 105), "903");
  EXPECT_EQ(I16At(kept.visit, 117), 0);
  EXPECT_TRUE(Listed("新生兒生日check OK,病歷號:3"));
  ProfileFile ini(clinic_folder / "data.ini");
  EXPECT_EQ(ini.ReadString("IDFIX", "9"), "Fb23456789");
  EXPECT_EQ(ini.ReadString("DUPID", "9"), "");
  EXPECT_TRUE(ini.KeyNames("DUPID").empty());
  // Patient 7 has a record of its own: the parent's name, ID and birth date; a daughter.
  const RawEntry& own = At(entries, 7, Day(2010, 3, 22));
  EXPECT_EQ(F64At(own.visit, 80), Moment(2010, 3, 22, 11, 0));
  EXPECT_EQ(Utf8(TextAt(own.visit, 14)), "李爸爸");
  EXPECT_EQ(TextAt(own.visit, 25), "A199999999");
  EXPECT_EQ(F64At(own.visit, 219), Day(1976, 5, 5));
  EXPECT_EQ(own.visit[262], 'a');
  EXPECT_TRUE(Listed("新生兒IC檔內生日0990310與原始病歷檔內0990311不符,病歷號:7"));
  EXPECT_EQ(ini.ReadString("IDFIX", "7"), "");
}

TEST_F(RealSunClinicTest, ComplaintsLeftOutWritesAnEmptyChartText) {
  WriteDataIni("轉換主訴=N\r\n");
  const std::vector<RawEntry> entries = Converted();
  const RawEntry& v1 = At(entries, 1, Day(2010, 3, 15));
  EXPECT_EQ(v1.chart_text, "");
  // The block is there, with length 0, right after the visit record.
  const std::string file = ReadFileBytes(ChartFilePath(store, 0));
  EXPECT_EQ(testing::I16At(file, 2 + 56 + 2 + 292), 21);
  EXPECT_EQ(testing::I32At(file, 2 + 56 + 2 + 292 + 2), 0);
  EXPECT_TRUE(VerifyStore(store).clean());
}

std::string FolderBytes(const fs::path& folder) {
  std::string all;
  std::vector<fs::path> files;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    if (item.is_regular_file()) files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) all += PathToUtf8(file) + "\n" + ReadFileBytes(file);
  return all;
}

TEST_F(RealSunClinicTest, ASecondRunWritesTheSameBytes) {
  // The second run meets data.ini as the first left it ([DUPID] without the newborn), so both
  // runs start from that.
  WriteFileBytes(clinic_folder / "data.ini",
                 big5::FromUtf8("[system]\r\n開業日期=0990101\r\nPharmacistName=李藥師\r\n"
                                "PharmacistID=B223456789\r\nClinicTypeNo=04\r\n"
                                "[DOCTOR]\r\n王大明=A123456789\r\n"));
  const std::string patients_before = FolderBytes(store.server_data_folder);
  ASSERT_EQ(Run(), StepResult::kDone);
  const std::string first = FolderBytes(store.server_data_folder);
  EXPECT_NE(first, patients_before);
  // An hour later: nothing of the run's own moment reaches the store.
  place.now += 1.0 / 24;
  place.clock = [now = place.now] { return now; };
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(FolderBytes(store.server_data_folder), first);
}

TEST_F(RealSunChartsStepTest, ConfigurationProblemsStopBeforeWriting) {
  WriteVisits(source / "Z" / "plut1.dbf", {Visit("000001001", "990315")});
  // An old store that must survive every refusal.
  fs::create_directories(store.server_data_folder / "CHART");
  WriteFileBytes(ChartFilePath(store, 0), "old");
  auto expect_stop = [&](const char* message) {
    context.ClearLines();
    // The doctors a run before could not place are no finding of a run that stopped.
    input.unknown_doctors = {big5::FromUtf8("林醫師")};
    EXPECT_EQ(Run(), StepResult::kStopped) << message;
    EXPECT_EQ(context.messages().back().text, message);
    EXPECT_EQ(ReadFileBytes(ChartFilePath(store, 0)), "old") << message;
    EXPECT_TRUE(input.unknown_doctors.empty()) << message;
  };
  input.folder.his = big5::Literal("展望");
  expect_stop("請先選取正確耀聖來源目錄");
  input.folder.his = big5::Literal("耀聖");
  input.chart.split_date = "";
  expect_stop("沒有填寫切割日期,製作方式必須設為之前");
  EXPECT_FALSE(input.chart.split_date.empty()) << "tomorrow is written back";
  input.chart.split_date = "099013x";
  expect_stop("切割日期格式錯誤yyymmdd");
  input.chart.split_date = "0990101";
  const std::string tail = "[DOCTOR]\r\n王大明=A123456789\r\n";
  WriteFileBytes(clinic_folder / "data.ini",
                 big5::FromUtf8("[system]\r\nPharmacistName=A\r\nPharmacistID=B\r\n"
                                "ClinicTypeNo=04\r\n" +
                                tail));
  expect_stop("沒有開業日期記錄");
  WriteFileBytes(clinic_folder / "data.ini",
                 big5::FromUtf8("[system]\r\n開業日期=0990101\r\nPharmacistName=A\r\n"
                                "PharmacistID=B\r\nClinicTypeNo=04\r\n[DOCTOR]\r\n"));
  expect_stop("沒有診所醫師名字記錄");
  WriteFileBytes(clinic_folder / "data.ini",
                 big5::FromUtf8("[system]\r\n開業日期=0990101\r\nPharmacistName=A\r\n"
                                "ClinicTypeNo=04\r\n" +
                                tail));
  expect_stop("沒有藥師資料,轉換停止");
  WriteFileBytes(clinic_folder / "data.ini",
                 big5::FromUtf8("[system]\r\n開業日期=0990101\r\nPharmacistName=釋出處方箋\r\n"
                                "ClinicTypeNo=4\r\n" +
                                tail));
  expect_stop("沒有診所科別代碼(如小兒科代碼是04)資料");
  WriteDataIni("");
  fs::remove(source / "Z" / "plut1.dbf");
  expect_stop("找不到耀聖門診資料檔Z\\plut1.dbf");
  // With its visit table and data.ini in place the same clinic converts.
  WriteVisits(source / "Z" / "plut1.dbf", {Visit("000001001", "990315")});
  WriteSourceTable(source / "S" / "xp9903.DBF", kClaimColumns,
                   {Claim("000001", "001", "01", "0005")});
  context.ClearLines();
  ASSERT_EQ(Run(), StepResult::kDone);
  ASSERT_EQ(Entries().size(), 1u);
  EXPECT_TRUE(VerifyStore(store).clean());
}

}  // namespace
}  // namespace zuvo
