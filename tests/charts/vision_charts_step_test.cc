#include "charts/vision_charts_step.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "charts/vision_prepass_files.h"
#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/patient_store.h"
#include "core/store_verify.h"
#include "delivered_program.h"
#include "demo/demo_clinic.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "source_tables.h"
#include "support/cli_runner.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::kHealthCheckColumns;
using testing::kVisitColumns;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;
using testing::WriteSourceTable;

constexpr char kClinicCode[] = "3501010000";

// The program folder with the delivered databases, built once for the suite.
const fs::path& ProgramFolder() { return testing::DeliveredProgramFolder(); }

OrderRecord OrderImage(std::string code, int16_t kind, float price, float quantity,
                       int16_t percent) {
  OrderRecord order;
  order.Set(order_field::kInsuranceCode, code);
  order.Set(order_field::kFlags1, kind);
  order.Set(order_field::kUnitPrice, price);
  order.Set(order_field::kTotalQuantity, quantity);
  order.Set(order_field::kPaymentPercent, percent);
  return order;
}

struct Entry {
  ChartEntryRead read;
  std::string chart_text, exam_text;
  std::vector<DiagnosisRecord> diagnoses;
  std::vector<std::pair<OrderRecord, std::optional<std::string>>> orders;
};

class VisionChartsStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clinic_folder = ClinicFolder(program, kVisionArea, kClinicCode);
    fs::remove_all(clinic_folder);  // the program folder is shared by the suite
    work_tree = clinic_folder / "1100601_1";
    CreateWorkTree(work_tree);
    store.server_data_folder = ServerDataFolder(work_tree, kClinicCode);
    store.patient_index_path = work_tree / "Tolsern" / "PTdata.ind";
    fs::create_directories(store.server_data_folder);
    WriteFileBytes(clinic_folder / "data.ini",
                   big5::FromUtf8("[system]\r\n開業日期=1040101\r\nMainDrName=王大明\r\n"
                                  "MainDrID=A123456789\r\nPharmacistName=李藥師\r\n"
                                  "PharmacistID=B223456789\r\n[DOCTOR]\r\n王大明=A123456789\r\n"
                                  "陳醫師=C100000001\r\n[DUPID]\r\n7=2\r\n"));
    for (auto [number, id, sex] :
         std::vector<std::tuple<int32_t, const char*, char>>{{1, "A100000001", 'M'},
                                                             {2, "F200000002", 'F'},
                                                             {3, "A100000003", 'M'},
                                                             {4, "A100000004", 'M'}}) {
      PatientRecord record;
      record.Set(patient_field::kNumber, number);
      record.Set(patient_field::kNationalId, id);
      record.Set(patient_field::kSex, sex);
      record.Set(patient_field::kPaymentClass, 'Z');
      WritePatient(store, record, "");
    }
    ASSERT_TRUE(CopyFileTo(program / "OPDbak.mdb", work_tree / "Corvix" / "OPD.mdb", true));
    Database opd = Database::Open(work_tree / "Corvix" / "OPD.mdb");
    opd.Execute("insert into DX (ICD10, Sname, Scode, bList) values (?, ?, ?, ?)",
                {std::string("J069"), big5::FromUtf8("急性上呼吸道感染"), std::string("A1"), true});

    source = dir / "source";
    fs::create_directories(source / "NHI_REF");
    input.folder.his = big5::Literal("展望");
    input.folder.source_folder = source;
    input.folder.work_tree = work_tree;
    input.folder.clinic_id = kClinicCode;
    input.chart.split_date = "1040101";
    input.chart.mode = MakeDateMode::kOnAndAfter;
    place.program_folder = program;
    place.now = *EncodeDateTime({2021, 6, 1, 12, 0, 0, 0});
    place.clock = [now = place.now] { return now; };
    flags.SetStepMessages(true);
  }

  // The pre-pass's files, made with its writers.
  void WritePrepassFiles(
      const std::vector<std::tuple<int32_t, std::string, std::string, std::string>>& complaints,
      const std::vector<std::tuple<int32_t, std::string, std::string, OrderRecord>>& orders,
      ReferralIndex referrals = {}) {
    ComplaintWriter complaint_writer = OpenComplaintWriter(work_tree / "CC.rd");
    for (const auto& [patient, date, time, text] : complaints) {
      ComplaintRecord record;
      record.Set(complaint_field::kPatientNumber, patient);
      record.Set(complaint_field::kDate, date);
      record.Set(complaint_field::kTime, time);
      record.Set(complaint_field::kText, big5::FromUtf8(text));
      complaint_writer.Append(record);
    }
    complaint_writer.Close();
    OrderLineWriter order_writer = OpenOrderLineWriter(work_tree / "MXdo.mx");
    for (const auto& [patient, date, time, image] : orders) {
      OrderLineRecord record;
      record.Set(order_line_field::kPatientNumber, patient);
      record.Set(order_line_field::kDate, date);
      record.Set(order_line_field::kTime, time);
      SetOrderImage(record, image);
      order_writer.Append(record);
    }
    order_writer.Close();
    ASSERT_TRUE(CopyFileTo(program / "ANTCHECK_BLANK.MDB", work_tree / "ANTCHECK.MDB", true));
    Database chains = Database::Open(work_tree / "ANTCHECK.MDB");
    WriteChainHeads(chains, "CClink", complaint_writer.heads());
    WriteChainHeads(chains, "MXlink", order_writer.heads());
    referrals.Save(work_tree / "REF.txt");
  }

  StepResult Run() { return ConvertVisionCharts(input, place, context); }

  // Every entry of chart file 0, in file order.
  std::vector<Entry> Entries() {
    BinaryFile file(ChartFilePath(store, 0), BinaryFile::Mode::kRead);
    std::vector<Entry> entries;
    for (uint64_t offset = 1; offset < file.size();) {
      Entry entry;
      entry.read = ReadChartEntry(file, {0, static_cast<int32_t>(offset)}, EntryDetail::kFull);
      EXPECT_TRUE(entry.read.well_formed) << entry.read.problem;
      if (!entry.read.well_formed) break;
      for (const ChartBlock& block : entry.read.blocks) {
        if (block.tag == chart_tag::kChartText) entry.chart_text = block.payload;
        if (block.tag == chart_tag::kExamText) entry.exam_text = big5::ToUtf8(block.payload);
        if (block.tag == chart_tag::kDiagnosis) {
          entry.diagnoses.emplace_back().Assign(block.payload);
        }
        if (block.tag == chart_tag::kOrder) {
          OrderRecord record;
          record.Assign(block.payload);
          entry.orders.emplace_back(record, block.remark);
        }
      }
      entries.push_back(std::move(entry));
      offset = entries.back().read.end + 1;
    }
    return entries;
  }

  bool Listed(const std::string& line) const {
    return std::find(context.lines().begin(), context.lines().end(), line) != context.lines().end();
  }

  const fs::path& program = ProgramFolder();
  TempDir dir;
  fs::path clinic_folder, work_tree, source;
  StoreLocation store;
  VisionChartInput input;
  Workplace place;
  RunFlags flags;
  RecordingStepContext context{flags};
};

