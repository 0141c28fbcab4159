#include "core/chart_store.h"

#include <gtest/gtest.h>

#include "chart_fixture.h"
#include "core/chart_reader.h"
#include "core/chart_writer.h"
#include "core/day_index.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::Visit;
using testing::WriteFileBytes;
using testing::WritePatients;

std::string DayRecordBytes(int32_t a, int32_t b, int32_t c) {
  return I32Bytes(a) + I32Bytes(b) + I32Bytes(c);
}

TEST(ChartFileNames, HighAndLowByteOfTheFileCode) {
  EXPECT_EQ(ChartFileName(0), "D000000.000");
  EXPECT_EQ(ChartFileName(1), "D000000.001");
  EXPECT_EQ(ChartFileName(255), "D000000.255");
  EXPECT_EQ(ChartFileName(256), "D000001.000");
  EXPECT_EQ(ChartFileName(65536 + 257), "D000001.001");  // low 16 bits only
  EXPECT_EQ(ChartFileCodeOf("d000001.002"), 258);
  EXPECT_EQ(ChartFileCodeOf("D000256.000"), std::nullopt);
  EXPECT_EQ(ChartFileCodeOf("D000000.00"), std::nullopt);
}

TEST(RoundHalfUpTest, RoundsUpFromJustBelowOneHalf) {
  EXPECT_EQ(RoundHalfUp(2.49998), 2);
  EXPECT_EQ(RoundHalfUp(2.49999), 3);
  EXPECT_EQ(RoundHalfUp(100000.49999), 100001);
  EXPECT_EQ(RoundHalfUp(100000.49998), 100000);
  EXPECT_EQ(RoundHalfUp(7.0), 7);
  EXPECT_EQ(RoundHalfUp(-2.7), -2);
  EXPECT_EQ(RoundHalfUp(1e12), INT32_MAX);
}

class DayLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // First day 43000, append point (2, 500), day 43000: (1, 0, 1), day 43001: (2, 0, 300).
    WriteFileBytes(dir / "DayLink.Dat", DayRecordBytes(43000, 2, 500) + DayRecordBytes(1, 0, 1) +
                                            DayRecordBytes(2, 0, 300));
  }
  std::string Bytes() { return ReadFileBytes(dir / "DayLink.Dat"); }
  TempDir dir;
  StoreLocation store{dir.path(), {}};
};

TEST_F(DayLinkTest, GetReadsTheDayOrTheAppendPoint) {
  EXPECT_EQ(GetDayLink(store, 0), (ChartPosition{2, 500}));
  EXPECT_EQ(GetDayLink(store, 43000.7), (ChartPosition{0, 1}));
  EXPECT_EQ(GetDayLink(store, 43001), (ChartPosition{0, 300}));
  EXPECT_EQ(GetDayLink(store, 42999), (ChartPosition{0, -1}));
  EXPECT_EQ(GetDayLink(store, 43002), (ChartPosition{0, -1}));
}

TEST_F(DayLinkTest, SetChangesCountAndPositionByMode) {
  SetDayLink(store, DayCountMode::kAdd, 1, 3, 900, 43001.5);
  SetDayLink(store, DayCountMode::kSet, 7, -1, -1, 43000);
  SetDayLink(store, DayCountMode::kKeep, 0, 3, 1200, 0);
  EXPECT_EQ(Bytes(),
            DayRecordBytes(43000, 3, 1200) + DayRecordBytes(7, 0, 1) + DayRecordBytes(3, 3, 900));
}

