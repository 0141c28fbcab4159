#include "core/store_verify.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "chart_fixture.h"
#include "core/chart_store.h"
#include "core/chart_writer.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using ::testing::HasSubstr;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::Visit;
using testing::WriteFileBytes;
using testing::WritePatients;

constexpr double kOpening = 43000.0;

std::string Findings(const StoreVerifyReport& report) {
  std::string text;
  for (const StoreFinding& finding : report.findings) {
    text += finding.where + ": " + finding.problem + "\n";
  }
  return text;
}

void PutI32(std::string& bytes, size_t offset, int32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = char(uint32_t(value) >> (8 * i));
}

// Patients 1 and 2 with three visits on two days: patient 1 on day 1 and day 2, patient 2 on
// day 2.
class StoreVerifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WritePatients(store, {1, 2});
    FreshChartStoreWriter writer(store, {6, kOpening, kOpening + 5});
    ChartEntry a = Visit(1, kOpening + 1.5);
    ChartEntry b = Visit(1, kOpening + 2.5);
    ChartEntry c = Visit(2, kOpening + 2.6);
    p1 = writer.Write(a);
    p2 = writer.Write(b);
    p3 = writer.Write(c);
    writer.Finish();
    ASSERT_TRUE(VerifyStore(store).clean()) << Findings(VerifyStore(store));
  }
  std::filesystem::path ChartPath() { return ChartFilePath(store, 0); }
  std::string Verified() { return Findings(VerifyStore(store)); }

  TempDir dir;
  StoreLocation store{dir.path(), dir / "PTdata.ind"};
  ChartPosition p1, p2, p3;
};

TEST_F(StoreVerifyTest, FindsABrokenPatientChain) {
  std::string chart = ReadFileBytes(ChartPath());
  PutI32(chart, size_t(p2.offset - 1) + 2 + 24, 9);  // previous-of-patient file code 9: no file
  WriteFileBytes(ChartPath(), chart);
  std::string findings = Verified();
  EXPECT_THAT(findings, HasSubstr("chain of patient 1: chain stops at (9, 1)"));
  EXPECT_THAT(findings, HasSubstr("does not exist"));
}

TEST_F(StoreVerifyTest, FindsACycleAndAForeignEntryInAChain) {
  std::string chart = ReadFileBytes(ChartPath());
  PutI32(chart, size_t(p1.offset - 1) + 2 + 28, p2.offset);  // p1 -> p2 -> p1 ...
  PutI32(chart, size_t(p3.offset - 1) + 2 + 28, p1.offset);  // patient 2's chain enters 1's
  WriteFileBytes(ChartPath(), chart);
  std::string findings = Verified();
  EXPECT_THAT(findings, HasSubstr("chain of patient 1: chain stops at"));
  EXPECT_THAT(findings, HasSubstr("(a cycle)"));
  EXPECT_THAT(findings, HasSubstr("chain of patient 2: entry (0, 1) belongs to patient 1"));
}

TEST_F(StoreVerifyTest, FindsAWrongDayCountAndAnEntryOnAnotherDay) {
  std::string days = ReadFileBytes(dir / "DayLink.Dat");
  // The opening day 43000 is 2017-09-22 (record 1); the visits lie on records 2 and 3.
  PutI32(days, 3 * 12, 5);              // 2017-09-24 holds 2 entries
  PutI32(days, 2 * 12 + 8, p3.offset);  // 2017-09-23 now starts with an entry of 09-24
  WriteFileBytes(dir / "DayLink.Dat", days);
  std::string findings = Verified();
  EXPECT_THAT(findings, HasSubstr("day 2017-09-24: counts 5 entries, its chain holds 2"));
  EXPECT_THAT(findings, HasSubstr("day 2017-09-23: 2 entries of the day chain lie on other days"));
  EXPECT_THAT(findings, HasSubstr("day 2017-09-23: counts 1 entries, its chain holds 2"));
  EXPECT_THAT(findings, HasSubstr("the day index counts 6 entries, the patients' chains hold 3"));
}

TEST_F(StoreVerifyTest, FindsAnUnknownTagInAnEntry) {
  std::string chart = ReadFileBytes(ChartPath());
  // The first diagnosis block of the second entry becomes tag 99.
  size_t tag = size_t(p2.offset - 1) + 58 + 294 + 8;
  ASSERT_EQ(chart[tag], 17);
  chart[tag] = 99;
  WriteFileBytes(ChartPath(), chart);
  std::string findings = Verified();
  EXPECT_THAT(findings,
              HasSubstr("D000000.000 offset " + std::to_string(p2.offset) +
                        ": damaged entry: unknown tag 99 at byte " + std::to_string(tag)));
}

TEST_F(StoreVerifyTest, FindsATruncatedChartFile) {
  std::string chart = ReadFileBytes(ChartPath());
  WriteFileBytes(ChartPath(), chart.substr(0, chart.size() - 100));
  std::string findings = Verified();
  EXPECT_THAT(findings,
              HasSubstr("D000000.000 offset " + std::to_string(p3.offset) + ": damaged entry"));
  EXPECT_THAT(findings, HasSubstr("runs past the end of the file"));
}

TEST_F(StoreVerifyTest, FindsAnAppendPointBeforeTheLastEntry) {
  std::string days = ReadFileBytes(dir / "DayLink.Dat");
  PutI32(days, 8, p3.offset);
  WriteFileBytes(dir / "DayLink.Dat", days);
  EXPECT_THAT(Verified(), HasSubstr("the append point (0, " + std::to_string(p3.offset) +
                                    ") lies before the end of the last entry"));
}

TEST_F(StoreVerifyTest, FindsChecksumsSlotsAndLinksIntoTheMiddleOfEntries) {
  std::string patients = ReadFileBytes(dir / "PtData.000");
  patients[1 * 269 + 61] = 'F';                   // checksum no longer matches
  PutI32(patients, 2 * 269 + 57, p3.offset + 2);  // head inside an entry
  PutI32(patients, 2 * 269, 0);                   // (and a checksum that does not match)
  PutI32(patients, 9 * 269 + 4, 77);              // slot 9 holds number 77
  WriteFileBytes(dir / "PtData.000", patients);
  std::string findings = Verified();
  EXPECT_THAT(findings, HasSubstr("PtData.000 slot 1: checksum of patient 1 does not match"));
  EXPECT_THAT(findings, HasSubstr("PtData.000 slot 9: holds patient number 77 instead of 9"));
  EXPECT_THAT(findings,
              HasSubstr("chain of patient 2: links to (0, " + std::to_string(p3.offset + 2) +
                        "), which is not the start of an entry"));
}

TEST_F(StoreVerifyTest, FindsAMissingDayIndex) {
  std::filesystem::remove(dir / "DayLink.Dat");
  EXPECT_THAT(Verified(), HasSubstr("DayLink.Dat: the day index is missing"));
}

}  // namespace
}  // namespace zuvo