std::string Hash(const fs::path& folder) {
  std::string all;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    all += PathToUtf8(item.path()) + "\n";
    if (item.is_regular_file()) all += ReadFileBytes(item.path());
  }
  return all;
}

TEST_F(VisionChartsStepTest, ConvertsVisitsWithEveryPart) {
  const int16_t oral = 2, treatment = 16, material = 128, operate = 64;
  WritePrepassFiles({{1, "1100301", "093000", "CC:cough"},
                     {1, "1100301", "150000", "fever"},
                     {7, "1100302", "080000", "oldest of the day"},
                     {7, "1100302", "090000", "newer"}},
                    {{1, "1100301", "093000", OrderImage("A000111100", oral, 2.5f, 9, 1)},
                     {1, "1100301", "093000", OrderImage("00109C", treatment, 100, 1, 100)},
                     {1, "1100301", "093000", OrderImage("M1", material, 50, 2, 100)},
                     {1, "1100301", "093000", OrderImage("01036C", treatment, 0, 1, 100)},
                     {1, "1100301", "093000", OrderImage("48001C", operate, 10, 1, 100)},
                     {1, "1100301", "150000", OrderImage("A000111100", oral, 2.5f, 9, 1)},
                     {7, "1100302", "100000", OrderImage("21", treatment, 0, 1, 100)},
                     {7, "1100302", "100000", OrderImage("21", treatment, 0, 1, 100)}},
                    [] {
                      ReferralIndex index;
                      index.Add("AA10000000120210301", "ETA0001.xml");
                      return index;
                    }());
  WriteFileBytes(source / "NHI_REF" / "ETA0001.xml",
                 big5::FromUtf8("<etadata><h28>0132010014</h28><h29>02</h29><h18>3</h18>"
                                "<h23>20210301</h23><h34>20210310</h34></etadata>"));
  WriteSourceTable(
      source / "CO03L.DBF", kVisitColumns,
      {{{"KCSTMR", "1"},
        {"DATE", "1100301"},
        {"TIME", "093000"},
        {"LCS", "01"},
        {"DAYQTY", "3"},
        {"LISRS", "26"},
        {"LHIID", "D10"},
        {"LDTID", "C100000001"},
        {"LABNO", "J069"},
        {"LACD", "@85,J069"},
        {"LABDT", "感冒"},
        {"LICD", "0QS,B2"},
        {"A0", "150"},
        {"A98", "-50"}},
       {{"KCSTMR", "1"},
        {"DATE", "1100301"},
        {"TIME", "150000"},
        {"LCS", "04"},
        {"DAYQTY", "0"},
        {"LISRS", "IC2"},
        {"LHIID", "000"}},
       // Kept under patient 2 through [DUPID]; the health check and orders stay under 7.
       {{"KCSTMR", "7"},
        {"DATE", "1100302"},
        {"TIME", "100000"},
        {"LCS", "A3"},
        {"DAYQTY", "1"},
        {"LHIID", "001"},
        {"LABNO", "@21"}},
       {{"KCSTMR", "3"},
        {"DATE", "1041215"},
        {"TIME", "200000"},
        {"LCS", "08"},
        {"DAYQTY", "28"},
        {"LHIID", "000"},
        {"LLDTT", "2"},
        {"LLDCN", "3"},
        {"LLDDT", "1041117"},
        {"EDATE", "1050110"},
        {"LABNO", "4019"},
        {"LABDT", "高血壓"}},
       {{"KCSTMR", "99"}, {"DATE", "1100303"}, {"TIME", "100000"}, {"DAYQTY", "1"}},
       {{"KCSTMR", "4"}, {"DATE", "1100303"}, {"TIME", "100000"}, {"DAYQTY", "x"}},
       {{"KCSTMR", "4"}, {"DATE", "1100702"}, {"TIME", "100000"}, {"DAYQTY", "1"}},
       {{"KCSTMR", "4"}, {"DATE", "1031231"}, {"TIME", "100000"}, {"DAYQTY", "1"}},
       {{"KCSTMR", "0"}, {"DATE", "1100303"}, {"TIME", "100000"}, {"DAYQTY", "1"}},
       {{"KCSTMR", "4"}, {"DATE", "1109999"}, {"TIME", "xx"}, {"DAYQTY", "1"}}});
  WriteSourceTable(source / "CO18R.DBF", kHealthCheckColumns,
                   {{{"KCSTMR", "7"},
                     {"RDATE", "1100302"},
                     {"RLNO", "3501200000"},
                     {"RULDT", "1100310"},
                     {"RHCH", "60"}}});
  const std::string source_before = Hash(source);

  ASSERT_EQ(Run(), StepResult::kDone);
  EXPECT_EQ(Hash(source), source_before);
  EXPECT_EQ(context.messages().back().text, "病歷庫製作完成");
  for (const char* line :
       {"病歷號過大:99", "開藥日數錯誤:6", "門診日期錯誤:4 1100702", "病歷號為0錯誤:9",
        "日期時間錯誤1109999:xx", "開始寫入 PT,DayLink ...", "病歷庫製作完成"}) {
    EXPECT_TRUE(Listed(line)) << line;
  }
  StoreVerifyReport report = VerifyStore(store);
  EXPECT_TRUE(report.clean()) << (report.findings.empty() ? "" : report.findings[0].problem);

  std::vector<Entry> entries = Entries();
  ASSERT_EQ(entries.size(), 4u);
  namespace v = visit_field;

  // Visit 1: orders in chain order (newest first), points, referral remark, surgery code.
  const Entry& first = entries[0];
  const VisitRecord& v1 = *first.read.visit;
  EXPECT_EQ(v1.Get(v::kPatientNumber), 1);
  EXPECT_EQ(v1.Get(v::kCardSequence), "IC23");
  EXPECT_EQ(v1.Get(v::kPaymentClass), '3');
  EXPECT_EQ(big5::ToUtf8(v1.Get(v::kDoctorName)), "陳醫師");
  EXPECT_EQ(v1.Get(v::kClinicPeriod), 'A');
  EXPECT_EQ(v1.Get(v::kRegistrationFee), 150);
  EXPECT_EQ(v1.Get(v::kCopayAmount), 50);
  EXPECT_EQ(first.chart_text, "cough");
  ASSERT_EQ(first.diagnoses.size(), 2u);
  EXPECT_EQ(first.diagnoses[0].Get(diagnosis_field::kCode), "J069");
  EXPECT_EQ(first.diagnoses[1].Get(diagnosis_field::kCode), "Z13811");
  ASSERT_EQ(first.orders.size(), 5u);
  EXPECT_EQ(first.orders[0].first.Get(order_field::kInsuranceCode), "48001C");
  EXPECT_EQ(first.orders[0].first.Get(order_field::kOwnCode), "0QS");
  EXPECT_EQ(first.orders[1].first.Get(order_field::kInsuranceCode), "01036C");
  ASSERT_TRUE(first.orders[1].second);
  EXPECT_EQ(big5::ToUtf8(*first.orders[1].second),
            "<醫院><示範地區醫院><內科><><><><門診治療><有效期限14天>");
  EXPECT_EQ(first.orders[4].first.Get(order_field::kPaymentPercent), 100);  // 1 → 100
  // Drug 2.5 × 9 = 22.5 → 23; treatment 100 + 10; material 50 × 2.
  EXPECT_EQ(v1.Get(v::kDrugPoints), 23);
  EXPECT_EQ(v1.Get(v::kDrugPointsCopy), 23);
  EXPECT_EQ(v1.Get(v::kTreatmentPoints), 110);
  EXPECT_EQ(v1.Get(v::kMaterialPoints), 100);

  // Visit 2, same patient and day: its own complaint by time; "04" without days is "09";
  // payment class 0 marks the lines self-paid, so they earn no points.
  const Entry& second = entries[1];
  EXPECT_EQ(second.chart_text, "fever");
  EXPECT_EQ(second.read.visit->Get(v::kCaseType), "09");
  EXPECT_EQ(second.read.visit->Get(v::kCardSequence), "C001");
  EXPECT_EQ(second.read.visit->Get(v::kDrugPoints), 0);
  EXPECT_EQ(second.orders[0].first.Get(order_field::kFlags2) & 0x0002, 0x0002);
  ASSERT_EQ(second.diagnoses.size(), 1u);
  EXPECT_EQ(second.diagnoses[0].Get(diagnosis_field::kCode), "NOCODE");
  // A second visit on the same day is not a return visit.
  EXPECT_EQ(second.read.visit->Get(v::kVisitFlags) & kVisitFlagReturnVisit, 0);

  // Visit 3: the health check once, the upload marked, the complaint falling back to the
  // oldest of the day, A3 → "AC", code 009, mark 'D'.
  const Entry& third = entries[2];
  EXPECT_EQ(third.read.visit->Get(v::kPatientNumber), 2);
  EXPECT_EQ(third.chart_text, big5::FromUtf8("oldest of the day"));
  EXPECT_EQ(third.read.visit->Get(v::kVisitCategory), "AC");
  EXPECT_EQ(third.read.visit->Get(v::kCopayCode), "009");
  EXPECT_EQ(third.read.visit->Get(v::kOrderMix), 'D');
  ASSERT_EQ(third.orders.size(), 2u);
  EXPECT_EQ(third.orders[0].first.Get(order_field::kExecutingStaff), "3501200000");
  EXPECT_EQ(third.orders[0].first.Get(order_field::kFlags3), 0x0084);
  EXPECT_EQ(third.orders[1].first.Get(order_field::kFlags3), 0);
  EXPECT_EQ(third.exam_text.find("<PE><n>成人健檢</n>"), 0u);
  EXPECT_EQ(third.exam_text.find("<PE><n>成人健檢</n>", 1), std::string::npos);
  EXPECT_NE(third.exam_text.find("<PE><n>高密度脂蛋白膽固醇</n><data><PE><n>HDL</n><data>60"),
            std::string::npos);
  EXPECT_EQ(third.diagnoses[0].Get(diagnosis_field::kCode), "Z008");

  // Visit 4: a chronic refill of 2015 with its ICD-9 code kept.
  const Entry& fourth = entries[3];
  EXPECT_EQ(fourth.read.visit->Get(v::kCardSequence), "IC03");
  EXPECT_EQ(fourth.read.visit->Get(v::kRefillNumber), '2');
  EXPECT_EQ(fourth.read.visit->Get(v::kRefillEndText), "0110");
  EXPECT_EQ(fourth.read.visit->Get(v::kClinicPeriod), 'C');
  EXPECT_EQ(fourth.diagnoses[0].Get(diagnosis_field::kCode), "4019");
  EXPECT_EQ(big5::ToUtf8(fourth.diagnoses[0].Get(diagnosis_field::kName)), "高血壓");

  // The patient records point at their newest entries.
  PatientRecord patient;
  ASSERT_TRUE(ReadPatient(store, 1, patient));
  EXPECT_EQ(patient.Get(patient_field::kChartOffset), entries[1].read.position.offset);
  ASSERT_TRUE(ReadPatient(store, 4, patient));
  EXPECT_EQ(patient.Get(patient_field::kChartOffset), 0);
}