TEST_F(DayLinkTest, SetGrowsAndRebasesTheFile) {
  SetDayLink(store, DayCountMode::kAdd, 1, 0, 40, 43003);
  EXPECT_EQ(Bytes(), DayRecordBytes(43000, 2, 500) + DayRecordBytes(1, 0, 1) +
                         DayRecordBytes(2, 0, 300) + DayRecordBytes(0, 0, 0) +
                         DayRecordBytes(1, 0, 40));
  // Ten days before the first day: it becomes the first day, ten zero records are inserted.
  SetDayLink(store, DayCountMode::kAdd, 1, 1, 7, 42990.2);
  std::string bytes = Bytes();
  ASSERT_EQ(bytes.size(), 15u * 12u);
  EXPECT_EQ(bytes.substr(0, 24), DayRecordBytes(42990, 2, 500) + DayRecordBytes(1, 1, 7));
  EXPECT_EQ(bytes.substr(24, 9 * 12), std::string(9 * 12, '\0'));
  EXPECT_EQ(bytes.substr(11 * 12, 12), DayRecordBytes(1, 0, 1));
  RebaseDayLink(store, 42995);  // later than the first day: nothing happens
  EXPECT_EQ(Bytes(), bytes);
}

TEST_F(DayLinkTest, DamagedIndexesAreReadSafely) {
  WriteFileBytes(dir / "DayLink.Dat", DayRecordBytes(43000, 0, 9) + "\x01\x02");
  EXPECT_EQ(GetDayLink(store, 0), (ChartPosition{0, 9}));
  EXPECT_EQ(GetDayLink(store, 43000), (ChartPosition{0, -1}));
  WriteFileBytes(dir / "DayLink.Dat", "");
  EXPECT_EQ(GetDayLink(store, 0), (ChartPosition{0, -1}));
  EXPECT_THROW(SetDayLink(store, DayCountMode::kAdd, 1, 0, 1, 43000), Error);
  EXPECT_THROW(SetDayLink(store, DayCountMode::kAdd, 1, 0, 1, 1e300), Error);
}

class EntryReadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WritePatients(store, {1});
    FreshChartStoreWriter writer(store, {6, 43000, 43010});
    ChartEntry entry = Visit(1, 43001.5);
    OrderLine remarked;
    remarked.remark = "note";
    entry.orders.push_back(remarked);
    entry.exam_text = "<PE><n>BP</n><data>120</data></PE>";
    position = writer.Write(entry);
    writer.Finish();
    bytes = ReadFileBytes(ChartFilePath(store, 0));
  }
  ChartEntryRead Read(const std::string& file) {
    MemoryByteSource source(file);
    return ReadChartEntry(source, position, EntryDetail::kFull);
  }
  TempDir dir;
  StoreLocation store{dir.path(), {}};
  ChartPosition position;
  std::string bytes;
};

TEST_F(EntryReadingTest, ReadsEveryBlockInOrder) {
  ChartEntryRead entry = Read(bytes);
  ASSERT_TRUE(entry.well_formed) << entry.problem;
  std::vector<int16_t> tags;
  for (const ChartBlock& block : entry.blocks) tags.push_back(block.tag);
  EXPECT_EQ(tags, (std::vector<int16_t>{1, 2, 21, 17, 17, 24, 24, 20}));
  EXPECT_EQ(entry.blocks[6].remark, "note");
  EXPECT_EQ(entry.blocks[5].remark, std::nullopt);
  EXPECT_EQ(entry.blocks[7].payload, "<PE><n>BP</n><data>120</data></PE>");
  EXPECT_EQ(entry.end, bytes.size());

  // The head as the steps read it from the store: the file of the code, then the framing.
  ChartFileSet files(store);
  BinaryFile* file = files.Open(0);
  ASSERT_NE(file, nullptr);
  ChartEntryRead head = ReadChartEntry(*file, position, EntryDetail::kFraming);
  ASSERT_TRUE(head.well_formed) << head.problem;
  ASSERT_TRUE(head.header && head.visit);
  EXPECT_EQ(head.header->Get(header_field::kPatientNumber), 1);
  EXPECT_EQ(head.visit->Get(visit_field::kVisitDateTime), 43001.5);
  EXPECT_TRUE(head.blocks[2].payload.empty()) << "the framing reads no texts";
  ChartEntryRead none = ReadChartEntry(*file, {0, 0}, EntryDetail::kFraming);
  EXPECT_FALSE(none.header || none.visit);
  EXPECT_EQ(none.problem, "offset 0 names no entry");
  EXPECT_EQ(files.Open(5), nullptr) << "no chart file of code 5";
}

