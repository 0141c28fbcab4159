// The RealSun conversion's small rules, each against values worked out by hand.

#include <gtest/gtest.h>

#include "charts/realsun_chart_text.h"
#include "charts/realsun_dates.h"
#include "charts/realsun_newborn.h"
#include "charts/realsun_order_line.h"
#include "charts/realsun_payment_percentage.h"
#include "charts/realsun_visit_record.h"
#include "charts/referral_remarks.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

TEST(RealSunRules, DatesAndMonthlyFiles) {
  EXPECT_EQ(RealSunDateText("A70326"), "1070326");
  EXPECT_EQ(RealSunDateText("B00105"), "1100105");
  EXPECT_EQ(RealSunDateText("990315"), "0990315");
  EXPECT_EQ(RealSunDateText("x"), "0x");
  EXPECT_EQ(ClaimTableName(*MonthOfRocDate("1070326")), "S/xp10703.DBF");
  EXPECT_EQ(ClaimTableName(*MonthOfRocDate("0990315")), "S/xp9903.DBF");
  EXPECT_EQ(UploadTableName(*MonthOfRocDate("0991231")), "IC/ic9912.dbf");
  EXPECT_FALSE(MonthOfRocDate("0991315"));
  EXPECT_FALSE(MonthOfRocDate("09A0315"));
  EXPECT_EQ(MonthOfUploadTable("IC10703.DBF"), (RocMonth{107, 3}));
  EXPECT_EQ(MonthOfUploadTable("ic9912.dbf"), (RocMonth{99, 12}));
  EXPECT_FALSE(MonthOfUploadTable("ic10713.dbf"));
  EXPECT_FALSE(MonthOfUploadTable("icx0703.dbf"));
  EXPECT_FALSE(MonthOfUploadTable("ic10703.dbt"));
  EXPECT_EQ((RocMonth{99, 12}.Next()), (RocMonth{100, 1}));
}

TEST(RealSunRules, ComplaintMarks) {
  EXPECT_EQ(WithoutFeeMarks("runny nose 100"), "runny nose");
  EXPECT_EQ(WithoutFeeMarks("runny nose 150 Y"), "runny nose");
  EXPECT_EQ(WithoutFeeMarks("runny nose Y"), "runny nose");
  EXPECT_EQ(WithoutFeeMarks("200"), "");
  EXPECT_EQ(WithoutFeeMarks("fever 1000"), "fever 1000");
  EXPECT_EQ(WithoutFeeMarks("fever Y2"), "fever Y2");
  EXPECT_EQ(WithoutCardOrderCode("fever,004IC"), "fever");
  EXPECT_EQ(WithoutCardOrderCode("fever 009ic"), "fever");
  EXPECT_EQ(WithoutCardOrderCode("fever,XX"), "fever,XX");
  EXPECT_EQ(WithoutCardOrderCode("00100"), "");
}

TEST(RealSunRules, UsageMarks) {
  UsageMarks free = ReadUsageMarks(" tidx ");
  EXPECT_EQ(free.usage, "tid");
  EXPECT_TRUE(free.free);
  EXPECT_FALSE(free.ground);
  UsageMarks ground = ReadUsageMarks("BIDSX");
  EXPECT_EQ(ground.usage, "BID");
  EXPECT_TRUE(ground.free && ground.ground);
  EXPECT_FALSE(ReadUsageMarks("QDHS").ground);
  EXPECT_FALSE(ReadUsageMarks("qdhs").ground);
  // "出" is 0xA5 0x58: its second byte is an "X" that marks nothing.
  const std::string big5_text = big5::FromUtf8("出");
  ASSERT_EQ(big5_text.back(), 'X');
  UsageMarks chinese = ReadUsageMarks(big5_text);
  EXPECT_EQ(chinese.usage, big5_text);
  EXPECT_FALSE(chinese.free);
}

