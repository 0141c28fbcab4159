#include "charts/vision_prepass.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "app/program_folder.h"
#include "charts/vision_prepass_files.h"
#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

std::string B5(std::string_view utf8) { return big5::FromUtf8(utf8); }

// The delivered files, built once for all tests.
const fs::path& DeliveredFolder() {
  static TempDir* folder = [] {
    auto* dir = new TempDir;
    InstallDeliveredFiles(dir->path());
    return dir;
  }();
  return folder->path();
}

// Every file below `folder` with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), folder).string()] = ReadFileBytes(entry.path());
    }
  }
  return files;
}

struct ComplaintRow {
  std::string patient, date, time, text;
};
struct OrderRow {
  std::string patient, date, time, drug, dose, frequency, count, percent, route, days, quantity,
      claim;
};

class VisionPrepassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    flags_.SetStepMessages(true);  // as the program sets it at start-up
    program_ = dir_ / "program";
    fs::create_directories(program_);
    for (const char* name : {"ANTCHECK_BLANK.MDB", "CORVIX.INI", "MXsetup.ini"}) {
      fs::copy_file(DeliveredFolder() / name, program_ / name);
    }
    clinic_ = program_ / "VISW" / "3501200000";
    input_.folder.work_tree = clinic_ / "1121209_1";
    fs::create_directories(input_.folder.work_tree / "Corvix");
    fs::copy_file(DeliveredFolder() / "OPDbak.mdb", input_.folder.work_tree / "Corvix" / "OPD.MDB");
    input_.folder.source_folder = dir_ / "source";
    fs::create_directories(input_.folder.source_folder);
    input_.folder.his = B5("展望");
    input_.folder.clinic_id = "3501200000";
    input_.chart.split_date = "1120101";
    input_.chart.mode = MakeDateMode::kOnAndAfter;
    input_.folder.start_date = "1000101";
    WriteProfileString(DataIni(), "system", "ClinicTypeNo", "01");
    WriteProfileString(DataIni(), "system", B5("開業日期"), "1000101");
    now_ = *EncodeDateTime({2023, 12, 9, 10, 0, 0, 0});
  }

  fs::path DataIni() const { return clinic_ / "data.ini"; }

  void WriteComplaints(const std::vector<ComplaintRow>& rows) {
    DbfWriter table(
        input_.folder.source_folder / "CO02H.DBF",
        {{"KCSTMR", 'C', 7}, {"SDATE", 'C', 7}, {"STIME", 'C', 6}, {"STEXT", 'C', 254}});
    for (const ComplaintRow& row : rows) table.Append({row.patient, row.date, row.time, row.text});
    table.Close();
  }

  void WriteOrders(const std::vector<OrderRow>& rows) {
    DbfWriter table(input_.folder.source_folder / "CO02P.DBF", {{"KCSTMR", 'C', 7},
                                                                {"PDATE", 'C', 7},
                                                                {"PTIME", 'C', 6},
                                                                {"KDRUG", 'C', 10},
                                                                {"POQTY", 'N', 8, 2},
                                                                {"PFQ", 'C', 10},
                                                                {"PTFQ", 'N', 5, 1},
                                                                {"PMU", 'N', 6, 2},
                                                                {"PPS", 'C', 6},
                                                                {"PTDAY", 'N', 3},
                                                                {"PTQTY", 'N', 8, 2},
                                                                {"PCLM", 'C', 1}});
    for (const OrderRow& r : rows) {
      table.Append({r.patient, r.date, r.time, r.drug, r.dose, r.frequency, r.count, r.percent,
                    r.route, r.days, r.quantity, r.claim});
    }
    table.Close();
  }

  void AddCatalogueRow(std::string_view trade, std::string_view short_name, std::string_view code,
                       std::string_view order_class, int64_t cost, int64_t price,
                       int64_t self_price, int status, int unit, int per_unit,
                       std::string_view document = "", std::string_view route = "") {
    Database opd = Database::Open(input_.folder.work_tree / "Corvix" / "OPD.MDB");
    opd.Execute(
        "insert into MX (Tname, Sname, INSUcode, class, cost, INSUprice, selfprice, status, "
        "unit, perunit, document, ChangetoMXname) values (?,?,?,?,?,?,?,?,?,?,?,?)",
        {trade, short_name, code, order_class, Currency{cost}, Currency{price},
         Currency{self_price}, status, unit, per_unit, document, route});
  }

  StepResult Run() {
    Workplace place;
    place.program_folder = program_;
    place.now = now_;
    place.clock = [now = now_] { return now; };
    return PrepareVisionVisits(input_, place, context_);
  }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const std::string& line : context_.lines()) lines.push_back(line);
    return lines;
  }

  ChainHeads Heads(std::string_view table) {
    Database database = Database::Open(input_.folder.work_tree / "ANTCHECK.MDB");
    return ReadChainHeads(database, table);
  }

  TempDir dir_;
  fs::path program_;
  fs::path clinic_;
  VisionChartInput input_;
  DateTime now_ = 0;
  RunFlags flags_;
  RecordingStepContext context_{flags_};
};