TEST_F(EntryReadingTest, EveryTruncationIsReportedWithoutReadingPastTheEnd) {
  for (size_t size = 0; size < bytes.size(); ++size) {
    ChartEntryRead entry = Read(bytes.substr(0, size));
    EXPECT_FALSE(entry.well_formed) << size;
    EXPECT_FALSE(entry.problem.empty()) << size;
    EXPECT_LE(entry.end, size);
  }
}

TEST_F(EntryReadingTest, DamagedLengthsTagsAndOffsetsAreReported) {
  std::string long_text = bytes;
  long_text.replace(352 + 2, 4, I32Bytes(0x7FFFFFFF));
  EXPECT_EQ(Read(long_text).problem,
            "text length 2147483647 at byte 354 runs past the end of the file");
  std::string negative = bytes;
  negative.replace(352 + 2, 4, I32Bytes(-5));
  EXPECT_EQ(Read(negative).problem, "negative text length -5 at byte 354");
  std::string no_header = bytes;
  no_header[0] = 2;
  EXPECT_EQ(Read(no_header).problem, "tag 2 at byte 0 where the header should begin");
  std::string stray_header = bytes;
  stray_header[352] = 1;
  EXPECT_EQ(Read(stray_header).problem, "tag 1 at byte 352 does not belong in an entry");

  // A store file cut off inside the visit record: the header is read, the visit record is not,
  // and the entry is damaged.
  WriteFileBytes(ChartFilePath(store, 0), bytes.substr(0, 58 + 100));
  ChartFileSet files(store);
  ChartEntryRead cut = ReadChartEntry(*files.Open(0), position, EntryDetail::kFraming);
  EXPECT_FALSE(cut.well_formed);
  ASSERT_TRUE(cut.header);
  EXPECT_EQ(cut.header->Get(header_field::kPatientNumber), 1);
  EXPECT_FALSE(cut.visit);
  EXPECT_EQ(cut.problem, "block of tag 2 at byte 58 runs past the end of the file");

  position = {0, 1'000'000};
  EXPECT_EQ(Read(bytes).problem, "offset 1000000 lies past the end of memory (" +
                                     std::to_string(bytes.size()) + " bytes)");
}

TEST(ChainWalking, StopsAtCyclesAndMissingFiles) {
  TempDir dir;
  StoreLocation store{dir.path(), {}};
  WritePatients(store, {1});
  FreshChartStoreWriter writer(store, {6, 43000, 43010});
  ChartEntry a = Visit(1, 43001);
  ChartEntry b = Visit(1, 43002);
  ChartPosition pa = writer.Write(a);
  ChartPosition pb = writer.Write(b);
  writer.Finish();
  ChartFileSet files(store);
  size_t seen = 0;
  ChainWalkResult walk = WalkChain(files, pb, ChainKind::kPatient, EntryDetail::kFraming,
                                   [&](const ChartEntryRead&) { ++seen; });
  EXPECT_TRUE(walk.clean);
  EXPECT_EQ(walk.entries, 2u);

  std::string chart = ReadFileBytes(ChartFilePath(store, 0));
  chart.replace(size_t(pa.offset - 1) + 2 + 28, 4, I32Bytes(pb.offset));
  WriteFileBytes(ChartFilePath(store, 0), chart);
  ChartFileSet reopened(store);
  walk = WalkChain(reopened, pb, ChainKind::kPatient, EntryDetail::kFraming, {});
  EXPECT_FALSE(walk.clean);
  EXPECT_EQ(walk.entries, 2u);
  EXPECT_EQ(walk.stopped_at, pb);
  walk = WalkChain(reopened, {70000, 1}, ChainKind::kPatient, EntryDetail::kFraming, {});
  EXPECT_FALSE(walk.clean);
  EXPECT_EQ(walk.entries, 0u);
}

