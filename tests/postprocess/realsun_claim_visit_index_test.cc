#include "postprocess/realsun_claim_visit_index.h"

#include <gtest/gtest.h>

#include "core/byte_layout.h"
#include "core/chart_store.h"
#include "postprocess/claims_fixture.h"

namespace zuvo {
namespace {

using testing::ClaimTree;
using testing::OrderAt;
using testing::VisitAt;

DateTime At(int day, int hour) { return *EncodeDateTime({2019, 1, day, hour, 0, 0, 0}); }

// Patient 7's chain crosses from chart file 1 back into chart file 0: a visit on 3 January with
// card 0005 in each file, another day and another card in file 1. A visit of patient 9 with a
// long chart text fills file 0.
class ClaimVisitIndexTest : public ::testing::Test, public ClaimTree {
 protected:
  ClaimVisitIndexTest() {
    AddPatient(7, "A123456789");
    AddPatient(9, "B223456780");
    ChartEntry filler = Visit(9, At(3, 10), "0001", {});
    filler.chart_text = std::string(1'000'000, 'x');
    visits =
        WriteVisits({Visit(7, At(3, 9), "0005", {"A000000100", "B000000200"}), filler,
                     Visit(7, At(3, 15), "0005", {"A000000100"}), Visit(7, At(4, 9), "0005", {}),
                     Visit(7, At(3, 11), "0006", {"A000000100"})},
                    1);
  }
  ChartPosition Head(int32_t patient) {
    PatientRecord record;
    EXPECT_TRUE(ReadPatient(store, patient, record));
    return {record.Get(patient_field::kChartFileCode), record.Get(patient_field::kChartOffset)};
  }
  std::string File(int32_t code) { return testing::ReadFileBytes(ChartFilePath(store, code)); }
  std::vector<ChartPosition> visits;
};

TEST_F(ClaimVisitIndexTest, FindsTheVisitsOfACardAndDayAlongTheChainAcrossChartFiles) {
  ASSERT_EQ(visits[0].file_code, 0);
  ASSERT_EQ(visits[2].file_code, 1);
  ChartFileSet files(store);
  ClaimVisitIndex index(files);
  const ChartPosition head = Head(7);
  ASSERT_EQ(head, visits[4]);

  // Any time of the day finds both visits, newest first, each with its order records.
  std::optional<std::vector<ClaimVisitIndex::Visit>> found = index.Find(7, head, "0005", At(3, 23));
  ASSERT_TRUE(found);
  ASSERT_EQ(found->size(), 2u);
  const ClaimVisitIndex::Visit& newer = (*found)[0];
  const ClaimVisitIndex::Visit& older = (*found)[1];
  EXPECT_EQ(newer.entry, visits[2]);
  EXPECT_EQ(newer.record, VisitAt(visits[2]));
  EXPECT_EQ(newer.end, size_t(visits[3].offset) - 1 - 2);
  EXPECT_EQ(older.entry, visits[0]);
  EXPECT_EQ(older.record, VisitAt(visits[0]));
  EXPECT_EQ(older.end, size_t(visits[1].offset) - 1 - 2);
  // The places are those of the records and end tags in their own files.
  const std::string file0 = File(0);
  const std::string file1 = File(1);
  EXPECT_EQ(file1.substr(newer.record + 4, 5),
            "\x04"
            "0005");
  EXPECT_EQ(file1.substr(newer.end, 2), std::string("\x80\0", 2));
  EXPECT_EQ(file0.substr(older.end - kOrderRecordSize, 11),
            "\x0a"
            "B000000200");
  EXPECT_EQ(file0.substr(older.end, 2), std::string("\x80\0", 2));

  found = index.Find(7, head, "0005", At(4, 0));
  ASSERT_TRUE(found);
  ASSERT_EQ(found->size(), 1u);
  EXPECT_EQ((*found)[0].entry, visits[3]);
}

TEST_F(ClaimVisitIndexTest, ClaimsWithoutTheirVisitFindNothing) {
  ChartFileSet files(store);
  ClaimVisitIndex index(files);
  const ChartPosition head = Head(7);
  for (auto [sequence, day] :
       {std::pair{"0007", At(3, 9)}, std::pair{"0005", At(5, 9)}, std::pair{"0005", DateTime{0}},
        std::pair{"00055", At(3, 9)}, std::pair{"0001", At(3, 10)}}) {
    std::optional<std::vector<ClaimVisitIndex::Visit>> found = index.Find(7, head, sequence, day);
    ASSERT_TRUE(found) << sequence;
    EXPECT_TRUE(found->empty()) << sequence << " " << day;
  }
  // A patient without visits has an empty chain.
  std::optional<std::vector<ClaimVisitIndex::Visit>> none = index.Find(8, {0, 0}, "0005", At(3, 9));
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
}

TEST_F(ClaimVisitIndexTest, ChainsItCannotFollowAreLeftToTheCaller) {
  const std::string original = File(0);
  {
    // The oldest entry of patient 7 links back to the newest: a cycle.
    std::string cycle = original;
    const size_t link = static_cast<size_t>(visits[0].offset) - 1 + 2 + 24;
    cycle.replace(link, 8, I32Bytes(1) + I32Bytes(visits[4].offset));
    testing::WriteFileBytes(ChartFilePath(store, 0), cycle);
    ChartFileSet files(store);
    ClaimVisitIndex index(files);
    EXPECT_FALSE(index.Find(7, Head(7), "0005", At(3, 9)).has_value());
    // A head in a chart file that does not exist, or inside an entry.
    EXPECT_FALSE(index.Find(9, {5, 1}, "0001", At(3, 10)).has_value());
    EXPECT_FALSE(index.Find(9, {0, visits[1].offset + 2}, "0001", At(3, 10)).has_value());
    // Patient 9's own chain is whole.
    ASSERT_TRUE(index.Find(9, visits[1], "0001", At(3, 10)).has_value());
  }
  // A damaged block in the oldest entry: the chain cannot be followed through it.
  std::string damaged = original;
  damaged[VisitAt(visits[0]) + kVisitRecordSize] = 99;
  testing::WriteFileBytes(ChartFilePath(store, 0), damaged);
  ChartFileSet files(store);
  ClaimVisitIndex index(files);
  EXPECT_FALSE(index.Find(7, Head(7), "0005", At(4, 9)).has_value());
}

}  // namespace
}  // namespace zuvo
