#include "postprocess/vision_lab_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

#include "app/program_folder.h"
#include "charts/source_tables.h"
#include "charts/vision_adult_health_check.h"
#include "core/chart_writer.h"
#include "core/patient_store.h"
#include "core/pe_definitions.h"
#include "core/store_verify.h"
#include "core/tag_elements.h"
#include "core/visit_replacement.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "postprocess/screening.h"
#include "postprocess/vision_lab_placement.h"
#include "postprocess/vision_lab_sections.h"
#include "postprocess/vision_pe_order_lines.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

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

struct TestVisit {
  int32_t patient;
  DateTime when;
  std::vector<OrderLine> orders;
  std::string exam;
};

// A converted Vision work tree whose program folder holds the delivered files (PE.ini and
// laboratory.ini among them) and whose catalogue is fresh from the template; the visits are
// the test's.
class LabWorkTreeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    home = new TempDir;
    InstallDeliveredFiles(home->path());
  }
  static void TearDownTestSuite() { delete home; }

  LabWorkTreeTest() {
    folder.his = B("展望");
    folder.clinic_id = "3501010000";
    folder.source_folder = dir / "VISW";
    folder.work_tree = dir / "work";
    CreateFolders(folder.source_folder);
    CreateFolders(folder.work_tree / "Corvix");
    CopyFileTo(home->path() / "OPDbak.mdb", folder.work_tree / "Corvix" / "OPD.mdb", true);
    store = WorkTreeStoreLocation(folder.work_tree, folder.clinic_id);
    CreateFolders(store.server_data_folder);
  }

  // Patients 1..`patients` and a chart store of `visits`.
  void WriteVisits(int32_t patients, const std::vector<TestVisit>& visits) {
    for (int32_t patient = 1; patient <= patients; ++patient) {
      PatientRecord record;
      record.Set(patient_field::kNumber, patient);
      WritePatient(store, record, "");
    }
    FreshChartStoreWriter writer(store, {6, kResultDay - 100, kResultDay + 10});
    for (const TestVisit& visit : visits) {
      ChartEntry entry;
      entry.visit.Set(visit_field::kPatientNumber, visit.patient);
      entry.visit.Set(visit_field::kVisitDateTime, visit.when);
      entry.orders = visit.orders;
      entry.exam_text = visit.exam;
      writer.Write(entry);
    }
    writer.Finish();
  }

  // The clinic folder's data.ini, which the import reads for merged patient numbers.
  void WriteDataIni(std::string_view text) {
    const fs::path clinic_folder = home->path() / "VISW" / folder.clinic_id;
    CreateFolders(clinic_folder);
    WriteFileAtomically(clinic_folder / "data.ini", text);
  }
  void WriteLabRows(const std::vector<std::vector<std::string>>& rows) {
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
  // Runs the import on the fixture's clinic fields.
  StepResult Import() {
    VisionLabInput input{folder};
    return ImportVisionLabValues(input, Place(), context);
  }

  static TempDir* home;
  TempDir dir;
  ClinicFolderFields folder;
  StoreLocation store;
  RunFlags flags;
  RecordingStepContext context{flags};
};
TempDir* LabWorkTreeTest::home = nullptr;

