#include "core/chart_writer.h"

#include <gtest/gtest.h>

#include "byte_layout.h"

#include "chart_fixture.h"
#include "core/chart_store.h"
#include "core/store_verify.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::DoubleBytes;
using testing::I16At;
using testing::I32At;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::Visit;
using testing::WriteFileBytes;
using testing::WritePatients;

std::string Findings(const StoreVerifyReport& report) {
  std::string text;
  for (const StoreFinding& finding : report.findings) {
    text += finding.where + ": " + finding.problem + "\n";
  }
  return text;
}

constexpr double kOpening = 43000.0;  // the first day of the day index

class ChartWriterTest : public ::testing::Test {
 protected:
  TempDir dir;
  StoreLocation store{dir.path(), dir / "PTdata.ind"};
  FreshChartStoreSettings settings{1, kOpening + 0.4, kOpening + 10.3};

  std::string ChartFile(int32_t code) { return ReadFileBytes(ChartFilePath(store, code)); }
};

TEST_F(ChartWriterTest, EntryBlocksHaveTheirLayout) {
  WritePatients(store, {1});
  FreshChartStoreWriter writer(store, settings);
  ChartEntry entry = Visit(1, kOpening + 1.5);
  entry.chart_text = "CC";
  OrderLine with_remark;
  with_remark.record.Set(order_field::kFlags1, int16_t{0x0001});
  with_remark.remark = "<ref>";
  OrderLine flagged_without_remark;
  flagged_without_remark.record.Set(order_field::kFlags1, int16_t{0x0203});
  entry.orders = {with_remark, flagged_without_remark};
  entry.exam_text = "PE";
  EXPECT_EQ(writer.Write(entry), (ChartPosition{0, 1}));
  writer.Finish();

  std::string file = ChartFile(0);
  const size_t expected_size = (2 + 56) + (2 + 292) + (2 + 4 + 2) + 2 * (2 + 364) +
                               (2 + 272 + 4 + 5) + (2 + 272) + (2 + 4 + 2) + 2;
  ASSERT_EQ(file.size(), expected_size);
  // Header.
  EXPECT_EQ(I16At(file, 0), 1);
  EXPECT_EQ(file.substr(2, 12), "Zuvo\xAA\xF9\xB6\x45\xA8\x74\xB2\xCE");
  EXPECT_EQ(I32At(file, 2 + 12), 1);
  EXPECT_EQ(file.substr(2 + 16, 8), DoubleBytes(kOpening + 1.5));
  EXPECT_EQ(file.substr(2 + 24, 16), std::string(16, '\0'));  // no previous entries
  EXPECT_EQ(I32At(file, 2 + 40), 0);
  EXPECT_EQ(file.substr(2 + 44, 12), "00reserveXXX");
  // Visit record: first visit of the patient, no return flag.
  size_t at = 58;
  EXPECT_EQ(I16At(file, at), 2);
  EXPECT_EQ(I16At(file, at + 2 + 109), 0x1001);
  at += 294;
  // Chart text.
  EXPECT_EQ(I16At(file, at), 21);
  EXPECT_EQ(I32At(file, at + 2), 2);
  EXPECT_EQ(file.substr(at + 6, 2), "CC");
  at += 8;
  // Two diagnoses.
  EXPECT_EQ(I16At(file, at), 17);
  EXPECT_EQ(file.substr(at + 2 + 137, 4), "\x03J00");
  at += 366;
  EXPECT_EQ(I16At(file, at), 17);
  at += 366;
  // An order line with its remark: the remark flag is set.
  EXPECT_EQ(I16At(file, at), 24);
  EXPECT_EQ(I16At(file, at + 2 + 142), 0x0201);
  EXPECT_EQ(I32At(file, at + 2 + 272), 5);
  EXPECT_EQ(file.substr(at + 2 + 272 + 4, 5), "<ref>");
  at += 2 + 272 + 4 + 5;
  // A line without remark: the flag is cleared even though the source set it.
  EXPECT_EQ(I16At(file, at), 24);
  EXPECT_EQ(I16At(file, at + 2 + 142), 0x0003);
  at += 274;
  EXPECT_EQ(I16At(file, at), 20);
  EXPECT_EQ(I32At(file, at + 2), 2);
  EXPECT_EQ(file.substr(at + 6, 2), "PE");
  at += 8;
  EXPECT_EQ(I16At(file, at), 128);
}

