#include "core/patient_index.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "byte_layout.h"

#include "core/patient_store.h"
#include "platform/big5.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using testing::I32At;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

// Entries in use among `blocks` blocks of 100 entries of `entry` bytes from `start`.
size_t CountNumbers(const std::string& index, size_t start, size_t entry, size_t blocks) {
  size_t numbers = 0;
  for (size_t block = 0; block < blocks; ++block) {
    for (size_t slot = 0; slot < 100; ++slot) {
      if (I32At(index, start + block * (entry * 100 + 4) + slot * entry) != 0) ++numbers;
    }
  }
  return numbers;
}

class PatientIndexTest : public ::testing::Test {
 protected:
  void Write(int32_t number, std::string_view id, std::string_view name_big5,
             std::string_view telephone, double birthday) {
    PatientRecord record;
    record.Set(patient_field::kNumber, number);
    record.Set(patient_field::kNationalId, id);
    record.Set(patient_field::kName, name_big5);
    record.Set(patient_field::kTelephone, telephone);
    record.Set(patient_field::kBirthday, birthday);
    WritePatient(store, record, "");
  }
  std::string Build() {
    BuildPatientIndex(store, [this](const std::string& line) { messages.push_back(line); });
    return ReadFileBytes(dir / "PTdata.ind");
  }

  TempDir dir;
  StoreLocation store{dir / "clinic", dir / "PTdata.ind"};
  std::vector<std::string> messages;

  void SetUp() override { std::filesystem::create_directory(dir / "clinic"); }
};

TEST_F(PatientIndexTest, HeaderTablesAndEntriesLieAtTheirOffsets) {
  // 1970-03-01 is day 25628 (1970-01-01 is 25569); its leap-year day index is 60.
  Write(42, "a123456789", big5::FromUtf8(" 王小明 "), " 02-2345678 ", 25628.75);
  std::string index = Build();
  ASSERT_EQ(index.size(), 6'775'180u);
  EXPECT_EQ(I32At(index, 0), 16);
  EXPECT_EQ(I32At(index, 4), 1'605'620);
  EXPECT_EQ(I32At(index, 8), 1'899'884);
  EXPECT_EQ(I32At(index, 12), 4'771'180);

  // ID bucket 789: number, string[10] of the trimmed upper-cased ID, one zero byte.
  size_t id = 16 + 789 * 1604;
  EXPECT_EQ(I32At(index, id), 42);
  EXPECT_EQ(index.substr(id + 4, 12), std::string("\x0A"
                                                  "A123456789\0",
                                                  12));

  size_t birthday = 1'605'620 + 60 * 804;
  EXPECT_EQ(I32At(index, birthday), 42);
  EXPECT_EQ(I32At(index, birthday + 4), 25628);

  // 王小明 = A4FD A470 A9FA; bucket (0xA9 & 3) * 256 + 0xFA = 506.
  size_t name = 1'899'884 + 506 * 2804;
  EXPECT_EQ(I32At(index, name), 42);
  EXPECT_EQ(index.substr(name + 4, 10), std::string("\x06\xA4\xFD\xA4\x70\xA9\xFA\0\0\0", 10));

  size_t telephone = 4'771'180 + 678 * 2004;
  EXPECT_EQ(I32At(index, telephone), 42);
  EXPECT_EQ(index.substr(telephone + 4, 12), std::string("\x0A"
                                                         "02-2345678\0",
                                                         12));

  // Nothing else is set: each table holds exactly one number.
  EXPECT_EQ(CountNumbers(index, 16, 16, 1001), 1u);
  EXPECT_EQ(CountNumbers(index, 1'605'620, 8, 366), 1u);
  EXPECT_EQ(CountNumbers(index, 1'899'884, 28, 1024), 1u);
  EXPECT_EQ(CountNumbers(index, 4'771'180, 20, 1000), 1u);
  EXPECT_TRUE(messages.empty());
}