std::string ShortString(std::string_view text, size_t capacity) {
  std::string bytes(1 + capacity, '\0');
  bytes[0] = static_cast<char>(text.size());
  bytes.replace(1, text.size(), text);
  return bytes;
}

TEST_F(VisionPrepassTest, ComplaintsAreFilteredChainedAndLaidOut) {
  input_.folder.start_date = "";  // the opening date of data.ini still applies
  input_.chart.split_date = "0990101";
  std::string long_text(254, 'x');
  long_text.replace(0, 3, "CC:");
  WriteComplaints({
      {"7", "1120301", "083000", "  cough  "},
      {"0", "1120301", "083000", "no patient"},
      {"7", "0991231", "083000", "before opening"},
      {"8", "1121210", "090000", "future"},
      {"8", "0981231", "090000", "before split"},
      {"8", "1120302", "090000", "other patient"},
      {"7", "1120302", "99", long_text},
  });
  WriteOrders({});
  ASSERT_EQ(Run(), StepResult::kDone);

  std::string bytes = ReadFileBytes(input_.folder.work_tree / "CC.rd");
  ASSERT_EQ(bytes.size(), 3u * 276);
  auto record = [&](int n) { return std::string_view(bytes).substr(n * 276, 276); };
  EXPECT_EQ(LoadI32(record(0).data()), 7);
  EXPECT_EQ(record(0).substr(4, 8), ShortString("1120301", 7));
  EXPECT_EQ(record(0).substr(12, 7), ShortString("083000", 6));
  EXPECT_EQ(record(0).substr(19, 6), std::string("\x05"
                                                 "cough"));
  EXPECT_EQ(record(0).substr(270, 2), std::string(2, '\0'));
  EXPECT_EQ(LoadI32(record(0).data() + 272), -1);
  EXPECT_EQ(LoadI32(record(1).data()), 8);
  EXPECT_EQ(LoadI32(record(1).data() + 272), -1);
  // The second record of patient 7 links back to the first; its text is cut to 250 bytes.
  EXPECT_EQ(LoadI32(record(2).data() + 272), 0);
  EXPECT_EQ(static_cast<unsigned char>(record(2)[19]), 250);
  EXPECT_EQ(record(2).substr(20, 250), long_text.substr(0, 250));
  EXPECT_EQ(record(2).substr(12, 7), ShortString("99", 6));

  EXPECT_EQ(Heads("CClink"), (ChainHeads{{7, 2}, {8, 1}}));
  EXPECT_THAT(Lines(), Contains("門診日期錯誤:7 0991231"));
  EXPECT_THAT(Lines(), Contains("門診日期錯誤:8 1121210"));
  EXPECT_THAT(Lines(), Not(Contains("門診日期錯誤:8 0981231")));
  EXPECT_THAT(context_.MessageTexts(), ElementsAre("製作主訴診斷tmpChart.cht完成"));
}

TEST_F(VisionPrepassTest, TheSplitDateItselfBelongsToTheLaterHalf) {
  WriteComplaints(
      {{"8", "1120101", "", "on the split date"}, {"8", "1111231", "235959", "the day before"}});
  WriteOrders({});
  ASSERT_EQ(Run(), StepResult::kDone);
  std::string bytes = ReadFileBytes(input_.folder.work_tree / "CC.rd");
  ASSERT_EQ(bytes.size(), 276u);
  EXPECT_EQ(bytes.substr(4, 8), ShortString("1120101", 7));

  input_.chart.mode = MakeDateMode::kBefore;
  ASSERT_EQ(Run(), StepResult::kDone);
  bytes = ReadFileBytes(input_.folder.work_tree / "CC.rd");
  ASSERT_EQ(bytes.size(), 276u);
  EXPECT_EQ(bytes.substr(4, 8), ShortString("1111231", 7));
}

