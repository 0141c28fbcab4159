#include "core/visit_replacement.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "byte_layout.h"
#include "chart_fixture.h"
#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/chart_writer.h"
#include "core/day_index.h"
#include "core/roc_date.h"
#include "core/store_verify.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/test_point.h"
#include "support/folder_files.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::I16At;
using testing::I32At;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::U32At;
using testing::Visit;
using testing::WriteFileBytes;
using testing::WritePatients;

constexpr double kOpening = 45000.0;  // 2023-03-15
constexpr double kDay1 = kOpening + 1;
constexpr double kDay3 = kOpening + 3;
constexpr size_t kTag = 2;

double At(double day, int hour) { return day + hour / 24.0; }

// Patient 1: A (day 1, 9:00), B (day 1, 10:00), D (day 3); patient 2: C (day 1, 11:00).
// Day 1's chain: C → B → A; patient 1's chain: D → B → A.
class VisitReplacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WritePatients(store, {1, 2});
    FreshChartStoreWriter writer(store, {1, kOpening, kOpening + 30});
    for (auto [patient, when, name] : {std::tuple{1, At(kDay1, 9), &a},
                                       {1, At(kDay1, 10), &b},
                                       {2, At(kDay1, 11), &c},
                                       {1, At(kDay3, 8), &d}}) {
      ChartEntry entry = Visit(patient, when);
      entry.exam_text = "<PE><n>OLD</n><data>1</data></PE>";
      OrderLine lab;
      lab.record.Set(order_field::kInsuranceCode, "09015C");
      lab.remark = "remark";
      entry.orders.push_back(lab);
      *name = writer.Write(entry);
    }
    writer.Finish();
    end_of_file = ReadFileBytes(ChartFilePath(store, 0)).size();
  }

  std::string Chart(int32_t code = 0) { return ReadFileBytes(ChartFilePath(store, code)); }
  std::string Days() { return ReadFileBytes(store.DayIndexPath()); }
  std::string PatientSlot(int32_t patient) {
    return ReadFileBytes(dir / "PtData.000")
        .substr(size_t(patient) * kPatientRecordSize, kPatientRecordSize);
  }
  static size_t HeaderAt(ChartPosition entry) { return size_t(entry.offset) - 1 + kTag; }
  static ChartPosition PreviousOfPatient(const std::string& file, ChartPosition entry) {
    return {I32At(file, HeaderAt(entry) + 24), I32At(file, HeaderAt(entry) + 28)};
  }
  static ChartPosition PreviousOfDay(const std::string& file, ChartPosition entry) {
    return {I32At(file, HeaderAt(entry) + 32), I32At(file, HeaderAt(entry) + 36)};
  }
  static size_t DayRecord(double day) { return size_t(day - kOpening + 1) * 12; }
  bool Replace(int32_t patient, double when, const std::string& exam = "<PE>NEW</PE>") {
    return ReplaceVisitEntry(store, patient, RocStamp(when), exam, {}, "1536180061", {});
  }
  void ExpectClean() {
    StoreVerifyReport report = VerifyStore(store);
    for (const StoreFinding& finding : report.findings) {
      ADD_FAILURE() << finding.where << ": " << finding.problem;
    }
    EXPECT_EQ(report.chained_entries, 4u);
    EXPECT_EQ(report.day_entries, 4u);
  }

  TempDir dir;
  StoreLocation store{dir.path(), dir / "PTdata.ind"};
  ChartPosition a, b, c, d;
  size_t end_of_file = 0;
};