TEST_F(ChartWriterTest, EmptyChartTextIsWrittenAndEmptyExamTextIsNot) {
  WritePatients(store, {1});
  FreshChartStoreWriter writer(store, settings);
  ChartEntry entry = Visit(1, kOpening + 1);
  entry.chart_text.clear();
  entry.diagnoses.clear();
  entry.orders.clear();
  writer.Write(entry);
  writer.Finish();
  std::string file = ChartFile(0);
  ASSERT_EQ(file.size(), 58u + 294u + 6u + 2u);
  EXPECT_EQ(I16At(file, 352), 21);
  EXPECT_EQ(I32At(file, 354), 0);
  EXPECT_EQ(I16At(file, 358), 128);
}

TEST_F(ChartWriterTest, ChainsDayIndexAndPatientRecords) {
  WritePatients(store, {1, 2, 3});
  FreshChartStoreWriter writer(store, settings);
  EXPECT_EQ(writer.highest_patient_number(), 3);
  ChartEntry first = Visit(1, kOpening + 1.25, '3');
  ChartPosition p1 = writer.Write(first);
  ChartEntry second = Visit(1, kOpening + 2.5, '0');
  ChartPosition p2 = writer.Write(second);
  ChartEntry third = Visit(2, kOpening + 2.75, 'Z');
  ChartPosition p3 = writer.Write(third);
  // Written after the second, but an earlier visit: it keeps the second visit's payment class.
  ChartEntry fourth = Visit(1, kOpening + 2.0, '9');
  ChartPosition p4 = writer.Write(fourth);
  ChartPosition end = writer.append_point();
  writer.Finish();

  EXPECT_EQ(p1, (ChartPosition{0, 1}));
  const int32_t entry_size = p2.offset - p1.offset;
  EXPECT_EQ(p3.offset, 1 + 2 * entry_size);
  EXPECT_EQ(end, (ChartPosition{0, 1 + 4 * entry_size}));
  std::string chart = ChartFile(0);
  ASSERT_EQ(chart.size(), size_t(4 * entry_size));
  // Previous-of-patient links (header offsets 24/28 after the 2-byte tag).
  EXPECT_EQ(I32At(chart, p2.offset - 1 + 2 + 28), p1.offset);
  EXPECT_EQ(I32At(chart, p3.offset - 1 + 2 + 28), 0);
  EXPECT_EQ(I32At(chart, p4.offset - 1 + 2 + 28), p2.offset);
  // Previous-of-day links (32/36): the second, third and fourth share one day.
  EXPECT_EQ(I32At(chart, p3.offset - 1 + 2 + 36), p2.offset);
  EXPECT_EQ(I32At(chart, p4.offset - 1 + 2 + 36), p3.offset);
  EXPECT_EQ(I32At(chart, p2.offset - 1 + 2 + 36), 0);
  // Return-visit flag: set from the second visit of patient 1 on.
  EXPECT_EQ(I16At(chart, p1.offset - 1 + 58 + 2 + 109), 0x1001);
  EXPECT_EQ(I16At(chart, p2.offset - 1 + 58 + 2 + 109), 0x1003);
  EXPECT_EQ(I16At(chart, p3.offset - 1 + 58 + 2 + 109), 0x1001);

  // Day index: record 0, then the days from the opening day through the day after "now".
  std::string days = ReadFileBytes(dir / "DayLink.Dat");
  ASSERT_EQ(days.size(), 13u * 12u);
  EXPECT_EQ(I32At(days, 0), 43000);
  EXPECT_EQ(I32At(days, 4), 0);
  EXPECT_EQ(I32At(days, 8), end.offset);
  EXPECT_EQ(days.substr(12, 12), std::string(12, '\0'));  // the opening day itself
  EXPECT_EQ(I32At(days, 24), 1);
  EXPECT_EQ(I32At(days, 32), p1.offset);
  EXPECT_EQ(I32At(days, 36), 3);
  EXPECT_EQ(I32At(days, 44), p4.offset);

  PatientRecord record;
  ASSERT_TRUE(ReadPatient(store, 1, record));
  EXPECT_EQ(record.Get(patient_field::kChartOffset), p4.offset);
  EXPECT_EQ(record.Get(patient_field::kPaymentClass), '0');
  EXPECT_EQ(record.Get(patient_field::kChecksum), PatientChecksum(record));
  ASSERT_TRUE(ReadPatient(store, 2, record));
  EXPECT_EQ(record.Get(patient_field::kChartOffset), p3.offset);
  EXPECT_EQ(record.Get(patient_field::kPaymentClass), 'Z');
  ASSERT_TRUE(ReadPatient(store, 3, record));  // no visits: no chart, class kept
  EXPECT_EQ(record.Get(patient_field::kChartOffset), 0);
  EXPECT_EQ(record.Get(patient_field::kPaymentClass), '3');

  StoreVerifyReport report = VerifyStore(store);
  EXPECT_TRUE(report.clean()) << Findings(report);
  EXPECT_EQ(report.entries, 4u);
  EXPECT_EQ(report.chained_entries, 4u);
  EXPECT_EQ(report.day_entries, 4u);
}

