#include "postprocess/screening.h"

#include <gtest/gtest.h>

#include <set>

#include "app/program_folder.h"
#include "core/chart_writer.h"
#include "core/patient_store.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "postprocess/common_item_tally.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"

namespace zuvo {
namespace {

using testing::TempDir;

const DateTime kNow = *EncodeDateTime({2026, 3, 15, 10, 30, 0, 0});

std::string Code(char prefix, int number) {
  std::string digits = std::to_string(number);
  return std::string(1, prefix) + std::string(3 - digits.size(), '0') + digits;
}

class ScreeningTest : public ::testing::Test {
 protected:
  // The delivered files take seconds to build: one program folder serves every test.
  static void SetUpTestSuite() {
    home_dir = new TempDir;
    InstallDeliveredFiles(home_dir->path());
  }
  static void TearDownTestSuite() { delete home_dir; }

  // The work tree lies in neither system's area, so that either step takes it.
  ScreeningTest() : work_tree(dir / "work" / "3501010000" / "1150315_1") {
    CreateFolders(work_tree / "Corvix");
    CopyFileTo(home_dir->path() / "OPDbak.mdb", work_tree / "Corvix" / "OPD.mdb", true);
    store = WorkTreeStoreLocation(work_tree, " 3501010000 ");
    CreateFolders(store.server_data_folder);
    for (int32_t patient = 1; patient <= 3; ++patient) {
      PatientRecord record;
      record.Set(patient_field::kNumber, patient);
      WritePatient(store, record, "");
    }
  }

  // The screening steps' fields of the work tree, its HIS field reading `his`.
  ScreeningInput Clinic(std::string_view his) const {
    ScreeningInput clinic;
    clinic.folder.his = big5::Literal(his);
    clinic.folder.work_tree = work_tree;
    clinic.folder.clinic_id = "3501010000";
    return clinic;
  }
  // The moment of the screening, in the program folder `dir`.
  Workplace Place() const {
    return {dir.path(), kNow, {}, [] { return kNow; }};
  }

  void AddCatalogueRows(const std::vector<std::string>& diagnoses,
                        const std::vector<std::string>& orders, bool common) {
    Database catalogue = Database::Open(work_tree / "Corvix" / "OPD.mdb");
    for (const std::string& code : diagnoses) {
      catalogue.Execute("insert into DX (ICD10, common) values (?, ?)", {code, common});
    }
    for (const std::string& code : orders) {
      catalogue.Execute("insert into MX (INSUcode, common) values (?, ?)", {code, common ? -1 : 0});
    }
  }

  // The codes whose row carries the flag.
  std::set<std::string> Common(const char* table, const char* key) {
    Database catalogue = Database::Open(work_tree / "Corvix" / "OPD.mdb");
    std::set<std::string> codes;
    RecordSet rows = catalogue.Query(std::string("select * from ") + table + " where common<>0");
    for (rows.First(); !rows.Eof(); rows.Next()) codes.insert(rows.Text(key));
    return codes;
  }

  static OrderLine Order(const std::string& code, int16_t flags) {
    OrderLine line;
    line.record.Set(order_field::kInsuranceCode, code);
    line.record.Set(order_field::kFlags1, flags);
    return line;
  }

  // Writes one visit per element: (patient, day, diagnoses, orders).
  struct VisitSpec {
    int32_t patient;
    DateTime at;
    std::vector<std::string> diagnoses;
    std::vector<OrderLine> orders;
  };
  void WriteVisits(const std::vector<VisitSpec>& visits) {
    FreshChartStoreSettings settings;
    settings.opening_date = kNow - 1000;
    settings.now = kNow;
    FreshChartStoreWriter writer(store, settings);
    for (const VisitSpec& spec : visits) {
      ChartEntry entry;
      entry.visit.Set(visit_field::kPatientNumber, spec.patient);
      entry.visit.Set(visit_field::kVisitDateTime, spec.at);
      for (const std::string& code : spec.diagnoses) {
        DiagnosisRecord diagnosis;
        diagnosis.Set(diagnosis_field::kCode, code);
        entry.diagnoses.push_back(diagnosis);
      }
      entry.orders = spec.orders;
      writer.Write(entry);
    }
    writer.Finish();
  }

