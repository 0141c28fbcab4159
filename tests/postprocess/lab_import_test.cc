#include "postprocess/lab_import.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/program_folder.h"
#include "core/chart_writer.h"
#include "core/patient_store.h"
#include "core/store_verify.h"
#include "core/visit_replacement.h"
#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "postprocess/lab_placement.h"
#include "postprocess/pe_order_lines.h"
#include "postprocess/screening.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }
std::string Item(std::string_view name, std::string_view data) {
  return "<PE><n>" + std::string(name) + "</n><data>" + std::string(data) + "</data></PE>";
}

const DateTime kResultDay = *EncodeDate(2025, 3, 20);  // ROC 1140320
constexpr char kResultDate[] = "1140320";

OrderLine Order(const std::string& code, int16_t flags) {
  OrderLine line;
  line.record.Set(order_field::kInsuranceCode, code);
  line.record.Set(order_field::kFlags1, flags);
  return line;
}

// A converted Vision work tree with the delivered PE.ini and laboratory.ini:
// patient 1: V1 on the result day (health check 21 and blood count 08011C, an exam text with a
//   free-text item, a health-check group and an item no form knows), V2 three days before
//   (the same two orders), V3 twenty days before (outside the window);
// patient 2: V4 on the result day without orders that call for a form.
class LabImportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    home = new TempDir;
    InstallDeliveredFiles(home->path());
  }
  static void TearDownTestSuite() { delete home; }

  LabImportTest() {
    folder.his = B("展望");
    folder.clinic_id = "3501010000";
    folder.source_folder = dir / "VISW";
    folder.work_tree = dir / "work";
    CreateFolders(folder.source_folder);
    CreateFolders(folder.work_tree / "Corvix");
    CopyFileTo(home->path() / "OPDbak.mdb", folder.work_tree / "Corvix" / "OPD.mdb", true);
    store = WorkTreeStore(folder.work_tree, folder.clinic_id);
    CreateFolders(store.server_data_folder);
    for (int32_t patient : {1, 2, 3}) {
      PatientRecord record;
      record.Set(patient_field::kNumber, patient);
      WritePatient(store, record, "");
    }
    FreshChartStoreWriter writer(store, {6, kResultDay - 100, kResultDay + 10});
    auto visit = [&](int32_t patient, DateTime when, std::vector<OrderLine> orders,
                     std::string exam) {
      ChartEntry entry;
      entry.visit.Set(visit_field::kPatientNumber, patient);
      entry.visit.Set(visit_field::kVisitDateTime, when);
      entry.orders = std::move(orders);
      entry.exam_text = std::move(exam);
      writer.Write(entry);
    };
    const std::string health_check =
        Item(B("成人健檢"), Item(B("身高"), "170") +
                                Item(B("血糖"), Item(B("血糖"), Item("Glucose (AC)", "95"))) +
                                Item(B("尿液蛋白質"), "0000") + Item("BMI", Item("BMI", "23.7")));
    visit(1, kResultDay - 20, {Order("08011C", 0x10)}, "");
    visit(1, kResultDay - 3 + 0.4, {Order("21", 0x10), Order("08011C", 0x20)}, health_check);
    visit(1, kResultDay + 0.4,
          {Order("A000000100", 0x01), Order("21", 0x10), Order("08011C", 0x10)},
          Item(B("理學檢查"), "BP normal") + health_check + Item(B("舊檢查"), "keep me"));
    visit(2, kResultDay + 0.5, {Order("A000000100", 0x01)}, "");
    writer.Finish();
  }

  void WriteLabRows(const std::vector<std::vector<std::string>>& rows) {
    const fs::path clinic_folder = home->path() / "VISW" / folder.clinic_id;
    CreateFolders(clinic_folder);
    WriteFileAtomically(clinic_folder / "data.ini", "[DUPID]\r\n0000009=2\r\n");
    DbfWriter table(folder.source_folder / "CO18H.DBF", {{"KCSTMR", 'C', 7},
                                                         {"HDATE", 'C', 7},
                                                         {"HITEM", 'C', 10},
                                                         {"HDSCP", 'C', 20},
                                                         {"HVAL", 'C', 12},
                                                         {"HSNDDT", 'C', 7},
                                                         {"HSNDTM", 'C', 6}});
    for (const auto& row : rows) table.Append(row);
    table.Close();
  }

  // The exam text of the patient's visit on `day` (day number), read through the chains.
  std::string ExamText(int32_t patient, DateTime day, const std::string& from = kResultDate) {
    for (const RecentVisit& visit : LoadRecentVisits(store, patient, from, 30)) {
      if (static_cast<int>(visit.visit.Get(visit_field::kVisitDateTime)) == static_cast<int>(day)) {
        return visit.exam_texts.empty() ? "" : visit.exam_texts.front();
      }
    }
    return "(no visit)";
  }
  std::vector<OrderLine> Orders(int32_t patient, DateTime day) {
    for (const RecentVisit& visit : LoadRecentVisits(store, patient, kResultDate, 30)) {
      if (static_cast<int>(visit.visit.Get(visit_field::kVisitDateTime)) == static_cast<int>(day)) {
        return visit.orders;
      }
    }
    return {};
  }
  bool Listed(const std::string& line) {
    return std::find(context.lines().begin(), context.lines().end(), line) != context.lines().end();
  }
  Workplace Place() {
    return {home->path(), kResultDay + 30, {}, [] { return kResultDay + 30; }};
  }

  static TempDir* home;
  TempDir dir;
  ClinicFolderFields folder;
  StoreLocation store;
  RunFlags flags;
  RecordingStepContext context{flags};
};
TempDir* LabImportTest::home = nullptr;