// patient 1: V1 on the result day (health check 21 and blood count 08011C, an exam text with a
//   free-text item, a health-check group and an item no form knows), V2 three days before
//   (the same two orders), V3 twenty days before (outside the window);
// patient 2: V4 on the result day without orders that call for a form; patient 3: no visit.
class LabImportTest : public LabWorkTreeTest {
 protected:
  LabImportTest() {
    const std::string health_check =
        Item(B("成人健檢"), Item(B("身高"), "170") +
                                Item(B("血糖"), Item(B("血糖"), Item("Glucose (AC)", "95"))) +
                                Item(B("尿液蛋白質"), "0000") + Item("BMI", Item("BMI", "23.7")));
    WriteVisits(
        3, {{1, kResultDay - 20, {Order("08011C", 0x10)}, ""},
            {1, kResultDay - 3 + 0.4, {Order("21", 0x10), Order("08011C", 0x20)}, health_check},
            {1,
             kResultDay + 0.4,
             {Order("A000000100", 0x01), Order("21", 0x10), Order("08011C", 0x10)},
             Item(B("理學檢查"), "BP normal") + health_check + Item(B("舊檢查"), "keep me")},
            {2, kResultDay + 0.5, {Order("A000000100", 0x01)}, ""}});
    WriteDataIni("[DUPID]\r\n0000009=2\r\n");
  }
};

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
  VisionLabInput outcome{folder};
  ASSERT_EQ(ImportVisionLabValues(outcome, Place(), context), StepResult::kDone);
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
  // The second group of the day finds the order lines the first one added and fills their forms
  // (the hepatitis form once, though two of its orders call for it); the items that stood alone
  // under their own name stay as they are.
  EXPECT_NE(v1.find(Item(B("肝炎標記"), Item("HBsAg", "12"))), std::string::npos);
  EXPECT_EQ(v1.find(B("肝炎標記")), v1.rfind(B("肝炎標記")));
  EXPECT_NE(v1.find(Item("Anti-HCV", "0.9")), std::string::npos);
  EXPECT_EQ(v2.find(B("肝炎標記")), std::string::npos);
  // Anchored next to the health check's LDL, stand-alone with and without an order line.
  EXPECT_NE(v1.find(Item("T-CHO/HDL-C", "3.8")), std::string::npos);
  EXPECT_NE(v1.find(Item("HbA1c", "6.1")), std::string::npos);
  EXPECT_NE(v1.find(Item(B("體脂肪"), "22")), std::string::npos);
  // The fasting glucose goes to the newest health check, which keeps the group's shape.
  const std::string glucose = [](std::string_view value) {
    return Item(B("血糖"), Item(B("血糖"), Item("Glucose (AC)", value)));
  }("101");
  EXPECT_NE(v1.find(glucose), std::string::npos) << big5::ToUtf8(v1);
  EXPECT_EQ(v2.find(glucose), std::string::npos);
  EXPECT_EQ(v1.find(B("血糖值")), std::string::npos) << "no fasting-glucose order of its own";
  // The free-text item stays first; the old health-check values are kept in the rebuilt group.
  EXPECT_EQ(v1.rfind(Item(B("理學檢查"), "BP normal"), 0), 0u) << big5::ToUtf8(v1);
  EXPECT_NE(v1.find(Item(B("身高"), "170")), std::string::npos);
  EXPECT_NE(v2.find(Item(B("血糖"), Item(B("血糖"), Item("Glucose (AC)", "95")))),
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
  EXPECT_EQ(codes, (std::vector<std::string>{"A000000100", "21", "08011C", "14032C", "14051C",
                                             "nocode", "09006C", "VFATV", "06013C"}));
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
  EXPECT_TRUE(Listed("1 日期1140320找不到檢驗HbA1c儲存位置"));
  EXPECT_FALSE(Listed("1 日期1140320找不到檢驗血糖值_Glucose AC儲存位置")) << "shared";
  EXPECT_FALSE(Listed("1 日期1140320找不到檢驗體脂肪儲存位置")) << "needs no order";
  for (std::string_view field : {"(AC)", "(PC)"}) {
    EXPECT_FALSE(Listed("1日1140320 原有資料值_成人健檢_血糖_血糖_Glucose " + std::string(field) +
                        "沒有符合項目可填"));
  }
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
  VisionLabInput outcome{folder};
  EXPECT_EQ(ImportVisionLabValues(outcome, Place(), context), StepResult::kStopped);
  EXPECT_GT(outcome.visits_replaced, 0);
  EXPECT_LT(outcome.rows, 40);
  EXPECT_TRUE(VerifyStore(store).clean());

  // Run again on the same fields for another system: refused, and no count of the run before
  // is left to be read as this one's.
  outcome.folder.his = B("耀聖");
  EXPECT_EQ(ImportVisionLabValues(outcome, Place(), context), StepResult::kStopped);
  EXPECT_EQ(context.MessageTexts().back(), "請先選取正確展望來源目錄");
  EXPECT_EQ(outcome.rows, 0);
  EXPECT_EQ(outcome.visits_replaced, 0);
}