TEST_F(ChartWriterTest, EarliestKnownDayDecidesTheReturnVisitFlag) {
  WritePatients(store, {1, 2});
  FreshChartStoreWriter writer(store, settings);
  writer.link(1).Set(link_field::kEarliestVisit, kOpening + 1.9);  // known from elsewhere
  writer.link(2).Set(link_field::kEarliestVisit, kOpening + 3.1);  // same day as the visit
  ChartEntry a = Visit(1, kOpening + 3.5);
  ChartEntry b = Visit(2, kOpening + 3.5);
  writer.Write(a);
  writer.Write(b);
  EXPECT_EQ(a.visit.Get(visit_field::kVisitFlags), 0x1003);
  EXPECT_EQ(b.visit.Get(visit_field::kVisitFlags), 0x1001);
  EXPECT_EQ(writer.link(2).Get(link_field::kEarliestVisit), kOpening + 3.5);
}

TEST_F(ChartWriterTest, RefusesPatientsAndDaysOutsideTheStore) {
  WritePatients(store, {1, 2});
  FreshChartStoreWriter writer(store, settings);
  EXPECT_FALSE(writer.Accepts(3, kOpening + 1));
  EXPECT_FALSE(writer.Accepts(0, kOpening + 1));
  EXPECT_FALSE(writer.Accepts(1, kOpening - 1));   // before the opening day
  EXPECT_FALSE(writer.Accepts(1, kOpening + 12));  // after tomorrow
  EXPECT_TRUE(writer.Accepts(1, kOpening + 11.9));
  ChartEntry entry = Visit(3, kOpening + 1);
  EXPECT_THROW(writer.Write(entry), Error);
}