TEST_F(VisitReplacementTest, TheNewestEntryOfDayAndPatientMovesTheDayRecordAndTheChartHead) {
  const std::string days_before = Days();
  ASSERT_TRUE(Replace(1, At(kDay3, 8)));
  const ChartPosition copy{0, int32_t(end_of_file) + 1};
  const std::string file = Chart();
  EXPECT_EQ(I16At(file, copy.offset - 1), 1) << "the copy is known by its header's tag";
  EXPECT_EQ(PreviousOfPatient(file, copy), b);
  EXPECT_EQ(PreviousOfDay(file, copy), (ChartPosition{0, 0}));

  const std::string days = Days();
  EXPECT_EQ(I32At(days, DayRecord(kDay3)), I32At(days_before, DayRecord(kDay3))) << "count kept";
  EXPECT_EQ(I32At(days, DayRecord(kDay3)), 1);
  EXPECT_EQ(I32At(days, DayRecord(kDay3) + 8), copy.offset);
  EXPECT_EQ(I32At(days, 8), int32_t(file.size()) + 1) << "append point after the copy";

  const std::string slot = PatientSlot(1);
  EXPECT_EQ(I32At(slot, 53), 0);
  EXPECT_EQ(I32At(slot, 57), copy.offset);
  uint32_t checksum = 0;
  for (size_t offset = 4; offset <= 264; offset += 4) checksum ^= U32At(slot, offset);
  EXPECT_EQ(U32At(slot, 0), checksum);
  ExpectClean();
}

TEST_F(VisitReplacementTest, AnOlderEntryIsLinkedFromTheNewerEntriesOfItsDayAndPatient) {
  const std::string slot_before = PatientSlot(1);
  ASSERT_TRUE(Replace(1, At(kDay1, 10)));  // B: C is newer on its day, D newer for its patient
  const ChartPosition copy{0, int32_t(end_of_file) + 1};
  const std::string file = Chart();
  EXPECT_EQ(PreviousOfDay(file, c), copy);
  EXPECT_EQ(PreviousOfPatient(file, d), copy);
  EXPECT_EQ(PreviousOfDay(file, copy), a);
  EXPECT_EQ(PreviousOfPatient(file, copy), a);
  EXPECT_EQ(PatientSlot(1), slot_before) << "the chart head stays with D";
  EXPECT_EQ(I32At(Days(), DayRecord(kDay1) + 8), c.offset);

  ASSERT_TRUE(Replace(1, At(kDay1, 9)));  // A: the copy of B is newer in both chains
  const ChartPosition copy_of_a{0, int32_t(file.size()) + 1};
  const std::string after = Chart();
  EXPECT_EQ(PreviousOfDay(after, copy), copy_of_a);
  EXPECT_EQ(PreviousOfPatient(after, copy), copy_of_a);
  ExpectClean();
}

TEST_F(VisitReplacementTest, TheCopyKeepsEveryBlockButTheExamTextsAndStampsTheLabOrders) {
  OrderRecord added;
  added.Set(order_field::kInsuranceCode, "nocode");
  ASSERT_TRUE(ReplaceVisitEntry(store, 1, RocStamp(At(kDay1, 10)), "<PE>NEW</PE>", {added},
                                "1536180061", {{"09015c", "1120320153000"}}));
  ChartFileSet files(store);
  const ChartEntryRead copy =
      ReadChartEntry(*files.Open(0), {0, int32_t(end_of_file) + 1}, EntryDetail::kFull);
  ASSERT_TRUE(copy.well_formed) << copy.problem;
  std::vector<int16_t> tags;
  for (const ChartBlock& block : copy.blocks) tags.push_back(block.tag);
  EXPECT_EQ(tags, (std::vector<int16_t>{1, 2, 21, 17, 17, 24, 24, 24, 20}));
  EXPECT_EQ(copy.blocks[8].payload, "<PE>NEW</PE>");
  EXPECT_EQ(copy.blocks[6].remark, "remark");

  const std::string& lab = copy.blocks[6].payload;
  EXPECT_EQ(lab.substr(176, 11),
            "\x0a"
            "1536180061");
  EXPECT_EQ(lab.substr(189, 14),
            "\x0d"
            "1120320153000");
  double end = 0;
  std::memcpy(&end, lab.data() + 154, 8);
  EXPECT_EQ(end, RocStampToDateTime("1120320153000"));
  EXPECT_EQ(copy.blocks[5].payload.substr(176, 1), std::string(1, '\0')) << "A000000100: no stamp";
  EXPECT_EQ(copy.blocks[7].payload.substr(0, 7), "\x06nocode");

  // A blank exam text leaves the copy without one.
  ASSERT_TRUE(Replace(1, At(kDay1, 10), "  "));
  tags.clear();
  ChartFileSet again(store);
  ChartPosition newest = {I32At(Chart(), HeaderAt(d) + 24), I32At(Chart(), HeaderAt(d) + 28)};
  for (const ChartBlock& block :
       ReadChartEntry(*again.Open(0), newest, EntryDetail::kFull).blocks) {
    tags.push_back(block.tag);
  }
  EXPECT_EQ(tags, (std::vector<int16_t>{1, 2, 21, 17, 17, 24, 24, 24}));
  ExpectClean();
}

