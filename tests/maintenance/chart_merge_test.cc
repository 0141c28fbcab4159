#include "maintenance/chart_merge.h"

#include <gtest/gtest.h>

#include <map>

#include "core/byte_layout.h"
#include "core/chart_entry.h"
#include "core/chart_fixture.h"
#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/day_index.h"
#include "core/day_number.h"
#include "core/store_verify.h"
#include "maintenance/finding_text.h"
#include "support/chart_set_builder.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "workspace/conversion_guard.h"

namespace zuvo {
namespace {

using testing::BuildChartSet;
using testing::ChartSetSpec;
using testing::ChartSetStoreOf;
using testing::I16At;
using testing::I32At;
using testing::NumberedPatient;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::Visit;

constexpr char kCode[] = "3501200000";

double Day(int year, int month, int day) { return *EncodeDate(year, month, day); }

ChartEntry TextVisit(int32_t patient, double when, const std::string& text) {
  ChartEntry entry = Visit(patient, when);
  entry.chart_text = text;
  return entry;
}

PatientRecord Named(int32_t number, const std::string& name) {
  PatientRecord record = NumberedPatient(number);
  record.Set(patient_field::kName, name);
  return record;
}

// The chart texts of a patient's merged chain, newest first.
std::vector<std::string> ChainTexts(const StoreLocation& store, int32_t patient) {
  PatientRecord record;
  EXPECT_TRUE(ReadPatient(store, patient, record));
  ChartFileSet files(store);
  std::vector<std::string> texts;
  WalkChain(files,
            {record.Get(patient_field::kChartFileCode), record.Get(patient_field::kChartOffset)},
            ChainKind::kPatient, EntryDetail::kFull, [&](const ChartEntryRead& entry) {
              for (const ChartBlock& block : entry.blocks) {
                if (block.tag == chart_tag::kChartText) texts.push_back(block.payload);
              }
            });
  return texts;
}

class ChartMergeTest : public ::testing::Test {
 protected:
  ChartMergeTest() : context(flags) {
    flags.SetStepMessages(true);
    place.program_folder = home.path();
    place.now = Day(2026, 12, 9) + 0.5;
    place.clock = [] { return Day(2026, 12, 9) + 0.6; };
  }

  // Past set: patients 1 to 3 with visits in 2020, split at 110/01/01. Recent set: patients 1, 2
  // and 4, from mid 2020 on, split at 109/06/01.
  void BuildSets(double past_opening = Day(2020, 1, 1), bool past_visits = true) {
    ChartSetSpec past;
    past.tag = "past";
    past.split_date = "1100101";
    past.patients = {Named(1, "past1"), Named(2, "past2"), Named(3, "past3")};
    past.visits = {
        TextVisit(1, Day(2020, 3, 1) + 0.4, "P1a"), TextVisit(2, Day(2020, 3, 1) + 0.5, "P2a"),
        TextVisit(3, Day(2020, 8, 1) + 0.4, "P3a"), TextVisit(1, Day(2020, 9, 1) + 0.4, "P1b")};
    if (!past_visits) past.visits.clear();
    past.opening = past_opening;
    past.last_day = Day(2020, 12, 31);
    BuildChartSet(home / "past", past);

    ChartSetSpec recent;
    recent.tag = "recent";
    recent.split_date = "1090601";
    recent.patients = {Named(1, "recent1"), Named(2, "recent2"), Named(4, "recent4")};
    recent.notes = {std::string(150, 'n'), "", "short"};
    recent.visits = {TextVisit(1, Day(2020, 7, 1) + 0.4, "R1-before"),
                     TextVisit(1, Day(2021, 1, 1) + 0.4, "R1-split-day"),
                     TextVisit(4, Day(2021, 1, 5) + 0.4, "R4a"),
                     TextVisit(2, Day(2021, 3, 1) + 0.4, "R2a"),
                     TextVisit(4, Day(2021, 4, 1) + 0.4, "R4b"),
                     TextVisit(1, Day(2021, 2, 1) + 0.4, "R1-findings")};
    recent.opening = Day(2020, 6, 1);
    recent.last_day = Day(2021, 6, 30);
    BuildChartSet(home / "recent", recent);
  }