TEST_F(ChartWriterTest, AnEntryPassingTheSizeLimitStaysWholeAndTheNextStartsANewFile) {
  WritePatients(store, {1});
  FreshChartStoreWriter writer(store, settings);  // limit 1,000,000 bytes
  ChartEntry big = Visit(1, kOpening + 1);
  big.chart_text.assign(600'000, 't');
  ChartPosition a = writer.Write(big);
  ChartPosition b = writer.Write(big);
  ChartPosition c = writer.Write(big);
  writer.Finish();
  EXPECT_EQ(a, (ChartPosition{0, 1}));
  EXPECT_EQ(b.file_code, 0);
  EXPECT_EQ(c, (ChartPosition{1, 1}));
  const size_t entry_size = size_t(b.offset - 1);
  EXPECT_EQ(ChartFile(0).size(), 2 * entry_size);  // past the limit by its last entry
  EXPECT_EQ(ChartFile(1).size(), entry_size);
  std::string days = ReadFileBytes(dir / "DayLink.Dat");
  EXPECT_EQ(I32At(days, 4), 1);
  EXPECT_EQ(I32At(days, 8), int32_t(entry_size) + 1);
  EXPECT_TRUE(VerifyStore(store).clean()) << Findings(VerifyStore(store));
}

// Entries are written in chunks: whatever the chunk boundaries, every entry's bytes lie at the
// position Write returned, and the file ends at the append point.
TEST_F(ChartWriterTest, EntriesOfManyWriteChunksLieWhereTheirPositionsSay) {
  WritePatients(store, {1, 2});
  FreshChartStoreWriter writer(store, {12, kOpening + 0.4, kOpening + 10.3});
  std::vector<ChartPosition> positions;
  for (int i = 0; i < 1500; ++i) {
    ChartEntry entry = Visit(1 + i % 2, kOpening + 1 + i % 5);
    entry.chart_text.assign(1000, static_cast<char>('a' + i % 26));
    positions.push_back(writer.Write(entry));
  }
  const ChartPosition end = writer.append_point();
  writer.Finish();
  const std::string file = ChartFile(0);
  EXPECT_EQ(end.file_code, 0);
  EXPECT_EQ(file.size() + 1, size_t(end.offset));
  EXPECT_GT(file.size(), size_t{2} << 20);
  for (size_t i = 0; i < positions.size(); ++i) {
    ASSERT_EQ(positions[i].file_code, 0);
    const size_t begin = size_t(positions[i].offset - 1);
    const size_t next =
        i + 1 < positions.size() ? size_t(positions[i + 1].offset - 1) : file.size();
    const std::string text(1000, static_cast<char>('a' + i % 26));
    EXPECT_NE(file.substr(begin, next - begin).find(text), std::string::npos) << i;
  }
  EXPECT_TRUE(VerifyStore(store).clean()) << Findings(VerifyStore(store));
}

TEST_F(ChartWriterTest, ABuildStartsFromAnEmptyChartFolder) {
  WritePatients(store, {1});
  std::filesystem::create_directories(dir / "chart");
  WriteFileBytes(dir / "chart" / "D000000.007", "old");
  FreshChartStoreWriter writer(store, settings);
  EXPECT_FALSE(std::filesystem::exists(dir / "chart"));
  EXPECT_TRUE(std::filesystem::exists(dir / "CHART" / "D000000.000"));
}

TEST_F(ChartWriterTest, PatientFilesAfterAGapAreUpdatedToo) {
  WritePatients(store, {5, 20005});  // PtData.000 and PtData.002, no PtData.001
  FreshChartStoreWriter writer(store, settings);
  ChartEntry entry = Visit(20005, kOpening + 1);
  ChartPosition position = writer.Write(entry);
  writer.Finish();
  PatientRecord record;
  ASSERT_TRUE(ReadPatient(store, 20005, record));
  EXPECT_EQ(record.Get(patient_field::kChartOffset), position.offset);
}

TEST_F(ChartWriterTest, AppendedEntriesBecomeTheNewestOfTheirPatientAndDay) {
  WritePatients(store, {1, 2});
  FreshChartStoreWriter writer(store, settings);
  ChartEntry first = Visit(1, kOpening + 2.5);
  ChartPosition p1 = writer.Write(first);
  ChartPosition end = writer.append_point();
  writer.Finish();

  ChartEntry appended = Visit(1, kOpening + 2.75);
  ChartPosition p2 = AppendChartEntry(store, appended);
  EXPECT_EQ(p2, end);
  ChartEntry later_day = Visit(2, kOpening + 20.5);  // past the index: it grows
  ChartPosition p3 = AppendChartEntry(store, later_day);

  std::string chart = ChartFile(0);
  EXPECT_EQ(I32At(chart, p2.offset - 1 + 2 + 28), p1.offset);
  EXPECT_EQ(I32At(chart, p2.offset - 1 + 2 + 36), p1.offset);
  EXPECT_EQ(I32At(chart, p3.offset - 1 + 2 + 36), 0);
  std::string days = ReadFileBytes(dir / "DayLink.Dat");
  ASSERT_EQ(days.size(), 22u * 12u);
  EXPECT_EQ(I32At(days, 8), int32_t(chart.size()) + 1);
  EXPECT_EQ(I32At(days, 3 * 12), 2);
  EXPECT_EQ(I32At(days, 3 * 12 + 8), p2.offset);
  EXPECT_EQ(I32At(days, 21 * 12), 1);
  PatientRecord record;
  ASSERT_TRUE(ReadPatient(store, 1, record));
  EXPECT_EQ(record.Get(patient_field::kChartOffset), p2.offset);
  EXPECT_EQ(record.Get(patient_field::kChecksum), PatientChecksum(record));
  StoreVerifyReport report = VerifyStore(store);
  EXPECT_TRUE(report.clean()) << Findings(report);

  ChartEntry unknown = Visit(7, kOpening + 2);
  EXPECT_THROW(AppendChartEntry(store, unknown), Error);
}

TEST_F(ChartWriterTest,
       AppendingPastSixMillionStartsTheNextFileAndStaleAppendPointsDoNotOverwrite) {
  WritePatients(store, {1});
  FreshChartStoreWriter writer(store, settings);
  ChartEntry first = Visit(1, kOpening + 2);
  writer.Write(first);
  writer.Finish();
  std::string days = ReadFileBytes(dir / "DayLink.Dat");

  std::string far = days;
  far.replace(8, 4, std::string("\x81\x8D\x5B\x00", 4));  // offset 6,000,001
  WriteFileBytes(dir / "DayLink.Dat", far);
  ChartEntry next = Visit(1, kOpening + 3);
  EXPECT_EQ(AppendChartEntry(store, next), (ChartPosition{1, 1}));

  std::string stale = ReadFileBytes(dir / "DayLink.Dat");
  stale.replace(4, 8, std::string("\x00\x00\x00\x00\x01\x00\x00\x00", 8));  // (0, 1)
  WriteFileBytes(dir / "DayLink.Dat", stale);
  std::string before = ChartFile(0);
  ChartEntry third = Visit(1, kOpening + 4);
  ChartPosition p3 = AppendChartEntry(store, third);
  EXPECT_EQ(p3, (ChartPosition{0, int32_t(before.size()) + 1}));
  EXPECT_EQ(ChartFile(0).substr(0, before.size()), before);
}

}  // namespace
}  // namespace zuvo