TEST_F(VisitReplacementTest, ACopyPastTheFileLimitStartsTheNextChartFile) {
  std::string days = Days();
  // Append point (0, 6,000,001): the offset alone decides.
  days.replace(8, 4, std::string("\x81\x8d\x5b\x00", 4));
  WriteFileBytes(store.DayIndexPath(), days);
  ASSERT_TRUE(Replace(1, At(kDay3, 8)));
  EXPECT_EQ(Chart().size(), end_of_file);
  const std::string next = Chart(1);
  EXPECT_EQ(I16At(next, 0), 1);
  EXPECT_EQ(I32At(Days(), 4), 1);
  EXPECT_EQ(I32At(Days(), 8), int32_t(next.size()) + 1);
  EXPECT_EQ(I32At(PatientSlot(1), 53), 1);
  EXPECT_EQ(I32At(PatientSlot(1), 57), 1);
  ExpectClean();
}

TEST_F(VisitReplacementTest, AFailedReplacementLeavesTheStoreByteForByteAsItWas) {
  const auto before = testing::FolderFiles(dir.path());
  for (std::string_view point : {kReplaceDayLinkedTestPoint, kReplacePatientLinkedTestPoint}) {
    ::setenv(kTestPointVariable, (std::string(point) + ":fail").c_str(), 1);
    EXPECT_THROW(Replace(1, At(kDay1, 10)), Error) << point;
    EXPECT_THROW(Replace(1, At(kDay3, 8)), Error) << point;
    ::unsetenv(kTestPointVariable);
    EXPECT_EQ(testing::FolderFiles(dir.path()), before) << point;
  }
  // An entry its day's chain does not reach is not replaced; nothing is written.
  std::string days = Days();
  days.replace(DayRecord(kDay1) + 4, 8, std::string(8, '\0'));
  WriteFileBytes(store.DayIndexPath(), days);
  const auto broken = testing::FolderFiles(dir.path());
  EXPECT_FALSE(Replace(1, At(kDay1, 9)));
  EXPECT_FALSE(Replace(1, At(kDay1, 12))) << "no entry at that time";
  EXPECT_FALSE(Replace(3, At(kDay1, 9))) << "no such patient";
  EXPECT_EQ(testing::FolderFiles(dir.path()), broken);
}

TEST_F(VisitReplacementTest, AReplacedVisitIsFoundAndReplacedAgain) {
  ASSERT_TRUE(Replace(1, At(kDay1, 10), "<PE>FIRST</PE>"));
  ASSERT_TRUE(Replace(1, At(kDay1, 10), "<PE>SECOND</PE>"));
  std::vector<RecentVisit> visits = LoadRecentVisits(store, 1, RocDate(kDay1), 0);
  ASSERT_EQ(visits.size(), 2u);
  EXPECT_EQ(visits[0].exam_texts, (std::vector<std::string>{"<PE>SECOND</PE>"}));
  EXPECT_EQ(visits[1].position, a);
  ExpectClean();
}

