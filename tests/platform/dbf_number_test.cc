#include "platform/dbf_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace zuvo {
namespace {

TEST(DbfNumber, IntegerIsTheWholePartOfADecimal) {
  EXPECT_EQ(ParseDbfInteger("   42"), 42);
  EXPECT_EQ(ParseDbfInteger("0012"), 12);
  EXPECT_EQ(ParseDbfInteger(" 12.7 "), 12);
  EXPECT_EQ(ParseDbfInteger("-3.9"), -3);
  EXPECT_EQ(ParseDbfInteger("+7"), 7);
  EXPECT_EQ(ParseDbfInteger(".5"), 0);
  EXPECT_EQ(ParseDbfInteger("9223372036854775807"), std::numeric_limits<int64_t>::max());
  for (const char* bad : {"", "    ", "*****", "1,234", "12a", "1 2", "-", ".", "1.2.3", "- 5",
                          "1e3", "9223372036854775808"}) {
    EXPECT_FALSE(ParseDbfInteger(bad).has_value()) << bad;
  }
}

TEST(DbfNumber, NumberAcceptsDecimalAndExponentForms) {
  EXPECT_DOUBLE_EQ(*ParseDbfNumber("  37.95"), 37.95);
  EXPECT_DOUBLE_EQ(*ParseDbfNumber("-.5"), -0.5);
  EXPECT_DOUBLE_EQ(*ParseDbfNumber("+2"), 2.0);
  EXPECT_DOUBLE_EQ(*ParseDbfNumber("1.2E+3"), 1200.0);
  for (const char* bad : {"", "***", "inf", "nan", "1,5", "--1", "+-1", "0x10"}) {
    EXPECT_FALSE(ParseDbfNumber(bad).has_value()) << bad;
  }
}

TEST(DbfNumber, CurrencyIsExactInTenThousandths) {
  EXPECT_EQ(ParseDbfCurrency("37.95"), 379500);  // 37.95 has no exact binary form
  EXPECT_EQ(ParseDbfCurrency("  0.1"), 1000);
  EXPECT_EQ(ParseDbfCurrency("12"), 120000);
  EXPECT_EQ(ParseDbfCurrency("-1.2345"), -12345);
  EXPECT_EQ(ParseDbfCurrency("0.12344"), 1234);
  EXPECT_EQ(ParseDbfCurrency("0.12345"), 1235);  // half away from zero
  EXPECT_EQ(ParseDbfCurrency("-0.00005"), -1);
  EXPECT_EQ(ParseDbfCurrency("0.99999"), 10000);
  EXPECT_EQ(ParseDbfCurrency("922337203685477.5807"), std::numeric_limits<int64_t>::max());
  EXPECT_FALSE(ParseDbfCurrency("922337203685477.5808").has_value());
  EXPECT_FALSE(ParseDbfCurrency("922337203685477.58075").has_value());
  EXPECT_FALSE(ParseDbfCurrency("1e2").has_value());
  EXPECT_FALSE(ParseDbfCurrency("").has_value());
}

}  // namespace
}  // namespace zuvo