TEST_F(VisionChartsStepTest, ConfigurationProblemsStopBeforeWriting) {
  WritePrepassFiles({}, {});
  WriteSourceTable(source / "CO03L.DBF", kVisitColumns, {});
  input.folder.his = "x";
  EXPECT_EQ(Run(), StepResult::kStopped);
  EXPECT_EQ(context.messages().back().text, "請先選取正確展望來源目錄");

  input.folder.his = big5::Literal("展望");
  WriteFileBytes(clinic_folder / "data.ini", big5::FromUtf8("[system]\r\n開業日期=1040101\r\n"));
  EXPECT_EQ(Run(), StepResult::kStopped);
  EXPECT_EQ(context.messages().back().text, "沒有診所醫師名字記錄");

  WriteFileBytes(clinic_folder / "data.ini", big5::FromUtf8("[DOCTOR]\r\nA=B\r\n"));
  EXPECT_EQ(Run(), StepResult::kStopped);
  EXPECT_EQ(context.messages().back().text, "沒有開業日期記錄");

  WriteFileBytes(clinic_folder / "data.ini",
                 big5::FromUtf8("[system]\r\n開業日期=1040101\r\n[DOCTOR]\r\nA=B\r\n"));
  input.chart.split_date = "";
  EXPECT_EQ(Run(), StepResult::kStopped);
  EXPECT_EQ(context.messages().back().text, "沒有填寫切割日期,製作方式必須設為之前");
  EXPECT_FALSE(fs::exists(ChartFilePath(store, 0))) << ChartFilePath(store, 0);
}