TEST_F(LabImportTest, AChartFileStartedByOneReplacementServesTheNextOnes) {
  // The append point past the file limit: the first copy starts chart file 1.
  std::string days = testing::ReadFileBytes(store.DayIndexPath());
  days.replace(8, 4, std::string("\x81\x8d\x5b\x00", 4));
  testing::WriteFileBytes(store.DayIndexPath(), days);
  // Three groups: patient 1, patient 2, patient 1 again, whose visits are then copies in file 1.
  WriteLabRows({{"1", kResultDate, "Z0U001", "WBC", "6.5", "1140321", "093000"},
                {"2", kResultDate, "Z0U011", "GOT", "30", "1140322", "100000"},
                {"1", kResultDate, "Z0U002", "RBC", "4.8", "1140321", "093000"}});
  VisionLabInput outcome{folder};
  ASSERT_EQ(ImportVisionLabValues(outcome, Place(), context), StepResult::kDone);
  EXPECT_EQ(outcome.visits_replaced, 5);
  EXPECT_EQ(outcome.replace_failures, 0);
  const std::string blood = Item(B("血液常規"), Item("WBC", "6.5") + Item("RBC", "4.8"));
  for (DateTime day : {kResultDay, kResultDay - 3}) {
    EXPECT_NE(ExamText(1, day).find(blood), std::string::npos) << big5::ToUtf8(ExamText(1, day));
  }
  for (const RecentVisit& visit : LoadRecentVisits(store, 1, kResultDate, 14)) {
    EXPECT_EQ(visit.position.file_code, 1) << "the copies of both groups lie in file 1";
  }
  EXPECT_TRUE(VerifyStore(store).clean());
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

  // Asked again, the names give the same lines and show the same messages, from memory or not.
  const std::vector<std::string> first_messages = context.MessageTexts();
  const std::vector<OrderRecord> again =
      MakePEOrderLines(B("疫苗_停用_診察_手術_無碼_沒定義"), sources, context);
  ASSERT_EQ(again.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(again[i].view(), lines[i].view()) << i;
  std::vector<std::string> twice = first_messages;
  twice.insert(twice.end(), first_messages.begin(), first_messages.end());
  EXPECT_EQ(context.MessageTexts(), twice);
  EXPECT_EQ(context.messages()[6].kind, MessageKind::kError);
  EXPECT_EQ(
      catalogue.Query("select * from MX where INSUcode=?", {std::string("62001C")}).RecordCount(),
      1u)
      << "added once";
}

// The lab items of the delivered laboratory.ini that are NHI tests, with the code the NHI fee
// schedule gives the test, the form an order of that code shows and the result's field there.
// (Urine OB is left out: 06013C does not name occult blood; the ratio T-CHO/HDL-C and body fat
// are no NHI tests.)
struct LabTest {
  const char* item;  // HITEM after "Z0U"
  const char* name;  // HDSCP
  const char* value;
  const char* code;
  const char* form_utf8;
  const char* field;
  const char* schedule_name;  // the start of the fee schedule's English name of the code
};
constexpr LabTest kLabTests[] = {
    {"001", "WBC", "6.5", "08011C", "血液常規", "WBC", "CBC-I"},
    {"002", "RBC", "4.8", "08011C", "血液常規", "RBC", "CBC-I"},
    {"003", "HB", "14.1", "08011C", "血液常規", "Hb", "CBC-I"},
    {"004", "HCT", "42", "08011C", "血液常規", "Hct", "CBC-I"},
    {"005", "PLT", "250", "08011C", "血液常規", "PLT", "CBC-I"},
    {"006", "MCV", "88", "08011C", "血液常規", "MCV", "CBC-I"},
    {"011", "GOT", "25", "09025C", "肝功能", "GOT", "S-GOT/AST"},
    {"012", "GPT", "31", "09026C", "肝功能", "GPT", "S-GPT/ALT"},
    {"013", "ALP", "70", "09027C", "肝功能", "ALP", "Alkaline phosphatase"},
    {"014", "TBIL", "0.8", "09029C", "肝功能", "T-Bil", "Bilirubin total"},
    {"021", "BUN", "14", "09002C", "腎功能", "BUN", "BUN"},
    {"022", "CRE", "1.1", "09015C", "腎功能", "Creatinine", "Creatinine (B)"},
    // Reckoned from the blood creatinine.
    {"023", "EGFR", "77", "09015C", "腎功能", "eGFR", "Creatinine (B)"},
    {"024", "UA", "5.9", "09013C", "腎功能", "UA", "Uric acid"},
    {"031", "TCHO", "190", "09001C", "血脂", "T-CHO", "Cholestero"},
    {"032", "TG", "120", "09004C", "血脂", "TG", "Triglyceride"},
    {"033", "LDL", "110", "09044C", "血脂", "LDL", "LDL-C"},
    {"034", "HDL", "52", "09043C", "血脂", "HDL", "HDL-C"},
    {"041", "GLU", "99", "09005C", "血糖值", "Glucose AC", "Glucose"},
    {"042", "HBA1C", "6.3", "09006C", "血糖值", "HbA1c", "HbA1c"},
    {"051", "UPRO", "-", "06013C", "尿液檢查", "Urine Protein", "Urine biochemistry"},
    {"052", "USUG", "+/-", "06013C", "尿液檢查", "Urine Sugar", "Urine biochemistry"},
    {"054", "UMALB", "18", "12111C", "微白蛋白", "Urine Microalbumin", "Microalbumin"},
    // The ratio of the microalbumin measured to the urine creatinine.
    {"055", "UACR", "25", "12111C", "微白蛋白", "Urine ACR", "Microalbumin"},
    {"061", "HBSAG", "0.3", "14032C", "肝炎標記", "HBsAg", "HBsAg"},
    {"062", "HCV", "0.2", "14051C", "肝炎標記", "Anti-HCV", "HCV Ab"},
};

const LabTest& TestOf(std::string_view item) {
  for (const LabTest& test : kLabTests) {
    if (test.item == item) return test;
  }
  throw std::logic_error("no lab test " + std::string(item));
}

// The rows of an RFC 4180 file; quoted fields may hold commas, doubled quotes and line ends.
std::vector<std::vector<std::string>> ReadCsv(const fs::path& file) {
  const std::string text = testing::ReadFileBytes(file);
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',' || c == '\n') {
      rows.back().push_back(std::move(field));
      field.clear();
      if (c == '\n') rows.emplace_back();
    } else if (c != '\r') {
      field += c;
    }
  }
  if (rows.back().empty() && field.empty()) {
    rows.pop_back();
  } else {
    rows.back().push_back(std::move(field));
  }
  return rows;
}