// One session against one call per replacement, on a copy of the same store: the stores must end
// byte for byte alike, whatever the session keeps in memory between replacements.
class VisitReplacementSessionTest : public VisitReplacementTest {
 protected:
  void SetUp() override {
    VisitReplacementTest::SetUp();
    ASSERT_TRUE(CopyFolderContents(dir.path(), single_dir.path()));
  }
  // The same replacement through `session` and as a single call on the copy.
  bool ReplaceBoth(VisitReplacementSession& session, int32_t patient, double when,
                   const std::string& exam) {
    const bool in_session =
        session.ReplaceVisitEntry(patient, RocStamp(when), exam, {}, "1536180061", {});
    const bool single =
        ReplaceVisitEntry(single_store, patient, RocStamp(when), exam, {}, "1536180061", {});
    EXPECT_EQ(in_session, single) << RocStamp(when);
    return in_session;
  }
  void SetAppendPointPastTheLimit(const StoreLocation& which) {
    std::string days = ReadFileBytes(which.DayIndexPath());
    days.replace(8, 4, std::string("\x81\x8d\x5b\x00", 4));  // offset 6,000,001
    WriteFileBytes(which.DayIndexPath(), days);
  }

  TempDir single_dir;
  StoreLocation single_store{single_dir.path(), single_dir / "PTdata.ind"};
};

TEST_F(VisitReplacementSessionTest, ManyReplacementsWriteWhatSingleCallsWrite) {
  VisitReplacementSession session(store);
  // B (older in both chains), then A behind B's copy, D (the patient's head, its day's only
  // entry), C (another patient, its day's head), B again, and ones that find nothing.
  ASSERT_TRUE(ReplaceBoth(session, 1, At(kDay1, 10), "<PE>B1</PE>"));
  ASSERT_TRUE(ReplaceBoth(session, 1, At(kDay1, 9), "<PE>A1</PE>"));
  EXPECT_FALSE(ReplaceBoth(session, 1, At(kDay1, 12), "<PE>none</PE>"));
  ASSERT_TRUE(ReplaceBoth(session, 1, At(kDay3, 8), "<PE>D1</PE>"));
  ASSERT_TRUE(ReplaceBoth(session, 2, At(kDay1, 11), "<PE>C1</PE>"));
  EXPECT_FALSE(ReplaceBoth(session, 3, At(kDay1, 11), "<PE>none</PE>"));
  // What the session loads between replacements is what is on the files.
  std::vector<RecentVisit> recent = session.LoadRecentVisits(1, RocDate(kDay3), 5);
  ASSERT_EQ(recent.size(), 3u);
  EXPECT_EQ(recent[1].exam_texts, (std::vector<std::string>{"<PE>B1</PE>"}));
  ASSERT_TRUE(ReplaceBoth(session, 1, At(kDay1, 10), "<PE>B2</PE>"));
  ASSERT_TRUE(ReplaceBoth(session, 2, At(kDay1, 11), "<PE>C2</PE>"));
  session.Close();
  EXPECT_EQ(testing::FolderFiles(dir.path()), testing::FolderFiles(single_dir.path()));
  ExpectClean();
  const std::vector<RecentVisit> after = LoadRecentVisits(store, 1, RocDate(kDay3), 5);
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0].exam_texts, (std::vector<std::string>{"<PE>D1</PE>"}));
  EXPECT_EQ(after[1].exam_texts, (std::vector<std::string>{"<PE>B2</PE>"}));
  EXPECT_EQ(after[2].exam_texts, (std::vector<std::string>{"<PE>A1</PE>"}));
}