  ChartMergeFields Fields() {
    ChartMergeFields fields;
    fields.recent.folder = home / "recent";
    fields.past.folder = home / "past";
    ReadChartSetSettings(fields.recent);
    ReadChartSetSettings(fields.past);
    return fields;
  }

  StoreLocation Merged(const ChartMergeFields& fields) {
    return ChartSetStoreOf(fields.merged_folder, kCode);
  }

  TempDir home;
  RunFlags flags;
  RecordingStepContext context;
  Workplace place;
};

TEST_F(ChartMergeTest, RecentEntriesFromThePastSplitDateJoinThePastStoreOnceEach) {
  BuildSets();
  ChartMergeFields fields = Fields();
  ASSERT_EQ(MergeChartSets(fields, place, context), StepResult::kDone)
      << ::testing::PrintToString(context.MessageTexts());
  const ChartMergeCounts& outcome = fields.merged;
  EXPECT_EQ(fields.merged_folder, home.path() / "KKK" / kCode / "1151209" / "");
  EXPECT_EQ(outcome.patients, 3u);
  EXPECT_EQ(outcome.entries, 5u);
  EXPECT_EQ(context.MessageTexts(), std::vector<std::string>{std::string(kMergeDone)});

  const StoreLocation merged = Merged(fields);
  StoreVerifyReport report = VerifyStore(merged);
  EXPECT_TRUE(report.clean()) << report.findings.front().where << report.findings.front().problem;
  EXPECT_EQ(report.day_entries, 4u + 5u);

  // Newest first, recent entries before the past ones; the one before the split date is absent.
  EXPECT_EQ(ChainTexts(merged, 1),
            (std::vector<std::string>{"R1-findings", "R1-split-day", "P1b", "P1a"}));
  EXPECT_EQ(ChainTexts(merged, 2), (std::vector<std::string>{"R2a", "P2a"}));
  EXPECT_EQ(ChainTexts(merged, 3), (std::vector<std::string>{"P3a"}));
  EXPECT_EQ(ChainTexts(merged, 4), (std::vector<std::string>{"R4b", "R4a"}));

  PatientRecord record;
  std::string note;
  ASSERT_TRUE(ReadPatientWithNote(merged, 1, record, note));
  EXPECT_EQ(record.Get(patient_field::kName), "recent1");
  EXPECT_EQ(note, std::string(150, 'n'));
  ASSERT_TRUE(ReadPatient(merged, 3, record));
  EXPECT_EQ(record.Get(patient_field::kName), "past3");
  ASSERT_TRUE(ReadPatientWithNote(merged, 4, record, note));
  EXPECT_EQ(note, "short");

  DayIndex days = LoadDayIndex(merged);
  EXPECT_EQ(days.first_day(), *DayNumberOf(Day(2020, 1, 1)));
  EXPECT_EQ(days.record(*days.RecordOf(*DayNumberOf(Day(2021, 1, 1)))).count, 1);
  EXPECT_EQ(days.record(*days.RecordOf(*DayNumberOf(Day(2021, 4, 1)))).count, 1);
  EXPECT_FALSE(days.RecordOf(*DayNumberOf(Day(2021, 4, 2))).has_value());

  const auto& root = fields.merged_folder;
  EXPECT_EQ(ReadFileBytes(root / "Corvix" / "OPD.mdb"), "opd recent");
  EXPECT_EQ(ReadFileBytes(root / "Corvix" / "PERSONAL.mdb"), "personal recent");
  EXPECT_EQ(ReadFileBytes(root / "Tolsern" / "Tolsern.INI"), "[Tolsern]\r\nset=recent\r\n");
  EXPECT_EQ(ReadFileBytes(merged.server_data_folder / "MEMBER.SCR"), "member recent");
  EXPECT_EQ(ReadFileBytes(merged.server_data_folder / "INSUdata" / "recent.XML"), "claim recent");
  EXPECT_EQ(ReadFileBytes(merged.server_data_folder / "INSUdata" / "past.XML"), "claim past");
  EXPECT_EQ(ReadFileBytes(merged.server_data_folder / "Paper" / "recent.txt"), "paper recent");
  EXPECT_GE(std::filesystem::file_size(merged.patient_index_path), 6'775'180u);
  std::optional<ConversionRecord> run = ReadConversionRecord(root);
  ASSERT_TRUE(run.has_value());
  EXPECT_EQ(run->state, ConversionState::kCompleted);
}

TEST_F(ChartMergeTest, FindingsAreRenderedAfterTheChartText) {
  FindingRecord finding;
  finding.Set(finding_field::kName, " BP ");
  finding.Set(finding_field::kTime, "0930");
  finding.Set(finding_field::kArea, "L arm");
  finding.Set(finding_field::kNote, "sitting");
  finding.Set(finding_field::kPlusMinus, '+');
  finding.Set(finding_field::kCode, uint16_t{120});
  EXPECT_EQ(FindingText(finding), "name=BP^time=0930^area=L arm^note=sitting^plusminus=+^code=120");

  BuildSets();
  // The recent entry of patient 1 on 2021-02-01, the last one written, gets two findings after
  // its chart text.
  const StoreLocation recent = ChartSetStoreOf(home / "recent", kCode);
  PatientRecord record;
  ASSERT_TRUE(ReadPatient(recent, 1, record));
  ChartPosition head{record.Get(patient_field::kChartFileCode),
                     record.Get(patient_field::kChartOffset)};
  std::string file = ReadFileBytes(ChartFilePath(recent, head.file_code));
  // Rewrite the entry's end tag as two findings and an end tag, at the end of the file.
  ASSERT_EQ(file.size(), static_cast<size_t>(LoadDayIndex(recent).append_point().offset - 1));
  MemoryByteSource source(file);
  ChartEntryRead entry = ReadChartEntry(source, head, EntryDetail::kFraming);
  ASSERT_TRUE(entry.well_formed);
  ASSERT_EQ(entry.end, file.size());
  std::string findings;
  AppendBlock(chart_tag::kFinding, finding.view(), findings);
  finding.Set(finding_field::kName, "HR");
  AppendBlock(chart_tag::kFinding, finding.view(), findings);
  file.insert(file.size() - kTagSize, findings);
  testing::WriteFileBytes(ChartFilePath(recent, head.file_code), file);
  DayIndex days = LoadDayIndex(recent);
  days.set_append_point({head.file_code, static_cast<int32_t>(file.size() + 1)});
  SaveDayIndex(recent, days);

  ChartMergeFields fields = Fields();
  ASSERT_EQ(MergeChartSets(fields, place, context), StepResult::kDone);
  EXPECT_EQ(ChainTexts(Merged(fields), 1).front(),
            "R1-findings,name=BP^time=0930^area=L arm^note=sitting^plusminus=+^code=120,"
            "name=HR^time=0930^area=L arm^note=sitting^plusminus=+^code=120");
  EXPECT_TRUE(VerifyStore(Merged(fields)).clean());
}

// The merged entry of a recent visit without chart text holds no chart text block; one with
// text keeps its block. Offsets by the chart store's layout: tag 2 bytes, header 56, visit
// record 292, diagnosis 364, order 272, text block 2 + 4 + its length; the fixture visit has
// two diagnoses and one order line without remark.
TEST_F(ChartMergeTest, OnlyAnEntryWithTextGetsAChartTextBlock) {
  ChartSetSpec past;
  past.split_date = "1100101";
  past.patients = {Named(1, "past1")};
  past.visits = {TextVisit(1, Day(2020, 3, 1) + 0.4, "P1a")};
  past.opening = Day(2020, 1, 1);
  past.last_day = Day(2020, 12, 31);
  BuildChartSet(home / "past", past);
  ChartSetSpec recent;
  recent.split_date = "1090601";
  recent.patients = {Named(1, "recent1")};
  // Appended oldest first: the one without text, then "R1".
  recent.visits = {TextVisit(1, Day(2021, 2, 1) + 0.4, ""),
                   TextVisit(1, Day(2021, 3, 1) + 0.4, "R1")};
  recent.opening = Day(2020, 6, 1);
  recent.last_day = Day(2021, 6, 30);
  BuildChartSet(home / "recent", recent);

  ChartMergeFields fields = Fields();
  ASSERT_EQ(MergeChartSets(fields, place, context), StepResult::kDone);
  const StoreLocation merged = Merged(fields);
  const std::string file = ReadFileBytes(ChartFilePath(merged, 0));
  // Past entry "P1a": 58 + 294 + (6 + 3) + 2 * 366 + 274 + 2 = 1369 bytes at offset 1. Recent
  // without text: 1360 bytes at offset 1370. Recent "R1": 1368 bytes at offset 2730.
  ASSERT_EQ(file.size(), 1369u + 1360u + 1368u);

  const size_t without_text = 1369;
  EXPECT_EQ(I16At(file, without_text), chart_tag::kHeader);
  EXPECT_EQ(I16At(file, without_text + 58), chart_tag::kVisit);
  EXPECT_EQ(I16At(file, without_text + 352), chart_tag::kDiagnosis);
  EXPECT_EQ(I16At(file, without_text + 718), chart_tag::kDiagnosis);
  EXPECT_EQ(I16At(file, without_text + 1084), chart_tag::kOrder);
  EXPECT_EQ(I16At(file, without_text + 1358), chart_tag::kEnd);

  const size_t with_text = 2729;
  EXPECT_EQ(I16At(file, with_text), chart_tag::kHeader);
  EXPECT_EQ(I32At(file, with_text + 2 + 24), 0) << "previous of patient: the entry without text";
  EXPECT_EQ(I32At(file, with_text + 2 + 28), 1370);
  EXPECT_EQ(I16At(file, with_text + 58), chart_tag::kVisit);
  EXPECT_EQ(I16At(file, with_text + 352), chart_tag::kChartText);
  EXPECT_EQ(I32At(file, with_text + 354), 2);
  EXPECT_EQ(file.substr(with_text + 358, 2), "R1");
  EXPECT_EQ(I16At(file, with_text + 360), chart_tag::kDiagnosis);
  EXPECT_EQ(I16At(file, with_text + 1366), chart_tag::kEnd);

  PatientRecord record;
  ASSERT_TRUE(ReadPatient(merged, 1, record));
  EXPECT_EQ(record.Get(patient_field::kChartOffset), 2730);
  EXPECT_EQ(LoadDayIndex(merged).append_point(), (ChartPosition{0, 4098}));
  StoreVerifyReport report = VerifyStore(merged);
  EXPECT_TRUE(report.clean()) << report.findings.front().where << report.findings.front().problem;
}

TEST_F(ChartMergeTest, EntriesBeforeTheMergedFirstDayRebaseTheDayIndex) {
  // The past day index begins after the recent entries' days.
  BuildSets(Day(2021, 3, 15), false);
  ChartMergeFields fields = Fields();
  ASSERT_EQ(MergeChartSets(fields, place, context), StepResult::kDone);
  const StoreLocation merged = Merged(fields);
  StoreVerifyReport report = VerifyStore(merged);
  EXPECT_TRUE(report.clean()) << report.findings.front().where << report.findings.front().problem;
  DayIndex days = LoadDayIndex(merged);
  EXPECT_EQ(days.first_day(), *DayNumberOf(Day(2021, 1, 1)));
  for (double day :
       {Day(2021, 1, 1), Day(2021, 1, 5), Day(2021, 2, 1), Day(2021, 3, 1), Day(2021, 4, 1)}) {
    std::optional<size_t> k = days.RecordOf(*DayNumberOf(day));
    ASSERT_TRUE(k.has_value());
    EXPECT_EQ(days.record(*k).count, 1) << FormatDateTime(day);
  }
}

TEST_F(ChartMergeTest, AnAppendPointPastSixMillionStartsTheNextChartFile) {
  BuildSets();
  const StoreLocation past = ChartSetStoreOf(home / "past", kCode);
  SetDayLink(past, DayCountMode::kKeep, 0, 0, 6'000'001, 0);
  ChartMergeFields fields = Fields();
  ASSERT_EQ(MergeChartSets(fields, place, context), StepResult::kDone);
  const StoreLocation merged = Merged(fields);
  PatientRecord record;
  ASSERT_TRUE(ReadPatient(merged, 4, record));
  EXPECT_EQ(record.Get(patient_field::kChartFileCode), 1);
  ASSERT_TRUE(ReadPatient(merged, 1, record));
  // Patient 1's first recent entry was the first appended.
  ChartFileSet files(merged);
  std::vector<ChartPosition> chain;
  WalkChain(files,
            {record.Get(patient_field::kChartFileCode), record.Get(patient_field::kChartOffset)},
            ChainKind::kPatient, EntryDetail::kFraming,
            [&](const ChartEntryRead& entry) { chain.push_back(entry.position); });
  ASSERT_EQ(chain.size(), 4u);
  EXPECT_EQ(chain[1], (ChartPosition{1, 1}));
  EXPECT_TRUE(VerifyStore(merged).clean());
}

TEST_F(ChartMergeTest, ADamagedRecentEntryIsListedAndLeftOutAndTheWalkGoesOn) {
  BuildSets();
  const StoreLocation recent = ChartSetStoreOf(home / "recent", kCode);
  PatientRecord record;
  ASSERT_TRUE(ReadPatient(recent, 4, record));
  const ChartPosition newest{record.Get(patient_field::kChartFileCode),
                             record.Get(patient_field::kChartOffset)};
  std::string file = ReadFileBytes(ChartFilePath(recent, newest.file_code));
  // The chart text's tag, after the header and the visit record.
  const size_t text_tag =
      static_cast<size_t>(newest.offset) - 1 + 2 * kTagSize + kChartHeaderSize + kVisitRecordSize;
  ASSERT_EQ(LoadI16(file.data() + text_tag), chart_tag::kChartText);
  file[text_tag] = 99;
  testing::WriteFileBytes(ChartFilePath(recent, newest.file_code), file);

  ChartMergeFields fields = Fields();
  ASSERT_EQ(MergeChartSets(fields, place, context), StepResult::kDone);
  const ChartMergeCounts& outcome = fields.merged;
  EXPECT_EQ(outcome.dropped_entries, 1u);
  EXPECT_EQ(outcome.entries, 4u);
  EXPECT_EQ(ChainTexts(Merged(fields), 4), (std::vector<std::string>{"R4a"}));
  size_t listed = 0;
  for (const std::string& line : context.lines()) listed += line.rfind("病歷讀取錯誤:4 ", 0) == 0;
  EXPECT_EQ(listed, 1u);
  EXPECT_TRUE(VerifyStore(Merged(fields)).clean());
}

TEST_F(ChartMergeTest, ChecksRefuseBeforeAnythingIsWritten) {
  BuildSets();
  struct Case {
    std::function<void(ChartMergeFields&)> change;
    std::string_view message;
  };
  const std::vector<Case> cases = {
      {[](ChartMergeFields& f) { f.recent.clinic_code = "3501200001"; }, kSameClinicRequired},
      {[](ChartMergeFields& f) { f.past.clinic_code = f.recent.clinic_code = " "; },
       kSameClinicRequired},
      {[](ChartMergeFields& f) { f.past.folder.clear(); }, kSameClinicRequired},
      {[](ChartMergeFields& f) { f.past.split_date = "1101301"; }, kPastSplitDateMissing},
      {[](ChartMergeFields& f) { f.past.split_date = "garbage"; }, kPastSplitDateMissing},
      {[](ChartMergeFields& f) { f.recent.split_date = "1100102"; }, kRecentSplitDateLater},
      {[&](ChartMergeFields& f) { f.merged_folder = home / "past" / "inside"; },
       kMergedFolderOverlaps},
      {[&](ChartMergeFields& f) { f.merged_folder = home.path(); }, kMergedFolderOverlaps},
      {[&](ChartMergeFields& f) { f.merged_folder = home / "elsewhere"; },
       kMergedFolderOutsideArea},
      {[&](ChartMergeFields& f) { f.merged_folder = home / "KKK"; }, kMergedFolderOutsideArea},
  };
  for (const Case& refused : cases) {
    ChartMergeFields fields = Fields();
    refused.change(fields);
    RecordingStepContext fresh(flags);
    EXPECT_EQ(MergeChartSets(fields, place, fresh), StepResult::kStopped);
    EXPECT_EQ(fresh.MessageTexts(), std::vector<std::string>{std::string(refused.message)});
  }
  EXPECT_FALSE(std::filesystem::exists(home / "KKK"));
  EXPECT_FALSE(std::filesystem::exists(home / "past" / "inside"));
  EXPECT_FALSE(std::filesystem::exists(home / "elsewhere"));
}

// Files a refused merge must not leave anywhere below `folder`: a lock or a conversion record.
std::vector<std::filesystem::path> MergeTraces(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> traces;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name == kClinicLockName || name == kConversionRecordName) traces.push_back(entry.path());
  }
  return traces;
}