TEST_F(VisionPrepassTest, ConfigurationProblemsStopBeforeReadingAnything) {
  WriteComplaints({{"7", "1120301", "083000", "cough"}});
  WriteOrders({});
  input_.folder.his = "RealSun";
  EXPECT_EQ(Run(), StepResult::kStopped);
  input_.folder.his = B5("展望");
  input_.chart.split_date = "";
  EXPECT_EQ(Run(), StepResult::kStopped);
  EXPECT_EQ(input_.chart.split_date, "1121210");
  input_.chart.split_date = "1120101";
  WriteProfileString(DataIni(), "system", "ClinicTypeNo", "1");
  EXPECT_EQ(Run(), StepResult::kStopped);
  EXPECT_THAT(context_.MessageTexts(),
              ElementsAre("請先正確選取原始系統目錄", "沒有填寫切割日期,製作方式必須設為之前",
                          "就醫科別代碼錯誤或缺失"));
  EXPECT_FALSE(fs::exists(input_.folder.work_tree / "CC.rd"));
}

TEST_F(VisionPrepassTest, OrderLinesCarryEveryFieldRule) {
  WriteProfileString(DataIni(), "DUPMX", "DUPA", "BC99999100");
  WriteProfileString(DataIni(), "DUPMX", "DUPBLANK", "");
  WriteProfileString(DataIni(), "DUPMX", "DUPBAD", "NOPE");
  WriteProfileString(DataIni(), "UseMethodFix", "TIDX", "TID");
  input_.chart.split_date = "1000101";
  AddCatalogueRow("PANA", "Panadol 500mg", "AC12345100", "oral", 15000, 20000, 50000, 0x21, 1, 2);
  AddCatalogueRow("AMOX", "Amoxicillin", "AC55555100", "oral", 10000, 30000, 0, 8, 1, 2);
  AddCatalogueRow("GENT", "Gentamicin", "BC99999100", "inj", 0, 40000, 90000, 2, 0, 0);
  AddCatalogueRow("FLU", "Flu vaccine", "FLU000", "inj", 0, 0, 0, 0, 5, 0, B5("說明疫苗批號[1234]"),
                  "SC");
  WriteComplaints({});
  WriteOrders({
      {"7", "1120301", "083000", "PANA", "1", "TID", "", "1", "", "3", "9", "1"},
      {"7", "1120301", "083000", "ZZZ", "", "", "1", "", "", "", "1", ""},
      {"7", "1120301", "083000", "DUPA", "0", "tidx", "", "", "IV", "2", "6", ""},
      {"7", "1120301", "083000", "DUPBLANK", "1", "QD", "", "", "", "1", "1", ""},
      {"9", "1120302", "101010", "DUPBAD", "1", "QD", "", "", "", "1", "1", ""},
      {"9", "1120302", "101010", "AMOX", "0", "BID", "", "", "", "7", "21", ""},
      {"9", "1120302", "101010", "AMOX", "1", "weird", "", "", "", "1", "1", ""},
      {"9", "1120303", "101010", "AMOX", "1", "WEIRD", "", "", "", "1", "1", ""},
      {"9", "1120303", "101010", "FLU", "1", "STAT", "", "", "2", "1", "1", ""},
      {"9", "1101201", "101010", "OLD", "1", "QD", "", "", "", "1", "1", ""},
      {"9", "1120303", "101010", "", "1", "QD", "", "", "", "1", "1", ""},
  });
  ASSERT_EQ(Run(), StepResult::kDone);

  std::string bytes = ReadFileBytes(input_.folder.work_tree / "MXdo.mx");
  ASSERT_EQ(bytes.size(), 9u * 296);
  auto order = [&](int n) {
    OrderLineRecord line;
    line.Assign(std::string_view(bytes).substr(n * 296, 296));
    return OrderImageOf(line);
  };
  // Catalogue values, kind, defaults of an oral drug.
  OrderRecord pana = order(0);
  EXPECT_EQ(bytes.substr(19, 13), ShortString("AC12345100", 12));
  EXPECT_EQ(pana.Get(order_field::kName), "Panadol 500mg");
  EXPECT_EQ(pana.Get(order_field::kFlags2), 0x21);
  EXPECT_EQ(pana.Get(order_field::kFlags1), 2);
  EXPECT_EQ(pana.Get(order_field::kDoseTimes100), 100);
  EXPECT_EQ(pana.Get(order_field::kDoseUnit), "tab");
  EXPECT_EQ(pana.Get(order_field::kFrequencyText), "TID");
  EXPECT_EQ(pana.Get(order_field::kFrequencyRate), 3000.0f);
  EXPECT_EQ(pana.Get(order_field::kPaymentPercent), 100);
  EXPECT_EQ(pana.Get(order_field::kRoute), "PO");
  EXPECT_EQ(pana.Get(order_field::kDays), 3);
  EXPECT_EQ(pana.Get(order_field::kTotalQuantity), 9.0f);
  EXPECT_EQ(pana.Get(order_field::kQuantityUnit), "tab");
  EXPECT_EQ(pana.Get(order_field::kCost), 1.5f);
  EXPECT_EQ(pana.Get(order_field::kUnitPrice), 2.0f);
  EXPECT_EQ(pana.Get(order_field::kExecutionStart), RocStampToDateTime("1120301083000"));
  EXPECT_EQ(pana.Get(order_field::kExecutionEnd), RocStampToDateTime("1120301083000"));
  EXPECT_EQ(pana.Get(order_field::kStamp), now_);
  EXPECT_EQ(pana.Get(order_field::kDispensingLetter), '0');
  EXPECT_EQ(pana.Get(order_field::kOrderCategory), '1');
  EXPECT_EQ(pana.Get(order_field::kMark187), ' ');
  EXPECT_EQ(pana.Get(order_field::kMark188), ' ');
  EXPECT_EQ(pana.Get(order_field::kDepartmentPrefix), "01");
  EXPECT_EQ(bytes[291], 0);
  EXPECT_EQ(LoadI32(bytes.data() + 292), -1);

  // Unknown code: name and code are the drug code; PTFQ 1 of a non-drug is ASORDER.
  OrderRecord unknown = order(1);
  EXPECT_EQ(unknown.Get(order_field::kName), "ZZZ");
  EXPECT_EQ(unknown.Get(order_field::kInsuranceCode), "ZZZ");
  EXPECT_EQ(unknown.Get(order_field::kFlags1), 16);
  EXPECT_EQ(unknown.Get(order_field::kFrequencyText), "ASORDER");
  EXPECT_EQ(unknown.Get(order_field::kDoseUnit), "");
  EXPECT_EQ(unknown.Get(order_field::kQuantityUnit), B5("次(個)"));
  EXPECT_EQ(unknown.Get(order_field::kOrderCategory), ' ');
  EXPECT_EQ(LoadI32(bytes.data() + 296 + 292), 0);

  // [DUPMX] to an NHI code; self-paid price; fixed frequency; a known route; no dose → 100.
  OrderRecord gent = order(2);
  EXPECT_EQ(gent.Get(order_field::kName), "Gentamicin");
  EXPECT_EQ(gent.Get(order_field::kFlags2), 2);
  EXPECT_EQ(gent.Get(order_field::kUnitPrice), 9.0f);
  EXPECT_EQ(gent.Get(order_field::kFrequencyText), "TID");
  EXPECT_EQ(gent.Get(order_field::kRoute), "IV");
  EXPECT_EQ(gent.Get(order_field::kDoseUnit), "amp");
  EXPECT_EQ(gent.Get(order_field::kQuantityUnit), "amp");
  EXPECT_EQ(gent.Get(order_field::kDoseTimes100), 100);

  // DUPBLANK was skipped: record 3 is the broken [DUPMX] entry, an unknown line.
  EXPECT_EQ(order(3).Get(order_field::kInsuranceCode), "DUPBAD");
  // Free order: price 0; tablets per dose from quantity, days and rate: 21 / 7 / 2 = 1.5.
  OrderRecord amox = order(4);
  EXPECT_EQ(amox.Get(order_field::kFlags2), 8);
  EXPECT_EQ(amox.Get(order_field::kUnitPrice), 0.0f);
  EXPECT_EQ(amox.Get(order_field::kDoseTimes100), 150);
  // Unreadable frequency: written as the interpreter returns it.
  EXPECT_EQ(order(5).Get(order_field::kFrequencyText), "ASORDER");
  EXPECT_EQ(order(5).Get(order_field::kFrequencyRate), 1000.0f);
  EXPECT_EQ(order(6).Get(order_field::kFrequencyText), "ASORDER");
  // Vaccination note from the dose number in PPS; the route falls back to the catalogue's.
  OrderRecord flu = order(7);
  EXPECT_EQ(flu.Get(order_field::kPreparationNote), B5("第二次接種,疫苗批號[]"));
  EXPECT_EQ(flu.Get(order_field::kRoute), "SC");
  EXPECT_EQ(flu.Get(order_field::kQuantityUnit), "amp");
  EXPECT_EQ(order(8).Get(order_field::kInsuranceCode), "OLD");

  EXPECT_EQ(Heads("MXlink"), (ChainHeads{{7, 2}, {9, 8}}));
  std::vector<std::string> lines = Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "找不到醫令:ZZZ"), 1);
  EXPECT_THAT(lines, Contains("DUPMX但轉換INSUcode錯誤:DUPBAD=NOPE"));
  EXPECT_THAT(lines, Contains("找不到醫令:DUPBAD"));
  EXPECT_THAT(lines, Not(Contains("找不到醫令:OLD")));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "不明使用頻率語法:[WEIRD]"), 1);
  EXPECT_EQ(ReadProfileString(DataIni(), "UseMethodFix", "WEIRD"), "X");
  EXPECT_EQ(ReadProfileString(DataIni(), "UseMethodFix", "TIDX"), "TID");
  EXPECT_EQ(ReadFileBytes(clinic_ / PathFromUtf8("不明處置.txt")), "ZZZ\r\nDUPBAD\r\n");
}