TEST(NhiFeeSchedule, GivesEachLabTestTheCodeItIsBilledWith) {
  ZUVO_REQUIRE_REFERENCE_DATA();
  const auto rows = ReadCsv(testing::ReferenceDataDir() / "nhi_fee_schedule.csv");
  ASSERT_EQ(rows.size(), 1u + 5273u) << "the header and the rows its README counts";
  ASSERT_EQ(rows[0][0], "code");
  ASSERT_EQ(rows[0][2], "name_en");
  ASSERT_EQ(rows[0][5], "end_date");
  std::map<std::string, const std::vector<std::string>*> by_code;
  for (const auto& row : rows) by_code.emplace(row[0], &row);
  for (const LabTest& test : kLabTests) {
    auto found = by_code.find(test.code);
    ASSERT_NE(found, by_code.end()) << test.code;
    const std::vector<std::string>& row = *found->second;
    EXPECT_TRUE(row[2].starts_with(test.schedule_name)) << test.name << ": " << row[2];
    EXPECT_EQ(row[5], "29101231") << test.code << " is still in force";
  }
}

// The delivered settings over the lab results of the tests above.
class DeliveredLabSettingsTest : public LabWorkTreeTest {
 protected:
  static std::vector<std::string> Row(int32_t patient, const LabTest& test) {
    return {std::to_string(patient),
            kResultDate,
            std::string("Z0U") + test.item,
            test.name,
            test.value,
            "1140321",
            "093000"};
  }
  std::vector<std::string> Codes(int32_t patient) {
    std::vector<std::string> codes;
    for (const OrderLine& line : Orders(patient, kResultDay)) {
      codes.push_back(big5::Trim(line.record.Get(order_field::kInsuranceCode)));
    }
    return codes;
  }
  // Whether the import could not order a code from the catalogue or PE.ini.
  bool CatalogueComplained() {
    for (const std::string& text : context.MessageTexts()) {
      if (text.starts_with("理學") || text.starts_with("找不到理學設定")) return true;
    }
    return false;
  }
};