int RunCli(const std::string& arguments) { return testing::RunCli(arguments).status; }

TEST_F(VisionChartsStepTest, CommandConvertsARecordedWorkTree) {
  if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
  // The command line takes the system from the source folder.
  demo::WriteVisionParameterTable(source, {"Demo", kClinicCode});
  WritePrepassFiles({{1, "1100301", "093000", "cough"}}, {});
  WriteSourceTable(source / "CO03L.DBF", kVisitColumns,
                   {{{"KCSTMR", "1"},
                     {"DATE", "1100301"},
                     {"TIME", "093000"},
                     {"LCS", "01"},
                     {"DAYQTY", "3"},
                     {"LABNO", "J069"}}});
  const std::string common = "--home '" + program.string() + "' vision step charts --work-tree '" +
                             work_tree.string() + "' --source '" + source.string() + "'";
  for (const char* bad : {" --mode sideways", " --file-size 13", " --file-size 6x",
                          " --split-date garbage", " --split-date 1109999", " --start-date 20x"}) {
    EXPECT_EQ(RunCli(common + bad), 64) << bad;
  }
  EXPECT_FALSE(fs::exists(ChartFilePath(store, 0)));
  // Without a split date the step takes the window's default, 1070101; an ISO date is taken too.
  ASSERT_EQ(RunCli(common + " --file-size 1"), 0);
  EXPECT_TRUE(VerifyStore(store).clean());
  std::vector<Entry> entries = Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].chart_text, "cough");
  ASSERT_EQ(RunCli(common + " --split-date 2021-03-02"), 0);
  EXPECT_TRUE(Entries().empty()) << "the visit of 1100301 lies before the split date";
  // The work tree remembers the split date of its last run.
  ASSERT_EQ(RunCli(common), 0);
  EXPECT_TRUE(Entries().empty());
  // An empty split date is accepted only in "before" mode.
  EXPECT_EQ(RunCli(common + " --split-date ''"), 2);
}

}  // namespace
}  // namespace zuvo