TEST(ChartFileEntries, AreHandedOnInFileOrderUpToADamagedOrCutOffBlock) {
  TempDir dir;
  StoreLocation store{dir.path(), {}};
  WritePatients(store, {1, 2});
  FreshChartStoreWriter writer(store, {6, 43000, 43010});
  std::vector<int32_t> written;
  for (int32_t patient : {1, 2, 1}) {
    ChartEntry entry = Visit(patient, 43001 + patient);
    written.push_back(writer.Write(entry).offset);
  }
  writer.Finish();
  const std::string bytes = ReadFileBytes(ChartFilePath(store, 0));
  auto entries = [](const std::string& file, bool& whole) {
    MemoryByteSource source(file);
    std::vector<int32_t> offsets;
    whole = ForEachEntryInFile(source, [&](int32_t offset, const std::vector<BlockFrame>& blocks) {
      // Header, visit, chart text, two diagnoses and the order line; no end tag.
      EXPECT_EQ(blocks.size(), 6u);
      EXPECT_EQ(blocks.front().start, uint64_t(offset) - 1);
      offsets.push_back(offset);
    });
    return offsets;
  };
  bool whole = false;
  EXPECT_EQ(entries(bytes, whole), written);
  EXPECT_TRUE(whole);
  // An unknown tag after the second entry's visit record, and a file cut inside the last entry.
  std::string damaged = bytes;
  damaged[size_t(written[1]) - 1 + 2 + kChartHeaderSize + 2 + kVisitRecordSize] = 99;
  EXPECT_EQ(entries(damaged, whole), std::vector<int32_t>{written[0]});
  EXPECT_FALSE(whole);
  EXPECT_EQ(entries(bytes.substr(0, bytes.size() - 1), whole),
            (std::vector<int32_t>{written[0], written[1]}));
  EXPECT_FALSE(whole);
}

TEST(ChartFileSetTest, ClosesTheFileUsedLongestAgoAndFindsFilesCreatedSince) {
  TempDir dir;
  StoreLocation store{dir.path(), {}};
  std::filesystem::create_directories(store.ChartFolder());
  for (int32_t code : {0, 1, 2}) WriteFileBytes(ChartFilePath(store, code), "abc");
  ChartFileSet files(store, BinaryFile::Mode::kReadWrite, 2);
  ASSERT_NE(files.Open(0), nullptr);
  ASSERT_NE(files.Open(1), nullptr);
  files.Open(0)->WriteAt(0, "X");
  ASSERT_NE(files.Open(2), nullptr);
  EXPECT_TRUE(files.IsOpen(0));
  EXPECT_FALSE(files.IsOpen(1));
  EXPECT_TRUE(files.IsOpen(2));
  // A file is let go with its writes done.
  files.Open(2)->WriteAt(2, "Z");
  files.Open(1);
  EXPECT_FALSE(files.IsOpen(0));
  EXPECT_TRUE(files.IsOpen(2));
  EXPECT_EQ(ReadFileBytes(ChartFilePath(store, 0)), "Xbc");

  // The folder was listed at the first Open; a file an append creates afterwards is found.
  WriteFileBytes(ChartFilePath(store, 3), "12345");
  ASSERT_NE(files.Open(3), nullptr);
  EXPECT_EQ(files.Open(3)->size(), 5u);
  EXPECT_FALSE(files.IsOpen(2));
  EXPECT_EQ(ReadFileBytes(ChartFilePath(store, 2)), "abZ");
  EXPECT_EQ(files.Files().size(), 4u);
  EXPECT_EQ(files.Open(4), nullptr);
  EXPECT_EQ(files.Open(70000), nullptr);
  files.Close();
  EXPECT_FALSE(files.IsOpen(3));
}

}  // namespace
}  // namespace zuvo