TEST_F(LabImportTest, ResultsLandInTheFormsOfTheVisitsOfTheirWindow) {
  WriteLabRows({
      {"1", kResultDate, "Z0U001", "WBC", "6.5", "1140321", "093000"},
      {"1", kResultDate, "Z0U061", "HBSAG", "12", "1140321", "093000"},
      {"1", kResultDate, "Z0U062", "HCV", "0.9", "1140321", "093000"},
      {"1", kResultDate, "Z0U035", "RATIO", "3.8", "1140321", "093000"},
      {"1", kResultDate, "Z0U041", "GLU", "101", "1140321", "093000"},
      {"1", kResultDate, "Z0U042", "HBA1C", "6.1", "1140321", "093000"},
      {"1", kResultDate, "Z0U070", "FAT", "22", "1140321", "093000"},
      {"1", kResultDate, "Z0U999", "XYZ", "1", "1140321", "093000"},
      {"1", kResultDate, "Z0U090", "PANEL", "1", "1140321", "093000"},
      {"1", kResultDate, "ABC001", "WBC", "9.9", "1140321", "093000"},
      {"2", kResultDate, "Z0U011", "GOT", "30", "1140322", "100000"},
      {"0000009", kResultDate, "Z0U012", "GPT", "41", "1140322", "100000"},  // [DUPID] 9=2
      {"1", kResultDate, "Z0U051", "UPRO", "trace", "1140322", "110000"},
      {"3", kResultDate, "Z0U001", "WBC", "5", "1140321", "093000"},
      {"X1", kResultDate, "Z0U001", "WBC", "5", "1140321", "093000"},
      {"1", "1140101", "Z0U001", "WBC", "", "1140321", "093000"},
  });
  LabImportOutcome outcome = ImportVisionLabValues(folder, Place(), context);
  ASSERT_EQ(outcome.result, StepResult::kDone);
  EXPECT_EQ(outcome.rows, 16);
  EXPECT_EQ(outcome.replace_failures, 0);
  EXPECT_EQ(outcome.visits_replaced, 6) << "each patient's visits twice";

  const std::string v1 = ExamText(1, kResultDay);
  const std::string v2 = ExamText(1, kResultDay - 3);
  // Direct: the blood count of both visits.
  const std::string blood = Item(B("血液常規"), Item("WBC", "6.5"));
  EXPECT_NE(v1.find(blood), std::string::npos) << big5::ToUtf8(v1);
  EXPECT_NE(v2.find(blood), std::string::npos) << big5::ToUtf8(v2);
  // Shared with conversion: both health checks, and the plain value stand-alone in V1 only.
  for (const std::string* text : {&v1, &v2}) {
    EXPECT_NE(text->find(Item(B("B型肝炎表面抗原(HBsAg)"), B("2：陽性"))), std::string::npos);
    EXPECT_NE(text->find(Item(B("C型肝炎抗體(Anti-HCV)"), B("1：陰性"))), std::string::npos);
    EXPECT_NE(text->find(Item(B("尿液蛋白質"), "9999")), std::string::npos);
  }
  // The second group of the day finds the order lines the first one added and fills their forms.
  EXPECT_NE(v1.find(Item(B("肝炎標記"), Item("HBsAg", "12") + Item("Anti-HCV", "0.9"))),
            std::string::npos);
  EXPECT_EQ(v2.find(B("肝炎標記")), std::string::npos);
  // Anchored next to the health check's LDL, stand-alone with and without an order line.
  EXPECT_NE(v1.find(Item("T-CHO/HDL-C", "3.8")), std::string::npos);
  EXPECT_NE(v1.find(Item(B("血糖值"), Item("Glucose AC", "101") + Item("HbA1c", "6.1"))),
            std::string::npos);
  EXPECT_NE(v1.find(Item(B("體脂肪"), "22")), std::string::npos);
  // The free-text item stays first; the old health-check values are kept in the rebuilt group.
  EXPECT_EQ(v1.rfind(Item(B("理學檢查"), "BP normal"), 0), 0u) << big5::ToUtf8(v1);
  EXPECT_NE(v1.find(Item(B("身高"), "170")), std::string::npos);
  EXPECT_NE(v1.find(Item(B("血糖"), Item(B("血糖"), Item("Glucose (AC)", "95")))),
            std::string::npos);
  EXPECT_NE(v1.find(Item(B("舊檢查"), "keep me")), std::string::npos) << "kept, not dropped";
  EXPECT_NE(v1.find(Item("BMI", Item("BMI", "23.7"))), std::string::npos) << "rebuilt twice";
  EXPECT_FALSE(Listed(std::string("1日1140320 原有資料值_") + "成人健檢_BMI沒有符合項目可填"));
  EXPECT_EQ(ExamText(1, kResultDay - 20), "") << "outside the window";
  // Patient 9 was kept as patient 2: the second group fills the form the first one ordered.
  EXPECT_NE(ExamText(2, kResultDay).find(Item(B("肝功能"), Item("GOT", "30") + Item("GPT", "41"))),
            std::string::npos);

  // Order lines: one per stand-alone section of V1, the blood count stamped in both visits.
  std::vector<std::string> codes;
  for (const OrderLine& line : Orders(1, kResultDay)) {
    codes.push_back(big5::Trim(line.record.Get(order_field::kInsuranceCode)));
  }
  EXPECT_EQ(codes, (std::vector<std::string>{"A000000100", "21", "08011C", "14032C", "nocode",
                                             "09005C", "VFATV", "06013C"}));
  for (DateTime day : {kResultDay, kResultDay - 3}) {
    for (const OrderLine& line : Orders(1, day)) {
      const std::string code = big5::Trim(line.record.Get(order_field::kInsuranceCode));
      if (code == "08011C" || code == "21") {
        EXPECT_EQ(line.record.Get(order_field::kExecutingStaff), "1536180061") << code;
      }
    }
  }
  Database catalogue = Database::Open(folder.work_tree / "Corvix" / "OPD.mdb");
  RecordSet added = catalogue.Query("select * from MX where INSUcode=?", {std::string("VFATV")});
  ASSERT_EQ(added.RecordCount(), 1u);
  EXPECT_EQ(added.Integer("status"), 8);
  EXPECT_EQ(added.Text("EndDate"), "9991231");

  EXPECT_TRUE(Listed("沒有符合檢驗項目:999_XYZ"));
  EXPECT_TRUE(Listed("3沒有1140320之前的14天病歷"));
  EXPECT_TRUE(Listed("病歷號錯誤:X1"));
  EXPECT_TRUE(Listed("1 日期1140320找不到檢驗血糖值_Glucose AC儲存位置"));
  EXPECT_FALSE(Listed("1 日期1140320找不到檢驗血糖值_HbA1c儲存位置")) << "needs no order";
  EXPECT_FALSE(Listed("1 日期1140320找不到檢驗肝炎標記_HBsAg儲存位置")) << "converted";
  EXPECT_TRUE(Listed("1 日期1140320成人健檢尿液蛋白質值trace無法辨識,用[無]代替輸入"));
  EXPECT_TRUE(Listed(std::string("1日1140320 原有資料值_") + "舊檢查_舊檢查沒有符合項目可填"));
  EXPECT_TRUE(VerifyStore(store).clean());
}

