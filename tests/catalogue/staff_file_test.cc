#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "catalogue/staff_file.h"
#include "platform/base64.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using big5::FromUtf8;
using ::testing::HasSubstr;

// A 187-byte record written field by field at the offsets of the file format.
class RecordBytes {
 public:
  RecordBytes() : bytes_(187, '\0') {}
  RecordBytes& Text(size_t offset, std::string_view value) {
    bytes_[offset] = static_cast<char>(value.size());
    bytes_.replace(offset + 1, value.size(), value);
    return *this;
  }
  RecordBytes& Double(size_t offset, double value) {
    uint64_t bits = std::bit_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) bytes_[offset + i] = static_cast<char>(bits >> (8 * i));
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

TEST(StaffFileTest, EmptyTableGivesEmptyFileAndBack) {
  testing::TempDir folder;
  MemoryTable staff = DefineStaffTable();
  SaveStaffFile(staff, folder / "MEMBER.SCR");
  EXPECT_EQ(testing::ReadFileBytes(folder / "MEMBER.SCR"), "");
  EXPECT_EQ(LoadStaffFile(folder / "MEMBER.SCR").RecordCount(), 0u);
}

TEST(StaffFileTest, WritesRecordsByteForByte) {
  testing::TempDir folder;
  MemoryTable staff = DefineStaffTable();
  const std::string long_name = FromUtf8("王大明王大明王大明王大明");   // 24 bytes
  const std::string odd_name = "A" + FromUtf8("林小華林小華林小華林");  // 21 bytes
  const DateTime today = *EncodeDate(2024, 5, 6);
  AddConvertedStaffMember(staff, {"A123456789", long_name, "3817", "DPMAAA", "04", 0}, today);
  AddConvertedStaffMember(
      staff, {"B234567890", odd_name, "6459", "P00AAA", "", *EncodeDate(1970, 1, 2)}, today);

  SaveStaffFile(staff, folder / "MEMBER.SCR");

  std::string expected = RecordBytes()
                             .Text(0, "A123456789")
                             .Text(11, long_name.substr(0, 20))
                             .Text(32, "3817")
                             .Double(43, today)
                             .Text(51, "DPMAAA")
                             .Text(58, "")
                             .Text(75, "M")
                             .Text(105, "04")
                             .Text(122, "1")
                             .bytes() +
                         RecordBytes()
                             .Text(0, "B234567890")
                             .Text(11, odd_name.substr(0, 19))  // 20 bytes would split a character
                             .Text(32, "6459")
                             .Double(43, *EncodeDate(1970, 1, 2))
                             .Text(51, "P00AAA")
                             .Text(75, "F")
                             .Text(122, "1")
                             .bytes();
  ASSERT_EQ(expected.size(), 2u * 187);
  std::string file = testing::ReadFileBytes(folder / "MEMBER.SCR");
  ASSERT_TRUE(file.ends_with("\r\n"));
  EXPECT_EQ(file.find('\n'), file.size() - 1);  // one unbroken line
  EXPECT_EQ(DecodeBase64(file.substr(0, file.size() - 2)), expected);

  // Loading and saving again gives the same bytes.
  MemoryTable loaded = LoadStaffFile(folder / "MEMBER.SCR");
  ASSERT_EQ(loaded.RecordCount(), 2u);
  EXPECT_EQ(loaded.Text("ID"), "A123456789");
  EXPECT_EQ(loaded.Text("NAME"), long_name.substr(0, 20));
  EXPECT_DOUBLE_EQ(loaded.Number("Birthday"), today);
  SaveStaffFile(loaded, folder / "again.scr");
  EXPECT_EQ(testing::ReadFileBytes(folder / "again.scr"), file);
}

TEST(StaffFileTest, ReadsWhatOtherWritersLeave) {
  testing::TempDir folder;
  // A name an earlier writer cut inside a character, a length byte larger than the field,
  // the encoded text broken over lines with "-", and a remainder shorter than a record.
  std::string broken_name = FromUtf8("陳") + FromUtf8("美").substr(0, 1);
  std::string records =
      RecordBytes().Text(0, "C200000001").Text(11, broken_name).Text(51, "P00AAA").bytes() +
      RecordBytes().Text(0, "D100000002").Text(75, "M").bytes() + std::string(50, 'x');
  records[187 + 51] = 30;  // ID_level claims 30 bytes in a field of 6
  std::string encoded = EncodeBase64(records);
  std::string text = encoded.substr(0, 100) + "-\r\n" + encoded.substr(100) + "\r\n";
  testing::WriteFileBytes(folder / "MEMBER.SCR", text);

  MemoryTable staff = LoadStaffFile(folder / "MEMBER.SCR");
  ASSERT_EQ(staff.RecordCount(), 2u);
  EXPECT_EQ(staff.Text("NAME"), FromUtf8("陳"));
  EXPECT_EQ(staff.Text("ID_level"), "P00AAA");
  staff.Next();
  EXPECT_EQ(staff.Text("ID"), "D100000002");
  EXPECT_EQ(staff.Text("ID_level"), std::string(6, '\0'));
  EXPECT_EQ(staff.Text("SEX"), "M");
}

TEST(StaffFileTest, ReportsUnreadableFiles) {
  testing::TempDir folder;
  testing::WriteFileBytes(folder / "MEMBER.SCR", "not base64!\r\n");
  EXPECT_THAT([&] { LoadStaffFile(folder / "MEMBER.SCR"); },
              ::testing::ThrowsMessage<Error>(HasSubstr("MEMBER.SCR")));
  EXPECT_THROW(LoadStaffFile(folder / "missing.scr"), Error);
}

// A prepared file that repeats an ID: the later record updates the earlier one, and is told.
TEST(StaffFileTest, ARepeatedIdUpdatesTheEarlierRecord) {
  testing::TempDir folder;
  std::string twice = RecordBytes().Text(0, "A123456789").Text(11, "first").bytes() +
                      RecordBytes().Text(0, "B200000000").Text(11, "other").bytes() +
                      RecordBytes().Text(0, "a123456789").Text(11, "second").bytes();
  testing::WriteFileBytes(folder / "twice.scr", EncodeBase64(twice) + "\r\n");
  std::vector<std::string> lines;
  MemoryTable staff =
      LoadStaffFile(folder / "twice.scr", [&](const std::string& line) { lines.push_back(line); });
  ASSERT_EQ(staff.RecordCount(), 2u);
  EXPECT_EQ(staff.Text("ID"), "a123456789");
  EXPECT_EQ(staff.Text("NAME"), "second");
  EXPECT_EQ(lines,
            (std::vector<std::string>{"MEMBER.SCR身分證號重複,以後面的資料為準:a123456789"}));
}

TEST(StaffFileTest, ConvertedMembersGetTheirDefaultsOnce) {
  MemoryTable staff = DefineStaffTable();
  const DateTime today = *EncodeDate(2024, 5, 6);
  EXPECT_FALSE(AddConvertedStaffMember(staff, {"E200000003", "X", "6459", "P00AAA", "", 0}, today));
  EXPECT_EQ(staff.Text("SEX"), "F");
  EXPECT_EQ(staff.Text("OPDNO"), "1");
  EXPECT_EQ(staff.Text("TITLE"), "");
  EXPECT_EQ(staff.Text("department"), "");
  EXPECT_EQ(staff.Text("department2"), "");
  EXPECT_DOUBLE_EQ(staff.Number("Birthday"), today);
  // The same ID again updates the row instead of failing on the key.
  EXPECT_TRUE(AddConvertedStaffMember(staff, {"E200000003", "Y", "6459", "P00AAA", "", 0}, today));
  EXPECT_EQ(staff.RecordCount(), 1u);
  staff.First();
  EXPECT_EQ(staff.Text("NAME"), "Y");
  EXPECT_FALSE(AddConvertedStaffMember(staff, {"", "Z", "3817", "DP0AAA", "", 0}, today));
  EXPECT_EQ(staff.Text("SEX"), "F");
}

}  // namespace
}  // namespace zuvo