TEST_F(VisitReplacementSessionTest, AChartFileAnAppendStartsIsSeenByTheNextReplacements) {
  SetAppendPointPastTheLimit(store);
  SetAppendPointPastTheLimit(single_store);
  VisitReplacementSession session(store);
  ASSERT_TRUE(ReplaceBoth(session, 1, At(kDay3, 8), "<PE>D1</PE>"));
  // The copy lies in the new file 1, which the session's listing did not have.
  const std::vector<RecentVisit> recent = session.LoadRecentVisits(1, RocDate(kDay3), 0);
  ASSERT_EQ(recent.size(), 1u);
  EXPECT_EQ(recent[0].position, (ChartPosition{1, 1}));
  EXPECT_EQ(recent[0].exam_texts, (std::vector<std::string>{"<PE>D1</PE>"}));
  // Replacing the copy reads it in file 1 and appends behind it; B's copy is linked from it.
  ASSERT_TRUE(ReplaceBoth(session, 1, At(kDay3, 8), "<PE>D2</PE>"));
  ASSERT_TRUE(ReplaceBoth(session, 1, At(kDay1, 10), "<PE>B1</PE>"));
  session.Close();
  EXPECT_EQ(testing::FolderFiles(dir.path()), testing::FolderFiles(single_dir.path()));
  EXPECT_EQ(Chart().size(), end_of_file) << "file 0 takes no more";
  ExpectClean();
}

TEST_F(VisitReplacementSessionTest, AFailedReplacementIsUndoneAndTheSessionGoesOn) {
  SetAppendPointPastTheLimit(store);
  SetAppendPointPastTheLimit(single_store);
  const auto before = testing::FolderFiles(dir.path());
  VisitReplacementSession session(store);
  for (std::string_view point : {kReplaceDayLinkedTestPoint, kReplacePatientLinkedTestPoint}) {
    ::setenv(kTestPointVariable, (std::string(point) + ":fail").c_str(), 1);
    // B is relinked from C and D, D from the chart head; both appends start file 1.
    EXPECT_THROW(session.ReplaceVisitEntry(1, RocStamp(At(kDay1, 10)), "<PE>X</PE>", {}, "", {}),
                 Error)
        << point;
    EXPECT_THROW(session.ReplaceVisitEntry(1, RocStamp(At(kDay3, 8)), "<PE>X</PE>", {}, "", {}),
                 Error)
        << point;
    ::unsetenv(kTestPointVariable);
    EXPECT_EQ(testing::FolderFiles(dir.path()), before) << point;
  }
  // The file taken away again is made anew by the next append of the same session.
  ASSERT_TRUE(ReplaceBoth(session, 1, At(kDay1, 10), "<PE>B1</PE>"));
  ASSERT_TRUE(ReplaceBoth(session, 1, At(kDay3, 8), "<PE>D1</PE>"));
  session.Close();
  EXPECT_EQ(testing::FolderFiles(dir.path()), testing::FolderFiles(single_dir.path()));
  ExpectClean();
}

// A process killed inside a replacement (a power cut) leaves every write made before the point
// on the files: the append point, the day chain and, at the second point, the patient chain.
TEST_F(VisitReplacementSessionTest, AKilledReplacementLeavesEveryWriteBeforeThePoint) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child writes the parent's folders
  // B's copy B2 comes first, whole; A's copy A2 after it is linked from B2 in both chains.
  ASSERT_TRUE(
      ReplaceVisitEntry(single_store, 1, RocStamp(At(kDay1, 10)), "<PE>B</PE>", {}, "", {}));
  const ChartPosition b2{0, int32_t(end_of_file) + 1};
  const ChartPosition a2{0, int32_t(ReadFileBytes(ChartFilePath(single_store, 0)).size()) + 1};
  for (std::string_view point : {kReplaceDayLinkedTestPoint, kReplacePatientLinkedTestPoint}) {
    TempDir copy;
    ASSERT_TRUE(CopyFolderContents(dir.path(), copy.path()));
    const StoreLocation killed{copy.path(), copy / "PTdata.ind"};
    EXPECT_EXIT(
        {
          VisitReplacementSession session(killed);
          session.ReplaceVisitEntry(1, RocStamp(At(kDay1, 10)), "<PE>B</PE>", {}, "", {});
          ::setenv(kTestPointVariable, std::string(point).c_str(), 1);
          session.ReplaceVisitEntry(1, RocStamp(At(kDay1, 9)), "<PE>A</PE>", {}, "", {});
        },
        ::testing::KilledBySignal(SIGKILL), "")
        << point;
    const std::string file = ReadFileBytes(ChartFilePath(killed, 0));
    ASSERT_GT(file.size(), size_t(a2.offset)) << point;
    EXPECT_EQ(I16At(file, a2.offset - 1), 1) << point;
    EXPECT_EQ(I32At(ReadFileBytes(killed.DayIndexPath()), 8), int32_t(file.size()) + 1) << point;
    EXPECT_EQ(PreviousOfDay(file, b2), a2) << point;
    EXPECT_EQ(PreviousOfPatient(file, b2), point == kReplaceDayLinkedTestPoint ? a : a2) << point;
  }
}