TEST_F(LabImportTest, AStoppedImportLeavesAStoreThatVerifies) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 40; ++i) {
    rows.push_back({std::to_string(1 + i % 2), kResultDate, "Z0U001", "WBC", std::to_string(i),
                    "1140321", "093000"});
  }
  WriteLabRows(rows);
  context.RequestStopAfterEvents(3);
  LabImportOutcome outcome = ImportVisionLabValues(folder, Place(), context);
  EXPECT_EQ(outcome.result, StepResult::kStopped);
  EXPECT_GT(outcome.visits_replaced, 0);
  EXPECT_LT(outcome.rows, 40);
  EXPECT_TRUE(VerifyStore(store).clean());

  folder.his = B("耀聖");
  EXPECT_EQ(ImportVisionLabValues(folder, Place(), context).result, StepResult::kStopped);
  EXPECT_EQ(context.MessageTexts().back(), "請先選取正確展望來源目錄");
}

TEST_F(LabImportTest, PEOrderLinesFollowTheCatalogue) {
  Database catalogue = Database::Open(folder.work_tree / "Corvix" / "OPD.mdb");
  catalogue.Execute(
      "insert into MX (INSUcode, Sname, class, status, ChangetoMXname, document, unit, perunit, "
      "UseMethod, RateIndex) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {std::string("VAC01"), B("舊疫苗"), std::string("special"), 0x100, B("新疫苗"),
       B("注意 疫苗批號[AB123] 冷藏"), 2, 4, std::string("QD"), 1000});
  catalogue.Execute(
      "insert into MX (INSUcode, Sname, class, status, document) values (?, ?, ?, ?, ?)",
      {std::string("VAC02"), B("新疫苗"), std::string("OPD"), 0, B("疫苗批號[")});
  catalogue.Execute("insert into MX (INSUcode, Sname, class, status) values (?, ?, ?, ?)",
                    {std::string("OLD01"), B("停用處置"), std::string("OPD"), 0x100});
  const PEDefinitions definitions = PEDefinitions::FromLines(
      {B("疫苗=<INSUcode>VAC01</INSUcode>"), B("停用=<INSUcode> OLD01 , x</INSUcode>"),
       B("診察=<INSUcode>01036c</INSUcode>"), B("手術=<INSUcode>62001C</INSUcode>"),
       B("無碼=<n>無碼</n>")},
      {B("62001C=手術")}, {});
  PEOrderLineSources sources{definitions, catalogue, home->path() / "MX.MDB", kResultDay};
  std::vector<OrderRecord> lines =
      MakePEOrderLines(B("疫苗_停用_診察_手術_無碼_沒定義"), sources, context);
  ASSERT_EQ(lines.size(), 5u);
  // A replaced item with its replacement: the replacement's row, its vaccination note cut at
  // the missing "]".
  EXPECT_EQ(lines[0].Get(order_field::kInsuranceCode), "VAC01");
  EXPECT_EQ(lines[0].Get(order_field::kName), B("新疫苗"));
  EXPECT_EQ(lines[0].Get(order_field::kFlags1), 16);
  EXPECT_EQ(lines[0].Get(order_field::kPreparationNote), B("第一次接種,疫苗批號[]"));
  // A replaced item without one: its own row.
  EXPECT_EQ(lines[1].Get(order_field::kInsuranceCode), "OLD01");
  EXPECT_EQ(lines[1].Get(order_field::kName), B("停用處置"));
  // A free consultation code: dose and usage cleared, category "G".
  EXPECT_EQ(lines[2].Get(order_field::kInsuranceCode), "01036c");
  EXPECT_EQ(lines[2].Get(order_field::kPaymentPercent), 0);
  EXPECT_EQ(lines[2].Get(order_field::kFrequencyText), "");
  EXPECT_EQ(lines[2].Get(order_field::kQuantityUnit), "");
  EXPECT_EQ(lines[2].Get(order_field::kOrderCategory), 'G');
  // An NHI code taken into the catalogue from MX.MDB: an operation.
  EXPECT_EQ(lines[3].Get(order_field::kFlags1), 32);
  RecordSet added = catalogue.Query("select * from MX where INSUcode=?", {std::string("62001C")});
  ASSERT_EQ(added.RecordCount(), 1u);
  EXPECT_EQ(added.Text("class"), "operate");
  EXPECT_EQ(added.Text("Sname"), B("手術"));
  // No INSUcode: "nocode" and the values of an item the catalogue lacks.
  EXPECT_EQ(lines[4].Get(order_field::kInsuranceCode), "nocode");
  EXPECT_EQ(lines[4].Get(order_field::kName), B("無碼"));
  EXPECT_EQ(lines[4].Get(order_field::kQuantityUnit), B("次(個)"));
  EXPECT_EQ(lines[4].Get(order_field::kFrequencyText), "ASORDER");
  EXPECT_EQ(context.MessageTexts(),
            (std::vector<std::string>{
                "舊疫苗 本項目自動替代為 新疫苗", "停用處置 本藥品或處置停止使用",
                "理學: 診察的健保碼或虛擬代碼不在處方集(OPD.mdb)內,仍會寫入",
                "理學: 無碼 沒有設定健保碼或虛擬碼,用虛擬碼nocode儲存", "找不到理學設定:沒定義"}));
  EXPECT_EQ(context.messages()[0].kind, MessageKind::kInformation);
  EXPECT_EQ(context.messages()[1].kind, MessageKind::kError);
}

TEST(LabConversionTest, HealthCheckAnswersReadAsTheFormExpects) {
  bool recognised = false;
  EXPECT_EQ(UrineProteinGrade("-", recognised), "0000");
  EXPECT_EQ(UrineProteinGrade("+/-", recognised), "1100");
  EXPECT_EQ(UrineProteinGrade("3+", recognised), "3333");
  EXPECT_TRUE(recognised);
  EXPECT_EQ(UrineProteinGrade("5+", recognised), "9999");
  EXPECT_FALSE(recognised);
  EXPECT_EQ(HepatitisCAnswer("0.9"), B("1：陰性"));
  EXPECT_EQ(HepatitisCAnswer("0.91"), B("2：陽性"));
  EXPECT_EQ(HepatitisBAnswer("10"), B("2：陽性"));
  EXPECT_EQ(HepatitisBAnswer("9.99"), B("1：陰性"));
  EXPECT_EQ(HepatitisBAnswer("n/a"), B("1：陰性"));
}

}  // namespace
}  // namespace zuvo
