#include "catalogue/vision_order_kind.h"

#include <gtest/gtest.h>

#include "platform/big5.h"

namespace zuvo {
namespace {

std::string B(std::string_view utf8) { return big5::FromUtf8(utf8); }

struct KindCase {
  const char* kind;
  const char* unit;  // UTF-8
  const char* code;
  const char* source;
  const char* order_class;
  const char* unit_name;  // UTF-8
  const char* problem;    // UTF-8, empty when none
};

TEST(VisionOrderKindTest, KindAndUnitDecideClassAndUnit) {
  const KindCase cases[] = {
      {"01", "瓶", "X", "S", "OPD", "bot", ""},
      {"12", "tab", "X", "S", "oral", "tab", ""},
      {"0", "ml", "X", "S", "oral", "tab", ""},
      {"2", "", "X", "S", "oral", "tab", ""},
      {"02", "1包", "X", "S", "oral", "tab", ""},
      {"02", "包彈繃", "X", "S", "material", "次(個)", ""},
      {"02", "2支", "X", "S", "inj", "vial", ""},
      {"02", "單次", "X", "S", "OPD", "次(個)", ""},
      {"02", "box", "X", "S", "oral", "box", ""},
      {"02", "amp", "X", "S", "inj", "amp", ""},
      {"02", "tube", "X", "S", "topical", "tube", ""},
      {"03", "vial", "X", "S", "inj", "vial", ""},
      {"03", "棉棒包", "X", "S", "material", "次(個)", ""},
      {"03", "3條", "X", "S", "topical", "tube", ""},
      {"03", "大瓶", "X", "S", "drop", "bot", ""},
      {"03", "紙盒", "X", "S", "material", "次(個)", ""},
      {"03", "ml", "X", "S", "inj", "ml", ""},
      {"04", "1AMP", "X", "S", "inj", "amp", ""},
      {"04", "ap", "X", "S", "inj", "amp", ""},
      {"04", "2支", "X", "S", "inj", "vial", ""},
      {"04", "1vil", "X", "S", "inj", "vial", ""},
      {"04", "大瓶", "X", "S", "inj", "bot", ""},
      {"04", "1Bottle", "X", "S", "inj", "bot", ""},
      {"04", "vial", "X", "S", "inj", "vial", ""},
      {"04", "XX", "X", "S", "inj", "次(個)", "分類碼錯誤:04,XX,[S]"},
      {"05", "tab", "X", "S", "OPD", "次(個)", ""},
      {"9", "tab", "X", "S", "OPD", "次(個)", ""},
      {"10", "tab", "X", "S", "operate", "次(個)", ""},
      {"", "", "", "S", "OPD", "次(個)", ""},
      {"", "", "123456", "S", "OPD", "次(個)", ""},
      {"", "XX", "A1", "S", "OPD", "次(個)", "分類碼錯誤:,XX,[S]"},
      {"", "份", "A1", "S", "OPD", "次(個)", ""},
      {"", "tab", "A1", "S", "OPD", "次(個)", ""},
      {"31", "", "", "00012B", "OPD", "次(個)", ""},
      {"31", "", "", "00000B", "OPD", "次(個)", "分類碼錯誤:31,空白,[00000B]"},
      {"31", "tab", "", "ODD", "OPD", "次(個)", "分類碼錯誤:31,次(個),[ODD]"},
      {"77", "紙盒", "", "ODD", "OPD", "次(個)", "分類碼錯誤:77,紙盒,[ODD]"},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + "/" + c.unit);
    VisionOrderKind kind = ClassifyVisionOrder(c.kind, B(c.unit), c.code, c.source);
    EXPECT_FALSE(kind.skip);
    EXPECT_EQ(kind.order_class, c.order_class);
    EXPECT_EQ(big5::ToUtf8(kind.unit_name), c.unit_name);
    EXPECT_EQ(kind.problem, c.problem);
  }
  EXPECT_TRUE(ClassifyVisionOrder("ZZ", "", "", "S").skip);
  EXPECT_TRUE(ClassifyVisionOrder("99", "", "", "S").skip);
}

TEST(VisionOrderKindTest, SurgeryRangeByTheCodesFirstFiveCharacters) {
  EXPECT_EQ(ApplySurgeryRange("64028C", "OPD"), "operate");
  EXPECT_EQ(ApplySurgeryRange("62001C", "OPD"), "operate");
  EXPECT_EQ(ApplySurgeryRange("88999C", "operate"), "operate");
  EXPECT_EQ(ApplySurgeryRange("47031C", "operate"), "OPD");
  EXPECT_EQ(ApplySurgeryRange("89000C", "operate"), "OPD");
  EXPECT_EQ(ApplySurgeryRange("6400", "operate"), "OPD");
  EXPECT_EQ(ApplySurgeryRange("64028C", "oral"), "oral");
}

}  // namespace
}  // namespace zuvo
