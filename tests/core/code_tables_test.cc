#include "core/code_tables.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/number_text.h"
#include "core/source_text.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

TEST(CodeTables, DepartmentNamesByCode) {
  EXPECT_EQ(big5::ToUtf8(DepartmentName("2a")), "結核科");  // upper-cased first
  EXPECT_EQ(big5::ToUtf8(DepartmentName(" 16 ")), "職業醫學科");
  EXPECT_EQ(big5::ToUtf8(DepartmentName("HA")), "脊椎骨科");  // from the sub-specialties
  EXPECT_EQ(DepartmentName("ZZ"), "");
  EXPECT_EQ(DepartmentCodes[16], "22");  // "16" follows "22"
  EXPECT_EQ(DepartmentNames[38], "臨床病理科");
  EXPECT_EQ(SubDepartmentNames[22], "老人醫學科");
}

TEST(CodeTables, CopayClassesByPosition) {
  EXPECT_EQ(CopayPosition("000"), 0);
  EXPECT_EQ(CopayClassOf[CopayPosition("009")], 'B');
  EXPECT_EQ(CopayClassOf[CopayPosition("901")], 'L');
  EXPECT_EQ(CopayClassOf[CopayPosition("907")], 'Z');
  EXPECT_EQ(CopayPosition("d10"), -1);  // exact comparison
  EXPECT_EQ(CopayClassOf.size(), CopayCodes.size());
}

TEST(CodeTables, MembershipTestsIgnoreCaseWhereTheyShould) {
  EXPECT_TRUE(IsCopayFreeCode("k00"));
  EXPECT_FALSE(IsCopayFreeCode("D10"));
  EXPECT_TRUE(IsZeroPriceConsultCode("01036c"));
  EXPECT_TRUE(IsFreeFeeCode("drfree"));
  EXPECT_TRUE(IsIcCardOrderCode("0b1ic"));
  EXPECT_TRUE(IsUncommonOrderCode("E1011C"));
  EXPECT_FALSE(IsUncommonOrderCode("e1011c"));
}

TEST(CodeTables, UnitNamesFallBackOutsideTheirRange) {
  EXPECT_EQ(PackageUnitName(2), "bot");
  EXPECT_EQ(big5::ToUtf8(PackageUnitName(0)), "次(個)");
  EXPECT_EQ(big5::ToUtf8(PackageUnitName(9)), "次(個)");
  EXPECT_EQ(DoseUnitName(8), "mg");
  EXPECT_EQ(DoseUnitName(11), "");
  EXPECT_EQ(DoseUnitName(12), "tab");
  EXPECT_EQ(DoseUnitName(-1), "tab");
}

TEST(SourceText, StripsControlCharactersButKeepsBig5) {
  // 繁 (C1 63) and 語 (BB 79) have ASCII letters as trail bytes.
  std::string text = " A\tB\xC1\x63\n\xBB\x79\x01z\r\n";
  EXPECT_EQ(StripControlChars(text), "AB\xC1\x63\xBB\x79z");
  EXPECT_EQ(StripControlChars("\xA5\x5C\x09"), "\xA5\x5C");  // 功 ends in a backslash
}

TEST(NumberText, ReadsIntegersAndNumbersStrictly) {
  EXPECT_EQ(ParseInteger("  42"), 42);
  EXPECT_EQ(ParseInteger("-7"), -7);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_FALSE(ParseInteger("42 ").has_value());
  EXPECT_FALSE(ParseInteger("4 2").has_value());
  EXPECT_FALSE(ParseInteger("").has_value());
  EXPECT_FALSE(ParseInteger("99999999999999999999").has_value());
  EXPECT_EQ(IntegerOr("AB", 1), 1);
  EXPECT_DOUBLE_EQ(ParseNumber(" 37.95 ").value(), 37.95);
  EXPECT_DOUBLE_EQ(ParseNumber("1e3").value(), 1000);
  EXPECT_FALSE(ParseNumber("nan").has_value());
  EXPECT_FALSE(ParseNumber("1,5").has_value());
  EXPECT_EQ(NumberOr("", 0.5), 0.5);
}

TEST(NumberText, RoundsHalvesAwayFromZero) {
  struct Case {
    int digits;
    double value;
    double expected;
  } cases[] = {{0, 2.5, 3},     {0, -2.5, -3},    {1, 0.25, 0.3},   {1, -0.25, -0.3},
               {0, 2.4999, 2},  {0, -2.4999, -2}, {2, 1.234, 1.23}, {2, 1.235, 1.24},
               {2, 45.6, 45.6}, {0, 0, 0},        {2, -0.001, 0},   {0, 100000.5, 100001}};
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(RoundHalfAway(c.digits, c.value), c.expected) << c.digits << " " << c.value;
  }
  EXPECT_FALSE(std::signbit(RoundHalfAway(2, -0.001)));
}

}  // namespace
}  // namespace zuvo