TEST_F(VisionPrepassTest, ReferralFilesAreIndexedByPatientAndDate) {
  WriteComplaints({});
  WriteOrders({});
  fs::create_directories(input_.folder.source_folder / "NHI_REF");
  std::string form = "<etadata><h1> A123456789 </h1><h23>20230301</h23><h2/></etadata>";
  for (int i = 1; i <= 10; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "ETA%02d.XML", i);
    WriteFileBytes(input_.folder.source_folder / "NHI_REF" / name, form);
  }
  WriteFileBytes(input_.folder.source_folder / "NHI_REF" / "etb01.xml",
                 "<etbdata><h2>B223456789</h2><h5>20230302</h5></etbdata>");
  WriteFileBytes(input_.folder.source_folder / "NHI_REF" / "README.TXT", "not a referral");
  ASSERT_EQ(Run(), StepResult::kDone);
  ReferralIndex index = ReferralIndex::Load(input_.folder.work_tree / "REF.txt");
  EXPECT_EQ(index.size(), 10u);
  EXPECT_EQ(index.Value("AA123456789202303011"), "ETA01.XML");
  EXPECT_EQ(index.Value("AA123456789202303019"), "ETA09.XML");
  EXPECT_EQ(index.Value("BB223456789202303021"), "etb01.xml");
}