TEST_F(ChartMergeTest, OneSetGivenAsBothIsRefusedNamingBothFolders) {
  BuildSets();
  std::filesystem::create_directory_symlink(home / "recent", home / "recent-link");
  std::filesystem::copy(home / "past", home / "recent" / "older",
                        std::filesystem::copy_options::recursive);
  std::filesystem::copy(
      home / "recent", home / "past" / "newer",
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_symlinks);
  const std::filesystem::path recent = home / "recent";
  const std::vector<std::pair<std::filesystem::path, std::filesystem::path>> cases = {
      {recent, recent},                                // the same folder
      {recent / "", home / "past" / ".." / "recent"},  // spelt otherwise
      {home / "recent-link", recent},                  // through a link
      {recent, home / "recent-link" / ""},
      {recent, recent / "older"},                // the past set inside the recent one
      {home / "past" / "newer", home / "past"},  // the recent set inside the past one
  };
  for (const auto& [recent_folder, past_folder] : cases) {
    ChartMergeFields fields = Fields();
    fields.recent.folder = recent_folder;
    fields.past.folder = past_folder;
    RecordingStepContext fresh(flags);
    EXPECT_EQ(MergeChartSets(fields, place, fresh), StepResult::kStopped);
    EXPECT_EQ(fresh.MessageTexts(),
              std::vector<std::string>{
                  "錯誤:新舊病歷資料夾不能是同一個資料夾,也不能一個在另一個之內:近期 " +
                  PathToUtf8(recent_folder) + ",過去 " + PathToUtf8(past_folder)});
  }
  EXPECT_FALSE(std::filesystem::exists(home / "KKK"));
  EXPECT_EQ(MergeTraces(home.path()), std::vector<std::filesystem::path>{});

  // Two sets side by side, one of them reached through a link, still merge.
  ChartMergeFields fields = Fields();
  fields.recent.folder = home / "recent-link";
  EXPECT_EQ(MergeChartSets(fields, place, context), StepResult::kDone);
}

}  // namespace
}  // namespace zuvo