TEST_F(PatientIndexTest, ShortNamesMissingTelephonesAndOddIdsFollowTheirRules) {
  Write(1, "X12345678Z", "A", "", 0);
  Write(2, "AB", "AB", "12345", 0);
  Write(3, "12", "", "123456", 0);
  std::string index = Build();
  // IDs whose last three characters are no number go to bucket 1000; "12" is bucket 12.
  EXPECT_EQ(I32At(index, 16 + 1000 * 1604), 1);
  EXPECT_EQ(I32At(index, 16 + 1000 * 1604 + 16), 2);
  EXPECT_EQ(I32At(index, 16 + 12 * 1604), 3);
  // Birthday 0 (1899-12-30) has day index 364.
  EXPECT_EQ(I32At(index, 1'605'620 + 364 * 804 + 16), 3);
  // Only "AB" (bucket ('A' & 3) * 256 + 'B' = 322) has a name entry.
  EXPECT_EQ(I32At(index, 1'899'884 + 322 * 2804), 2);
  // Only "123456" (longer than 5) has a telephone entry, in bucket 456.
  EXPECT_EQ(I32At(index, 4'771'180 + 456 * 2004), 3);
  EXPECT_EQ(CountNumbers(index, 1'899'884, 28, 1024), 1u);
  EXPECT_EQ(CountNumbers(index, 4'771'180, 20, 1000), 1u);
}

TEST_F(PatientIndexTest, TheHundredAndFirstPatientOfABucketGoesIntoAnOverflowBlock) {
  // Distinct birthdays keep the other tables from overflowing.
  for (int32_t number = 1; number <= 101; ++number) Write(number, "Q000000555", "", "", number);
  std::string index = Build();
  ASSERT_EQ(index.size(), 6'775'180u + 1604u);
  size_t block = 16 + 555 * 1604;
  EXPECT_EQ(I32At(index, block + 99 * 16), 100);
  EXPECT_EQ(I32At(index, block + 1600), 6'775'180);
  EXPECT_EQ(I32At(index, 6'775'180), 101);
  EXPECT_EQ(I32At(index, 6'775'180 + 1600), 0);
}

// A bucket's chain as the file links it: each block's offset and the numbers in its entries.
struct ChainBlock {
  size_t offset;
  std::vector<int32_t> numbers;
  bool operator==(const ChainBlock&) const = default;
};
std::vector<ChainBlock> ChainOf(const std::string& index, size_t first_block, size_t entry) {
  std::vector<ChainBlock> chain;
  for (size_t block = first_block; block != 0 && chain.size() < 100;) {
    ChainBlock& read = chain.emplace_back(ChainBlock{block, {}});
    for (size_t slot = 0; slot < 100; ++slot) {
      if (int32_t number = I32At(index, block + slot * entry)) read.numbers.push_back(number);
    }
    block = static_cast<size_t>(I32At(index, block + 100 * entry));
  }
  return chain;
}
std::vector<int32_t> Numbers(int32_t from, int32_t to, int32_t step = 1) {
  std::vector<int32_t> numbers;
  for (int32_t number = from; number <= to; number += step) numbers.push_back(number);
  return numbers;
}

TEST_F(PatientIndexTest, LongChainsLinkTheirOverflowBlocksInTheOrderTheyFilled) {
  // 300 patients with one name (bucket 506) and IDs in one bucket (555), odd ones born on a day
  // of day index 60, even ones on day index 61; the first 50 share a telephone bucket (678).
  for (int32_t number = 1; number <= 300; ++number) {
    char id[16];
    std::snprintf(id, sizeof id, "Q%06d555", number);
    Write(number, id, big5::FromUtf8("王小明"), number <= 50 ? "02-2345678" : "",
          25628 + (number % 2 == 0));
  }
  std::string index = Build();
  // Overflow blocks are appended as chains fill, in patient order and, within a patient, ID,
  // birthday, name: patient 101 fills the first ID block (1604 bytes) and the first name block
  // (2804); patient 201 the second ID block, the first block of day 60 (804) and the second
  // name block; patient 202 the first block of day 61.
  const size_t id_2 = 6'775'180, name_2 = id_2 + 1604, id_3 = name_2 + 2804, day60_2 = id_3 + 1604,
               name_3 = day60_2 + 804, day61_2 = name_3 + 2804;
  ASSERT_EQ(index.size(), day61_2 + 804);

  EXPECT_EQ(ChainOf(index, 16 + 555 * 1604, 16),
            (std::vector<ChainBlock>{{16 + 555 * 1604, Numbers(1, 100)},
                                     {id_2, Numbers(101, 200)},
                                     {id_3, Numbers(201, 300)}}));
  EXPECT_EQ(ChainOf(index, 1'899'884 + 506 * 2804, 28),
            (std::vector<ChainBlock>{{1'899'884 + 506 * 2804, Numbers(1, 100)},
                                     {name_2, Numbers(101, 200)},
                                     {name_3, Numbers(201, 300)}}));
  EXPECT_EQ(ChainOf(index, 1'605'620 + 60 * 804, 8),
            (std::vector<ChainBlock>{{1'605'620 + 60 * 804, Numbers(1, 199, 2)},
                                     {day60_2, Numbers(201, 299, 2)}}));
  EXPECT_EQ(ChainOf(index, 1'605'620 + 61 * 804, 8),
            (std::vector<ChainBlock>{{1'605'620 + 61 * 804, Numbers(2, 200, 2)},
                                     {day61_2, Numbers(202, 300, 2)}}));
  EXPECT_EQ(ChainOf(index, 4'771'180 + 678 * 2004, 20),
            (std::vector<ChainBlock>{{4'771'180 + 678 * 2004, Numbers(1, 50)}}));
  // Entries of overflow blocks are whole: the name of patient 300, the last entry of the last
  // name block.
  EXPECT_EQ(index.substr(name_3 + 99 * 28 + 4, 8),
            std::string("\x06\xA4\xFD\xA4\x70\xA9\xFA\0", 8));

  // The lookup finds every patient through the chain.
  PatientIdIndex lookup(index);
  for (int32_t number = 1; number <= 300; ++number) {
    char id[16];
    std::snprintf(id, sizeof id, "Q%06d555", number);
    ASSERT_EQ(lookup.FindPatientByID(id), number) << id;
  }

  // The whole file, byte for byte, as the index of this store has always been built (FNV-1a).
  uint64_t hash = 14695981039346656037u;
  for (unsigned char byte : index) hash = (hash ^ byte) * 1099511628211u;
  EXPECT_EQ(hash, 0x2f14111ecbb4b1cfu);
}