TEST(RealSunRules, CardsReferralsAndBirthOrder) {
  EXPECT_EQ(RealSunCardOf("X1"), "C001");
  EXPECT_EQ(RealSunCardOf("x9"), "C001");
  EXPECT_EQ(RealSunCardOf("XA01"), "XA01");
  EXPECT_EQ(RealSunCardOf("IC25"), "IC23");
  EXPECT_EQ(RealSunCardOf("IC27"), "IC24");
  EXPECT_EQ(RealSunCardOf("IC21"), "IC21");
  const std::string hospital = big5::FromUtf8("示範醫院");
  EXPECT_EQ(big5::ToUtf8(RealSunReferralRemark(ReferralKind::kForm, hospital)),
            "<醫院><示範醫院><科別><醫師>< >< >< >< >");
  EXPECT_EQ(big5::ToUtf8(RealSunReferralRemark(ReferralKind::kReply, hospital)),
            "<1234567890123456><示範醫院>< >< >< >< >< >");
  EXPECT_EQ(BirthOrderLetter(1, true), 'A');
  EXPECT_EQ(BirthOrderLetter(3, false), 'c');
  EXPECT_EQ(BirthOrderLetter(0, true), 'A');
  EXPECT_EQ(BirthOrderLetter(27, false), 'a');
}

TEST(RealSunRules, PaymentPercentages) {
  const DateTime visit = *EncodeDate(2020, 3, 5);
  const DateTime december = *EncodeDate(2019, 12, 1);  // 202003 - 201912 = 91: no infant
  const DateTime newborn = *EncodeDate(2020, 1, 1);    // 2
  const DateTime two = *EncodeDate(2018, 6, 1);
  const DateTime six = *EncodeDate(2014, 6, 1);
  const DateTime adult = *EncodeDate(1980, 6, 1);
  // Drugs are 100 %, whatever the age.
  EXPECT_EQ(PaymentPercentage(2, "A0001", "F", true, newborn, visit), 10000);
  // Fee marks by age: infant, up to 2, up to 6, older; "(U" adds its units.
  EXPECT_EQ(PaymentPercentage(16, "00109C", "F", false, newborn, visit), 20000);
  EXPECT_EQ(PaymentPercentage(16, "00109C", "F", false, december, visit), 18000);
  EXPECT_EQ(PaymentPercentage(32, "00109C", "F", false, six, visit), 16000);
  EXPECT_EQ(PaymentPercentage(16, "00109C", "F", false, adult, visit), 10000);
  EXPECT_EQ(PaymentPercentage(16, "00109C", "E", false, newborn, visit), 16000);
  EXPECT_EQ(PaymentPercentage(16, "00109C", "E", false, two, visit), 13000);
  EXPECT_EQ(PaymentPercentage(16, "00109C", "E", false, six, visit), 12000);
  EXPECT_EQ(PaymentPercentage(16, "00109C", "E(U12)", false, adult, visit), 11200);
  EXPECT_EQ(PaymentPercentage(16, "00109C", "", false, newborn, visit), 10000);
  EXPECT_EQ(PaymentPercentage(16, "00109C", "(U5)", false, adult, visit), 10500);
  // A Big5 character whose second byte is "F" is no fee mark ("乏" is 0xA5 0x46).
  EXPECT_EQ(PaymentPercentage(16, "00109C", big5::FromUtf8("乏"), false, newborn, visit), 10000);
  // Surgery, and pathology (960...), with emergency surcharges.
  EXPECT_EQ(PaymentPercentage(64, "48001C", "", false, newborn, visit), 25300);
  EXPECT_EQ(PaymentPercentage(64, "48001C", "", true, two, visit), 26300);
  EXPECT_EQ(PaymentPercentage(64, "48001C", "", false, six, visit), 21300);
  EXPECT_EQ(PaymentPercentage(64, "48001C", "", false, adult, visit), 15300);
  EXPECT_EQ(PaymentPercentage(64, "96001C", "", false, adult, visit), 15000);
  EXPECT_EQ(PaymentPercentage(64, "96001C", "", true, newborn, visit), 23000);
  EXPECT_EQ(PaymentPercentage(64, "96002C", "", false, two, visit), 13000);
  EXPECT_EQ(PaymentPercentage(64, "96026B", "", true, six, visit), 14000);
  // Materials; lines of no kind by their remark flag; an unknown birth is an adult's.
  EXPECT_EQ(PaymentPercentage(128, "M1", "", false, newborn, visit), 10500);
  EXPECT_EQ(PaymentPercentage(0, "X", "", false, newborn, visit, 0x0200), 10000);
  EXPECT_EQ(PaymentPercentage(0, "X", "", false, newborn, visit), 0);
  EXPECT_EQ(PaymentPercentage(64, "48001C", "", false, 0, visit), 15300);
}

}  // namespace
}  // namespace zuvo