TEST_F(VisionPrepassTest, WithoutReferralFolderAnEmptyIndexIsWritten) {
  WriteComplaints({});
  WriteOrders({});
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(ReadFileBytes(input_.folder.work_tree / "REF.txt"), "");
  EXPECT_THAT(Lines(), Contains(::testing::StartsWith("沒有轉診資料夾,轉診建檔未做")));
}

TEST_F(VisionPrepassTest, OpeningDateIsLearnedOnlyWithoutOneInTheWindow) {
  WriteComplaints({});
  WriteOrders({{"7", "1120301", "083000", "ZZZ", "1", "QD", "", "", "", "1", "1", ""},
               {"7", "1050101", "083000", "ZZZ", "1", "QD", "", "", "", "1", "1", ""},
               {"0", "0990101", "083000", "ZZZ", "1", "QD", "", "", "", "1", "1", ""}});
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(ReadProfileString(DataIni(), "system", B5("開業日期")), "1000101");
  input_.folder.start_date = "";
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(ReadProfileString(DataIni(), "system", B5("開業日期")), "1050101");
}

TEST_F(VisionPrepassTest, SourceFolderIsLeftUntouchedAndRerunsStartAfresh) {
  WriteComplaints({{"7", "1120301", "083000", "cough"}});
  WriteOrders({{"7", "1120301", "083000", "ZZZ", "1", "QD", "", "", "", "1", "1", ""}});
  auto before = Snapshot(input_.folder.source_folder);
  ASSERT_EQ(Run(), StepResult::kDone);
  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(Snapshot(input_.folder.source_folder), before);
  EXPECT_EQ(ReadFileBytes(input_.folder.work_tree / "CC.rd").size(), 276u);
  EXPECT_EQ(ReadFileBytes(input_.folder.work_tree / "MXdo.mx").size(), 296u);
  EXPECT_EQ(Heads("CClink"), (ChainHeads{{7, 0}}));
}

TEST_F(VisionPrepassTest, StopEndsTheLoopsAndFinishesTheFiles) {
  std::vector<ComplaintRow> rows(3000, {"7", "1120301", "083000", "cough"});
  WriteComplaints(rows);
  WriteOrders({{"7", "1120301", "083000", "ZZZ", "1", "QD", "", "", "", "1", "1", ""}});
  context_.RequestStopAfterEvents(1);
  ASSERT_EQ(Run(), StepResult::kDone);
  size_t written = ReadFileBytes(input_.folder.work_tree / "CC.rd").size() / 276;
  EXPECT_EQ(written, 1000u);
  EXPECT_EQ(ReadFileBytes(input_.folder.work_tree / "MXdo.mx").size(), 0u);
  EXPECT_EQ(Heads("CClink"), (ChainHeads{{7, 999}}));
}

}  // namespace
}  // namespace zuvo