TEST_F(DeliveredLabSettingsTest, AResultIsOrderedWithItsOwnCodeUnlessItsTestIsOrdered) {
  // Patient i + 1: a visit without orders; patient n + i + 1: a visit ordering the test.
  const int32_t n = static_cast<int32_t>(std::size(kLabTests));
  std::vector<TestVisit> visits;
  std::vector<std::vector<std::string>> rows;
  for (int32_t i = 0; i < n; ++i) {
    const LabTest& test = kLabTests[i];
    visits.push_back({i + 1, kResultDay + 0.4, {}, ""});
    visits.push_back({n + i + 1, kResultDay + 0.4, {Order(test.code, 0x10)}, ""});
    rows.push_back(Row(i + 1, test));
    rows.push_back(Row(n + i + 1, test));
  }
  WriteVisits(2 * n, visits);
  WriteLabRows(rows);
  ASSERT_EQ(Import(), StepResult::kDone);
  for (int32_t i = 0; i < n; ++i) {
    const LabTest& test = kLabTests[i];
    EXPECT_EQ(Codes(i + 1), std::vector<std::string>{test.code}) << test.name;
    EXPECT_EQ(Codes(n + i + 1), std::vector<std::string>{test.code}) << test.name << " ordered";
    EXPECT_EQ(ExamText(n + i + 1, kResultDay),
              Item(B(test.form_utf8), Item(test.field, test.value)))
        << test.name;
    const std::vector<OrderLine> ordered = Orders(n + i + 1, kResultDay);
    ASSERT_FALSE(ordered.empty());
    EXPECT_EQ(ordered[0].record.Get(order_field::kExecutingStaff), "1536180061") << test.name;
  }
  EXPECT_FALSE(CatalogueComplained());
  EXPECT_TRUE(VerifyStore(store).clean());
}

