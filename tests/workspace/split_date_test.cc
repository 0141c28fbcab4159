#include "workspace/split_date.h"

#include <gtest/gtest.h>

#include "support/recording_step_context.h"

namespace zuvo {
namespace {

// 26 March 2018, 15:40.
DateTime Today() { return *EncodeDateTime({2018, 3, 26, 15, 40, 0, 0}); }

struct SplitDateCheckTest : ::testing::Test {
  RunFlags flags;
  RecordingStepContext context{flags};
};

TEST_F(SplitDateCheckTest, BlankFieldMeansTomorrowAndNeedsModeBefore) {
  std::string field = "   ";
  EXPECT_FALSE(CheckSplitDate(field, MakeDateMode::kOnAndAfter, Today(), context));
  EXPECT_EQ(field, "1070327") << "tomorrow is written back even when the step stops";
  EXPECT_EQ(context.MessageTexts(),
            (std::vector<std::string>{"沒有填寫切割日期,製作方式必須設為之前"}));

  field.clear();
  std::optional<DateTime> split = CheckSplitDate(field, MakeDateMode::kBefore, Today(), context);
  ASSERT_TRUE(split);
  EXPECT_EQ(*split, *EncodeDate(2018, 3, 27)) << "the time of day is dropped";
  EXPECT_EQ(field, "1070327");
  EXPECT_EQ(context.messages().size(), 1u);
}

TEST_F(SplitDateCheckTest, AValidDateIsTakenInEitherMode) {
  for (MakeDateMode mode : {MakeDateMode::kOnAndAfter, MakeDateMode::kBefore}) {
    std::string field = "1070101";
    EXPECT_EQ(CheckSplitDate(field, mode, Today(), context), *EncodeDate(2018, 1, 1));
    EXPECT_EQ(field, "1070101");
  }
  EXPECT_TRUE(context.messages().empty());
}

TEST_F(SplitDateCheckTest, RefusesBlanksAroundTheDateLettersAndImpossibleDates) {
  // "garbage" and "107ab01" read by RocDateToDate's rules would be dates (1911-01-01 and
  // 2018-01-01): a split date must be typed in digits.
  for (std::string text :
       {" 1070101", "1070101 ", "1070230", "107011", "10701011", "garbage", "107ab01"}) {
    std::string field = text;
    EXPECT_FALSE(CheckSplitDate(field, MakeDateMode::kBefore, Today(), context)) << text;
    EXPECT_EQ(field, text) << "a wrong date stays as the operator typed it";
  }
  EXPECT_EQ(context.MessageTexts(), std::vector<std::string>(7, "切割日期格式錯誤yyymmdd"));
}

TEST_F(SplitDateCheckTest, TomorrowCrossesTheYearEnd) {
  std::string field;
  DateTime new_years_eve = *EncodeDateTime({2018, 12, 31, 23, 59, 0, 0});
  EXPECT_EQ(CheckSplitDate(field, MakeDateMode::kBefore, new_years_eve, context),
            *EncodeDate(2019, 1, 1));
  EXPECT_EQ(field, "1080101");
}

}  // namespace
}  // namespace zuvo
