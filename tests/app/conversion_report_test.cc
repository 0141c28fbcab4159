#include "app/conversion_report.h"

#include <gtest/gtest.h>

namespace zuvo {
namespace {

TEST(ConversionReportTest, MessageKindsAreTheReasonsBeforeTheColon) {
  EXPECT_EQ(MessageKindOf("病歷號為0錯誤:123"), "病歷號為0錯誤");
  EXPECT_EQ(MessageKindOf("begin time10:20:30"), "begin time");
  EXPECT_EQ(MessageKindOf("身分證號錯誤：A1"), "身分證號錯誤");
  EXPECT_EQ(MessageKindOf("篩選常用診斷及醫令完成"), "篩選常用診斷及醫令完成");
  auto counts = CountMessageKinds({"b:1", "a:2", "b:3"});
  EXPECT_EQ(counts, (std::vector<std::pair<std::string, long>>{{"b", 2}, {"a", 1}}));
}

}  // namespace
}  // namespace zuvo