TEST_F(DeliveredLabSettingsTest, APanelBillsEachCodeOnceAndShowsEachFormOnce) {
  const std::vector<std::vector<std::string_view>> panels = {
      {"001", "002", "003", "004", "005", "006"},  // blood count
      {"011", "012", "013", "014"},                // liver
      {"021", "022", "023", "024"},                // kidney
      {"031", "032", "033", "034"},                // lipids
      {"041", "042"},                              // glucose, HbA1c
      {"051", "052"},                              // urine
      {"054", "055"},                              // urine microalbumin
      {"061", "062"},                              // hepatitis B and C
  };
  // Panel p: patient 2p + 1 without orders, 2p + 2 ordering each of the panel's codes once.
  std::vector<std::vector<std::string>> codes(panels.size());
  std::vector<TestVisit> visits;
  std::vector<std::vector<std::string>> rows;
  for (size_t p = 0; p < panels.size(); ++p) {
    const int32_t plain = static_cast<int32_t>(2 * p + 1);
    TestVisit ordered{plain + 1, kResultDay + 0.4, {}, ""};
    for (std::string_view item : panels[p]) {
      const LabTest& test = TestOf(item);
      if (std::find(codes[p].begin(), codes[p].end(), test.code) == codes[p].end()) {
        codes[p].push_back(test.code);
        ordered.orders.push_back(Order(test.code, 0x10));
      }
      rows.push_back(Row(plain, test));
    }
    for (std::string_view item : panels[p]) rows.push_back(Row(plain + 1, TestOf(item)));
    visits.push_back({plain, kResultDay + 0.4, {}, ""});
    visits.push_back(std::move(ordered));
  }
  WriteVisits(static_cast<int32_t>(2 * panels.size()), visits);
  WriteLabRows(rows);
  ASSERT_EQ(Import(), StepResult::kDone);

  for (size_t p = 0; p < panels.size(); ++p) {
    const int32_t plain = static_cast<int32_t>(2 * p + 1);
    const std::string where = "panel of " + std::string(panels[p].front());
    std::vector<std::string> billed = Codes(plain);
    std::vector<std::string> expected = codes[p];
    std::sort(billed.begin(), billed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(billed, expected) << where << " without orders";

    EXPECT_EQ(Codes(plain + 1), codes[p]) << where << ": nothing added to its orders";
    const std::string text = ExamText(plain + 1, kResultDay);
    std::set<std::string> forms;
    for (std::string_view item : panels[p]) {
      const LabTest& test = TestOf(item);
      forms.insert(B(test.form_utf8));
      EXPECT_NE(text.find(Item(test.field, test.value)), std::string::npos)
          << test.name << " in " << big5::ToUtf8(text);
    }
    for (const std::string& form : forms) {
      const std::string tag = "<n>" + form + "</n>";
      EXPECT_EQ(text.find(tag), text.rfind(tag)) << big5::ToUtf8(form) << " once in " << where;
      EXPECT_NE(text.find(tag), std::string::npos);
    }
    for (const OrderLine& line : Orders(plain + 1, kResultDay)) {
      EXPECT_EQ(line.record.Get(order_field::kExecutingStaff), "1536180061")
          << line.record.Get(order_field::kInsuranceCode) << " stamped";
    }
  }
  EXPECT_FALSE(CatalogueComplained());
}

// The health-check form of PE.ini has a line for every value the health-check conversion
// writes, and no other: a rebuilt health check keeps all of its values.
TEST(DeliveredPESettings, TheHealthCheckFormHasTheShapeTheConversionWrites) {
  TempDir home;
  InstallDeliveredFiles(home.path());
  const PEDefinitions definitions = PEDefinitions::Load(home / "PE.ini");
  TempDir dir;
  testing::SourceRow row{{"KCSTMR", "5"}, {"RDATE", "1090102"}};
  for (size_t i = 2; i < testing::kHealthCheckColumns.size(); ++i) {
    row[testing::kHealthCheckColumns[i]] = "2";
  }
  testing::WriteSourceTable(dir / "CO18R.DBF", testing::kHealthCheckColumns, {row}, 12);
  DbfTable table = DbfTable::Open(dir.path(), "CO18R.DBF");
  std::string exam;
  OrderRecord order;
  AddAdultHealthCheck(table, "5", "1090102", exam, order, 'M');
  std::vector<std::string> elements;
  ASSERT_NE(ReadTagElements(exam, 1, "PE", elements), 0u);
  const std::string group = B("成人健檢");
  ASSERT_EQ(ElementValue(elements, "n"), group);

  std::set<std::string> form;
  for (const std::string& line : ExpandPEFields(definitions, group, "")) {
    form.insert(line.substr(0, line.find('=')));
  }
  const auto written = FlattenPEItem(group, ElementValue(elements, "data"));
  // 50 items, the glucose group holding two values.
  EXPECT_EQ(written.size(), 51u);
  EXPECT_EQ(form.size(), written.size());
  for (const auto& [name, value] : written) {
    EXPECT_TRUE(form.contains(name)) << big5::ToUtf8(name);
  }
  EXPECT_TRUE(form.contains(B("_成人健檢_血糖_血糖_Glucose (PC)")));
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
