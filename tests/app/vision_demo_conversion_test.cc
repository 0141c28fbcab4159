// The one-shot Vision run over the demo clinic with the real steps: every step finishes, the
// store verifies clean, and the screening's counts and `common` flags agree with a tally worked
// out here straight from the generated source tables.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

#include "app/pipeline_run.h"
#include "app/program_folder.h"
#include "app/vision_pipeline.h"
#include "core/chart_store.h"
#include "core/store_verify.h"
#include "demo/demo_clinic.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "postprocess/common_item_tally.h"
#include "postprocess/screening.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/folder_layout.h"
#include "workspace/vision_selection.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// The run's clock: the day after the demo's last visit day, so that its last two years of
// visits are screened. Screening counts the days from 2024-12-02 to this one.
const DateTime kRunTime = *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});
constexpr std::string_view kFirstScreenedDay = "1131202";
constexpr std::string_view kLastScreenedDay = "1151201";

std::string Trimmed(const DbfTable& table, std::string_view field) {
  return big5::Trim(table.Text(field));
}

std::vector<std::string> SplitAtCommas(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = std::min(text.find(',', start), text.size());
    std::string item = big5::Trim(text.substr(start, comma - start));
    if (!item.empty()) items.push_back(item);
    start = comma + 1;
  }
  return items;
}

// What screening should find, from the source tables and the converted catalogue: for every
// visit of a patient in the screened days, its diagnosis codes (main code, then the secondary
// codes not already met; the demo's preventive-care codes stand for fixed ICD-10 codes) and its
// order codes (the catalogue row found by trade name, else by short name, gives its NHI code
// and class; a code the catalogue lacks stays as typed).
struct ExpectedTally {
  CodeTally diagnoses;
  CodeTally orders;                             // every order line, whatever its class
  std::map<std::string, std::string> class_of;  // NHI code → catalogue class
};

ExpectedTally TallySource(const fs::path& source, Database& catalogue) {
  static const std::map<std::string, std::string> kPreventive = {{"@85", "Z13811"},
                                                                 {"@23", "Z008"}};
  ExpectedTally expected;
  std::set<std::string> visits;  // patient + date + time
  DbfTable visit_table = DbfTable::Open(source, "CO03L.DBF");
  for (visit_table.First(); !visit_table.Eof(); visit_table.Next()) {
    std::string date = Trimmed(visit_table, "DATE");
    if (visit_table.Integer("KCSTMR") == 0 || date < kFirstScreenedDay || date > kLastScreenedDay)
      continue;
    visits.insert(Trimmed(visit_table, "KCSTMR") + date + Trimmed(visit_table, "TIME"));
    std::vector<std::string> codes = {Trimmed(visit_table, "LABNO")};
    for (const std::string& code : SplitAtCommas(visit_table.Text("LACD"))) {
      if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
    }
    for (const std::string& code : codes) {
      auto preventive = kPreventive.find(code);
      ++expected.diagnoses[preventive == kPreventive.end() ? code : preventive->second];
    }
  }
  DbfTable order_table = DbfTable::Open(source, "CO02P.DBF");
  for (order_table.First(); !order_table.Eof(); order_table.Next()) {
    std::string key = Trimmed(order_table, "KCSTMR") + Trimmed(order_table, "PDATE") +
                      Trimmed(order_table, "PTIME");
    if (!visits.count(key)) continue;
    std::string drug = Trimmed(order_table, "KDRUG");
    std::string code = drug;
    for (const char* column : {"Tname", "Sname"}) {
      RecordSet row = catalogue.Query(std::string("select INSUcode, class from MX where ") +
                                          column + " = ? collate nocase order by rowid limit 1",
                                      {drug});
      if (!row.Eof()) {
        code = row.Text("INSUcode");
        expected.class_of[code] = row.Text("class");
        break;
      }
    }
    ++expected.orders[code];
  }
  return expected;
}

CodeTally Merged(const CommonItemTallies& tallies) {
  CodeTally merged;
  for (const CodeTally* tally :
       {&tallies.drop_orders, &tallies.oral_orders, &tallies.other_orders}) {
    for (const auto& [code, count] : *tally) merged[code] += count;
  }
  return merged;
}

std::set<std::string> Codes(const CodeTally& tally) {
  std::set<std::string> codes;
  for (const auto& [code, count] : tally) codes.insert(code);
  return codes;
}

std::set<std::string> Column(Database& catalogue, std::string_view statement) {
  std::set<std::string> values;
  for (RecordSet rows = catalogue.Query(statement); !rows.Eof(); rows.Next()) {
    values.insert(rows.Text("code"));
  }
  return values;
}

std::set<std::string> Intersection(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::set<std::string> both;
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::inserter(both, both.end()));
  return both;
}