  static inline TempDir* home_dir = nullptr;
  TempDir dir;
  std::filesystem::path work_tree;
  StoreLocation store;
  RunFlags flags;
  RecordingStepContext context{flags};
};

TEST_F(ScreeningTest, EightyMostFrequentPerRankedTallyAndEveryOtherOrder) {
  // Diagnosis k (1..81) occurs 200 - k times; drop order k likewise; one oral and one other
  // order once each. Half the diagnoses lie on another visit day to cross the day chain.
  std::vector<std::string> diagnosis_codes, order_codes;
  VisitSpec first{1, kNow - 3.2, {}, {}}, second{2, kNow - 3.1, {}, {}};
  for (int k = 1; k <= 81; ++k) {
    diagnosis_codes.push_back(Code('D', k));
    order_codes.push_back(Code('A', k));
    for (int n = 0; n < 200 - k; ++n) {
      (n % 2 == 0 ? first : second).diagnoses.push_back(Code('D', k));
      (n % 2 == 0 ? second : first).orders.push_back(Order(Code('A', k), 0x0001));
    }
  }
  first.orders.push_back(Order("ORAL1", 0x0002));
  first.orders.push_back(Order("DROPORAL", 0x0003));  // drop wins over oral
  second.orders.push_back(Order("INJ1", 0x0004));
  order_codes.insert(order_codes.end(), {"ORAL1", "DROPORAL", "INJ1", "UNUSED"});
  diagnosis_codes.push_back("UNUSED");
  AddCatalogueRows(diagnosis_codes, order_codes, true);
  WriteVisits({first, second});

  ScreeningOutcome outcome = ScreenCommonItems(work_tree, store, kNow, context);
  EXPECT_TRUE(outcome.screened);
  EXPECT_EQ(outcome.entries, 2);

  std::set<std::string> expected_diagnoses(diagnosis_codes.begin(), diagnosis_codes.begin() + 80);
  EXPECT_EQ(Common("DX", "ICD10"), expected_diagnoses);
  // DROPORAL counts as a drop (once) and so misses the 80 drop places; as an oral line it
  // would have been common.
  std::set<std::string> expected_orders(order_codes.begin(), order_codes.begin() + 80);
  expected_orders.insert({"ORAL1", "INJ1"});
  EXPECT_EQ(Common("MX", "INSUcode"), expected_orders);
  EXPECT_TRUE(context.lines().empty());
}

TEST_F(ScreeningTest, CountsTodayButNotTheDayTwoYearsBack) {
  const DateTime two_years_back = *EncodeDateTime({2024, 3, 15, 9, 0, 0, 0});
  AddCatalogueRows({"TODAY", "EDGE", "INSIDE"}, {}, false);
  WriteVisits({{1, kNow - 0.1, {"TODAY"}, {}},
               {2, two_years_back, {"EDGE"}, {}},
               {3, two_years_back + 1, {"INSIDE"}, {}}});
  ScreenCommonItems(work_tree, store, kNow, context);
  EXPECT_EQ(Common("DX", "ICD10"), (std::set<std::string>{"TODAY", "INSIDE"}));
}

TEST(RankByCountTest, KeepsCodesWithEqualCountsInCodeOrder) {
  CodeTally tally{{"B", 5}, {"A", 5}, {"C", 7}, {"D", 1'000'001}};
  EXPECT_EQ(RankByCount(tally, 3), (std::vector<std::string>{"D", "C", "A"}));
  EXPECT_TRUE(RankByCount({}, 80).empty());
}

TEST_F(ScreeningTest, MissingDayIndexChangesNothing) {
  AddCatalogueRows({"J00"}, {"A001"}, true);
  ScreeningOutcome outcome = ScreenCommonItems(work_tree, store, kNow, context);
  EXPECT_FALSE(outcome.screened);
  ASSERT_EQ(context.MessageTexts().size(), 1u);
  EXPECT_EQ(context.MessageTexts()[0],
            "沒有" + PathToUtf8(store.server_data_folder / "") + "DayLink.Dat");
  EXPECT_EQ(Common("DX", "ICD10"), (std::set<std::string>{"J00"}));
  EXPECT_EQ(Common("MX", "INSUcode"), (std::set<std::string>{"A001"}));
  // The buttons report no completion for a catalogue left unscreened.
  flags.SetStepMessages(true);
  RecordingStepContext vision(flags);
  ScreeningInput vision_input = Clinic("展望");
  EXPECT_EQ(ScreenVisionWorkTree(vision_input, Place(), vision), StepResult::kStopped);
  EXPECT_FALSE(vision_input.outcome.screened);
  EXPECT_TRUE(vision.lines().empty());
  EXPECT_EQ(vision.MessageTexts().size(), 1u);
  RecordingStepContext realsun(flags);
  ScreeningInput realsun_input = Clinic("耀聖");
  EXPECT_EQ(ScreenRealSunWorkTree(realsun_input, Place(), realsun), StepResult::kStopped);
  EXPECT_EQ(realsun.MessageTexts().size(), 1u);
}

TEST_F(ScreeningTest, DamagedEntryIsReportedAndItsDayGoesOn) {
  AddCatalogueRows({"OLDER", "NEWER"}, {}, false);
  WriteVisits({{1, kNow - 1.5, {"OLDER"}, {}}, {2, kNow - 1.4, {"NEWER"}, {}}});
  // The newer entry's chart-text tag (right after header and visit record) becomes 99.
  std::filesystem::path chart = ListByWildcard(store.ChartFolder(), "D*")[0];
  std::string bytes = ReadWholeFile(chart);
  size_t newer = bytes.rfind(std::string("\x01\x00", 2) + "Zuvo");
  ASSERT_NE(newer, std::string::npos);
  bytes[newer + 2 + kChartHeaderSize + 2 + kVisitRecordSize] = 99;
  WriteFileAtomically(chart, bytes);

  ScreenCommonItems(work_tree, store, kNow, context);
  EXPECT_EQ(context.lines(), (std::vector<std::string>{"chart readerror:2"}));
  EXPECT_EQ(Common("DX", "ICD10"), (std::set<std::string>{"OLDER"}));
}

TEST_F(ScreeningTest, StepsReportRefuseOtherSystemsOrKeepAPreparedCatalogue) {
  AddCatalogueRows({"J00"}, {}, false);
  WriteVisits({{1, kNow - 0.5, {"J00"}, {}}});
  flags.SetStepMessages(true);
  ScreeningInput vision = Clinic("展望");
  EXPECT_EQ(ScreenVisionWorkTree(vision, Place(), context), StepResult::kDone);
  EXPECT_TRUE(vision.outcome.screened);
  EXPECT_EQ(vision.outcome.entries, 1);
  EXPECT_EQ(vision.outcome.common_diagnoses, 1u);
  EXPECT_EQ(context.lines(), (std::vector<std::string>{"篩選常用診斷及醫令完成"}));
  EXPECT_EQ(context.MessageTexts(), (std::vector<std::string>{"篩選常用診斷及醫令完成"}));

  // Each step refuses the other system's clinic before it counts anything; what a run before
  // reported is not left in the fields.
  Database::Open(work_tree / "Corvix" / "OPD.mdb").Execute("update DX set common=0");
  RecordingStepContext other_vision(flags);
  vision.folder.his = big5::Literal("耀聖");
  EXPECT_EQ(ScreenVisionWorkTree(vision, Place(), other_vision), StepResult::kStopped);
  EXPECT_EQ(other_vision.MessageTexts(), (std::vector<std::string>{"請先正確選取原始系統目錄"}));
  EXPECT_FALSE(vision.outcome.screened);
  EXPECT_EQ(vision.outcome.entries, 0);
  RecordingStepContext other(flags);
  ScreeningInput not_realsun = Clinic("展望");
  EXPECT_EQ(ScreenRealSunWorkTree(not_realsun, Place(), other), StepResult::kStopped);
  EXPECT_EQ(other.MessageTexts(), (std::vector<std::string>{"請先選取正確耀聖來源目錄"}));
  EXPECT_TRUE(Common("DX", "ICD10").empty());

  CreateFolders(dir / "RS" / "3501010000");
  CopyFileTo(home_dir->path() / "OPDbak.mdb", dir / "RS" / "3501010000" / "opd.MDB", true);
  RecordingStepContext prepared(flags);
  ScreeningInput realsun = Clinic("耀聖");
  EXPECT_EQ(ScreenRealSunWorkTree(realsun, Place(), prepared), StepResult::kDone);
  EXPECT_FALSE(realsun.outcome.screened);
  EXPECT_TRUE(prepared.lines().empty());
  EXPECT_EQ(prepared.MessageTexts(), (std::vector<std::string>{"篩選常用診斷及醫令完成"}));
  EXPECT_TRUE(Common("DX", "ICD10").empty());
}

}  // namespace
}  // namespace zuvo