TEST_F(PatientIndexTest, ChecksumMismatchesAreReportedAndIndexedAllTheSame) {
  Write(5, "A000000005", "", "", 0);
  Write(6, "A000000006", "", "", 0);
  Write(7, "A000000007", "", "", 0);
  std::string file = ReadFileBytes(dir / "clinic" / "PtData.000");
  file[5 * 269] ^= 1;
  file[7 * 269 + 1] ^= 1;
  WriteFileBytes(dir / "clinic" / "PtData.000", file);
  std::string index = Build();
  EXPECT_EQ(messages, (std::vector<std::string>{"病歷號檢查碼不符:5", "病歷號檢查碼不符數目:2"}));
  EXPECT_EQ(I32At(index, 16 + 5 * 1604), 5);
  EXPECT_EQ(I32At(index, 16 + 7 * 1604), 7);
}

TEST_F(PatientIndexTest, FindPatientByIdSearchesTheBucketAndItsOverflowBlocks) {
  char id[16];
  for (int32_t number = 1; number <= 101; ++number) {
    std::snprintf(id, sizeof id, "q%06d555", number);
    Write(number, id, "", "", number);
  }
  Write(102, "X12345678Z", "", "", 0);
  std::string image = Build();
  PatientIdIndex index = PatientIdIndex::Load(dir / "PTdata.ind");
  EXPECT_EQ(index.FindPatientByID("Q000001555"), 1);
  EXPECT_EQ(index.FindPatientByID(" Q000101555 "), 101);  // in the overflow block
  EXPECT_EQ(index.FindPatientByID("x12345678z"), 102);    // bucket 1000
  EXPECT_EQ(index.FindPatientByID("Q000102555"), 0);
  EXPECT_EQ(index.FindPatientByID(""), 0);

  // A damaged index finds nobody instead of reading past its end or going round a cycle.
  const size_t next = 16 + 555 * 1604 + 1600;
  std::string cycle = image;
  StoreI32(cycle.data() + next, 16 + 555 * 1604);
  EXPECT_EQ(PatientIdIndex(cycle).FindPatientByID("Q000101555"), 0);
  std::string past_end = image;
  StoreI32(past_end.data() + next, static_cast<int32_t>(image.size() - 10));
  EXPECT_EQ(PatientIdIndex(past_end).FindPatientByID("Q000101555"), 0);
  std::string bad_header = image;
  StoreI32(bad_header.data(), -1);
  EXPECT_EQ(PatientIdIndex(bad_header).FindPatientByID("Q000001555"), 0);
  EXPECT_EQ(PatientIdIndex(image.substr(0, 20000)).FindPatientByID("Q000001555"), 0);
  EXPECT_EQ(PatientIdIndex("").FindPatientByID("Q000001555"), 0);
}

}  // namespace
}  // namespace zuvo
