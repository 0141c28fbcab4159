#include <gtest/gtest.h>

#include <array>
#include <string>

#include "demo/vision_patient_tables.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

// The check of a national ID, computed the way the household registration defines it.
bool HasValidCheckDigit(const std::string& id) {
  static constexpr std::array<int, 26> kLetterValues = {10, 11, 12, 13, 14, 15, 16, 17, 34,
                                                        18, 19, 20, 21, 22, 35, 23, 24, 25,
                                                        26, 27, 28, 29, 32, 30, 31, 33};
  if (id.size() != 10 || id[0] < 'A' || id[0] > 'Z') return false;
  int letter = kLetterValues[static_cast<size_t>(id[0] - 'A')];
  int sum = letter / 10 + letter % 10 * 9 + (id[9] - '0');
  for (int i = 1; i <= 8; ++i) sum += (id[static_cast<size_t>(i)] - '0') * (9 - i);
  return sum % 10 == 0;
}

TEST(DemoPatientTable, NationalIdsCarryValidCheckDigits) {
  EXPECT_EQ(demo::NationalIdWithCheckDigit('A', 1, 2345678), "A123456789");
  EXPECT_TRUE(HasValidCheckDigit(demo::NationalIdWithCheckDigit('I', 1, 9876543)));
}

TEST(DemoPatientTable, GeneratedRowsFollowTheShowcaseDeterministically) {
  testing::TempDir first, second;
  demo::WriteVisionPatientTable(first.path(), 11, 500);
  demo::WriteVisionPatientTable(second.path(), 11, 500);
  EXPECT_EQ(testing::ReadFileBytes(first / "CO01M.DBF"),
            testing::ReadFileBytes(second / "CO01M.DBF"));
  EXPECT_EQ(testing::ReadFileBytes(first / "CO01M.DBT"),
            testing::ReadFileBytes(second / "CO01M.DBT"));

  DbfTable table = DbfTable::Open(first.path(), "CO01M.DBF");
  EXPECT_EQ(table.RecordCount(), demo::kShowcasePatientRows + 500);
  int ten_character_ids = 0, remarks = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    // Patient 27 repeats patient 15's ID in lower case.
    std::string id = big5::UpperAscii(big5::Trim(table.Text("MPERSONID")));
    if (id.size() == 10) {
      ++ten_character_ids;
      EXPECT_TRUE(HasValidCheckDigit(id)) << id;
    }
    if (!table.Memo("MREMARK").empty()) ++remarks;
  }
  EXPECT_GT(ten_character_ids, 450);
  EXPECT_GT(remarks, 250);
}

}  // namespace
}  // namespace zuvo