class VisionDemoConversionTest : public ::testing::Test {
 protected:
  VisionDemoConversionTest() {
    InstallDeliveredFiles(program);
    demo::WriteVisionDemoSource(source, 1);
    fields.chart.split_date = VisionPipeline().default_split_date;
    context.AnswerNextFolder(source);
    EXPECT_EQ(SelectVisionFolder(fields.folder, place, context), StepResult::kDone);
    context.ClearLines();
  }

  StoreLocation Store() const {
    return WorkTreeStoreLocation(fields.folder.work_tree, fields.folder.clinic_id);
  }

  TempDir dir;
  fs::path program = dir / "program";
  fs::path source = dir / "source";
  RunFlags flags;
  RecordingStepContext context{flags};
  RunFields fields;
  Workplace place{program, kRunTime, {}, [] { return kRunTime; }};
};

TEST_F(VisionDemoConversionTest, EveryStepRunsAndScreeningMatchesTheSourceTally) {
  std::vector<std::string_view> ticked;
  RunOutcome outcome = RunOneShot(VisionPipeline(), fields, place, context,
                                  [&](const PipelineStep& step) { ticked.push_back(step.word); });
  ASSERT_TRUE(outcome.completed);
  EXPECT_EQ(ticked, (std::vector<std::string_view>{"catalogue", "patients", "prepass", "charts",
                                                   "screen"}));
  EXPECT_EQ(context.MessageTexts(), (std::vector<std::string>{"Zuvo病歷資料製作完成"}));

  StoreVerifyReport verified = VerifyStore(Store());
  for (const StoreFinding& finding : verified.findings) {
    ADD_FAILURE() << finding.where << ": " << finding.problem;
  }
  EXPECT_GT(verified.entries, 100u);
  // The demo's referral files name patients of the clinic: their texts reach the order lines'
  // remarks (a form's request and a reply's advice).
  std::string charts;
  for (const auto& [code, path] : ListChartFiles(Store())) charts += ReadWholeFile(path);
  for (const char* text : {"請協助診治", "持續追蹤"}) {
    EXPECT_NE(charts.find(big5::FromUtf8(text)), std::string::npos) << text;
  }

  Database catalogue = Database::Open(fields.folder.work_tree / "Corvix" / "OPD.mdb");
  ExpectedTally expected = TallySource(source, catalogue);
  RecordingStepContext counting(flags);
  CommonItemTallies counted = CountCommonItems(Store(), kRunTime, counting);
  EXPECT_EQ(counted.diagnoses, expected.diagnoses);
  EXPECT_EQ(Merged(counted), expected.orders);
  // Lines of a catalogue drug land in the tally of its class.
  for (const auto& [code, order_class] : expected.class_of) {
    const CodeTally& tally = order_class == "drop"   ? counted.drop_orders
                             : order_class == "oral" ? counted.oral_orders
                                                     : counted.other_orders;
    EXPECT_TRUE(tally.count(code)) << code << " " << order_class;
  }
  // The demo uses fewer than 80 codes of each kind, so every code met is common: the rows
  // whose code occurs, and no other row.
  EXPECT_EQ(
      Column(catalogue, "select ICD10 as code from DX where common <> 0"),
      Intersection(Codes(expected.diagnoses), Column(catalogue, "select ICD10 as code from DX")));
  EXPECT_EQ(
      Column(catalogue, "select INSUcode as code from MX where common <> 0"),
      Intersection(Codes(expected.orders), Column(catalogue, "select INSUcode as code from MX")));
  EXPECT_GE(expected.class_of.size(), 4u);
}

TEST_F(VisionDemoConversionTest, StopInsideThePatientStepLeavesTheLaterStepsUnrun) {
  Pipeline pipeline = VisionPipeline();
  PipelineStep& patients = pipeline.steps[1];
  ASSERT_EQ(patients.word, "patients");
  patients.run = [this, convert = patients.run](RunFields& run_fields, const Workplace& step_place,
                                                StepContext& step_context) {
    context.RequestStopAfterEvents(context.events_processed() + 20);
    return convert(run_fields, step_place, step_context);
  };
  RunOutcome outcome = RunOneShot(pipeline, fields, place, context);

  EXPECT_FALSE(outcome.completed);
  EXPECT_EQ(outcome.steps_done, (std::vector<std::string_view>{"catalogue"}));
  EXPECT_FALSE(flags.StepMessages());
  EXPECT_TRUE(context.MessageTexts().empty());
  // Neither the pre-pass nor the charts nor the screening ran.
  EXPECT_FALSE(ResolvePath(fields.folder.work_tree, "CC.rd"));
  EXPECT_FALSE(ResolvePath(Store().server_data_folder, "DayLink.Dat"));
  EXPECT_EQ(std::count(context.lines().begin(), context.lines().end(), "篩選常用診斷及醫令完成"),
            0);
  EXPECT_NE(ReadWholeFile(outcome.report).find("已停止"), std::string::npos);
  // The patient step ended early: the demo's 215 patients are not all written.
  size_t written = VerifyStore(Store()).patients;
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, 100u);
}

}  // namespace
}  // namespace zuvo
