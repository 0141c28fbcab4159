#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "catalogue/realsun_fixed_drug.h"
#include "catalogue/western_date.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

TEST(ParseWesternDateTest, ReadsEightCharacterDates) {
  std::vector<std::string> shown;
  MessageSink show = [&](const std::string& text) { shown.push_back(text); };
  EXPECT_EQ(ParseWesternDate("20180101", show), *EncodeDate(2018, 1, 1));
  EXPECT_EQ(ParseWesternDate("29101231", show), *EncodeDate(2910, 12, 31));
  // A month or day that is not a number reads as 1.
  EXPECT_EQ(ParseWesternDate("2018xx15", show), *EncodeDate(2018, 1, 15));
  EXPECT_EQ(ParseWesternDate("201803  ", show), *EncodeDate(2018, 3, 1));
  EXPECT_TRUE(shown.empty());
  // Other lengths give the null date without a message.
  EXPECT_EQ(ParseWesternDate("1070101", show), 0);
  EXPECT_EQ(ParseWesternDate("", show), 0);
  EXPECT_EQ(ParseWesternDate("2018-01-01", show), 0);
  EXPECT_TRUE(shown.empty());
  // Parts that form no date.
  EXPECT_EQ(ParseWesternDate("20180230", show), 0);
  EXPECT_EQ(ParseWesternDate("abcd0101", show), 0);  // year 0
  EXPECT_EQ(ParseWesternDate("20181301", show), 0);
  EXPECT_EQ(shown,
            (std::vector<std::string>{"20180230 不能轉換成日期單位", "abcd0101 不能轉換成日期單位",
                                      "20181301 不能轉換成日期單位"}));
}

TEST(FixedDrugTest, KnowsTheTenCodesExactly) {
  auto piroxicam = FixedDrug("PIR");
  ASSERT_TRUE(piroxicam.has_value());
  EXPECT_EQ(piroxicam->name, "Piroxicam GEL 10MG/G");
  EXPECT_EQ(piroxicam->insu_code, "A043214345");
  EXPECT_EQ(piroxicam->dose_unit, "gtt");
  EXPECT_EQ(piroxicam->package_unit, "tube");
  EXPECT_EQ(piroxicam->order_class, "topical");
  EXPECT_EQ(piroxicam->cost, 45.6f);
  EXPECT_EQ(piroxicam->price, 45.6f);

  auto vaccine = FixedDrug("VA3");
  ASSERT_TRUE(vaccine.has_value());
  EXPECT_EQ(big5::ToUtf8(vaccine->name), "三合一(新)+polio");
  EXPECT_EQ(vaccine->dose_unit, "");
  EXPECT_EQ(vaccine->package_unit, "vial");
  EXPECT_EQ(vaccine->order_class, "inj");

  struct Expected {
    const char* code;
    const char* insu_code;
    float price;
  } all[] = {{"HSO", "NOUSE00001", 0},    {"A303", "NOUSE00002", 1.53f},
             {"BES", "NOUSE00003", 15},   {"CBS", "NOUSE00004", 1.4f},
             {"COS", "NOUSE00005", 0},    {"PIR", "A043214345", 45.6f},
             {"VA3", "NOUSE00006", 0},    {"VA4", "NOUSE00007", 0},
             {"MEL", "A041913100", 6.1f}, {"POLY", "NOUSE00008", 0}};
  for (const Expected& e : all) {
    auto drug = FixedDrug(e.code);
    ASSERT_TRUE(drug.has_value()) << e.code;
    EXPECT_EQ(drug->insu_code, e.insu_code);
    EXPECT_EQ(drug->price, e.price);
    EXPECT_EQ(drug->cost, e.price);
  }
  EXPECT_FALSE(FixedDrug("pir").has_value());
  EXPECT_FALSE(FixedDrug("PIR ").has_value());
  EXPECT_FALSE(FixedDrug("").has_value());
}

}  // namespace
}  // namespace zuvo