TEST(DayIndexRecordTest, ARecordWrittenInPlaceIsTheRecordOfTheWholeIndex) {
  DayIndex index(45000, 45010);
  index.Set(DayCountMode::kAdd, 3, 2, 700, 45004.5);
  index.Set(DayCountMode::kSet, -1, 65535, 2'000'000'000, 45010);
  index.set_append_point({7, 6'000'001});
  index.Rebase(44998);  // every day record moves two places on
  const std::string whole = index.Serialize();
  ASSERT_EQ(whole.size(), index.size() * kDayRecordSize);
  for (size_t k = 0; k < index.size(); ++k) {
    EXPECT_EQ(index.RecordBytes(k), whole.substr(k * kDayRecordSize, kDayRecordSize)) << k;
  }
  EXPECT_EQ(I32At(index.RecordBytes(0), 0), 44998);
  EXPECT_EQ(I32At(index.RecordBytes(0), 8), 6'000'001);
  EXPECT_EQ(I32At(index.RecordBytes(7), 4), 2);
  EXPECT_EQ(I32At(index.RecordBytes(13), 0), -1);
}

TEST(LoadRecentVisitsTest, TheWindowReachesFourteenWholeDaysBackAndNotForward) {
  TempDir dir;
  StoreLocation store{dir.path(), dir / "PTdata.ind"};
  WritePatients(store, {1});
  constexpr double kResultDay = kOpening + 40;
  FreshChartStoreWriter writer(store, {1, kOpening, kOpening + 60});
  for (double when : {At(kResultDay - 15, 23), At(kResultDay - 14, 7), At(kResultDay, 20),
                      At(kResultDay + 1, 7)}) {
    ChartEntry entry = Visit(1, when);
    entry.exam_text = "<PE>" + RocStamp(when) + "</PE>";
    writer.Write(entry);
  }
  writer.Finish();
  std::vector<RecentVisit> visits = LoadRecentVisits(store, 1, RocDate(kResultDay), 14);
  ASSERT_EQ(visits.size(), 2u);
  EXPECT_EQ(visits[0].visit.Get(visit_field::kVisitDateTime), At(kResultDay, 20));
  EXPECT_EQ(visits[1].visit.Get(visit_field::kVisitDateTime), At(kResultDay - 14, 7));
  EXPECT_EQ(visits[1].exam_texts.at(0), "<PE>" + RocStamp(At(kResultDay - 14, 7)) + "</PE>");
  ASSERT_EQ(visits[1].orders.size(), 1u);
  EXPECT_TRUE(LoadRecentVisits(store, 1, "1131399", 14).empty()) << "no date";
  EXPECT_TRUE(LoadRecentVisits(store, 2, RocDate(kResultDay), 14).empty()) << "no patient";
  EXPECT_EQ(GetPatientChartHead(store, 2), (ChartPosition{0, -1}));
}

}  // namespace
}  // namespace zuvo
