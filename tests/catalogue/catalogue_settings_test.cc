#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "catalogue/catalogue_settings.h"
#include "platform/big5.h"
#include "platform/embedded_resources.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

using big5::FromUtf8;
using ::testing::HasSubstr;

// A delivered settings file as the program folder holds it (Big5, CR LF).
std::string DeliveredBig5(std::string_view name) {
  for (const EmbeddedResource& resource : EmbeddedResources()) {
    if (resource.name != name) continue;
    std::string text;
    for (char c : FromUtf8(resource.bytes))
      text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return text;
  }
  ADD_FAILURE() << name << " is not delivered";
  return "";
}

TEST(RateTableTest, ReadsTheDeliveredTemplate) {
  testing::TempDir folder;
  testing::WriteFileBytes(folder / "CORVIX.INI", DeliveredBig5("CORVIX.INI"));
  RateTable rates = RateTable::Read(folder / "CORVIX.INI");
  struct Case {
    const char* code;
    int rate;
  } cases[] = {{"QD", 1000},  {"bid", 2000},  {"TID", 3000},    {"qid", 4000}, {"HS", 1000},
               {"Q4H", 6000}, {"q6h", 4000},  {"Q8H", 3000},    {"QOD", 500},  {"QW", 143},
               {"PRN", 1000}, {"STAT", 1000}, {"ASORDER", 1000}};
  for (const Case& c : cases) EXPECT_EQ(rates.Find(c.code), c.rate) << c.code;
  EXPECT_EQ(rates.Find("Q2H"), std::nullopt);
}

TEST(RateTableTest, FirstKeyWinsAndBadValuesStop) {
  testing::TempDir folder;
  testing::WriteFileBytes(folder / "a.ini", "[MXuseMethod]\r\nTID=3000\r\ntid=9\r\nQ3H= 8000 \r\n");
  RateTable rates = RateTable::Read(folder / "a.ini");
  EXPECT_EQ(rates.size(), 2u);
  EXPECT_EQ(rates.Find("TID"), 3000);
  EXPECT_EQ(rates.Find("q3h"), 8000);

  testing::WriteFileBytes(folder / "b.ini", "[MXuseMethod]\r\nQD=1000\r\nBID=2000x\r\n");
  EXPECT_THAT([&] { RateTable::Read(folder / "b.ini"); },
              ::testing::ThrowsMessage<Error>(
                  HasSubstr("b.ini: [MXuseMethod] BID=2000x is not a valid integer value")));
}

TEST(CodeSetTest, ReadsTheDeliveredPackageSettings) {
  testing::TempDir folder;
  testing::WriteFileBytes(folder / "MXsetup.ini", DeliveredBig5("MXsetup.ini"));
  CodeSet no_points = CodeSet::ReadSectionKeys(folder / "MXsetup.ini", kNoPointsSection);
  EXPECT_TRUE(no_points.Contains("96000c"));
  EXPECT_FALSE(no_points.Contains("96001C"));
  CodeSet routes = CodeSet::ReadSectionKeys(folder / "MXsetup.ini", kRouteSection);
  for (const char* route : {"PO", "im", "IV", "SC", "OU", "Skin", "VAG", "RECT"}) {
    EXPECT_TRUE(routes.Contains(route)) << route;
  }
  EXPECT_FALSE(routes.Contains("XX"));
}

TEST(ClinicSettingsTest, WritesTheClinicKeys) {
  testing::TempDir folder;
  testing::WriteFileBytes(folder / "CORVIX.INI", DeliveredBig5("CORVIX.INI"));
  WriteClinicKeys(folder / "CORVIX.INI",
                  {FromUtf8("大安診所"), "3501234567", "02-27001234", FromUtf8("台北市大安區"),
                   FromUtf8("小兒科"), "CLINIC-PC"});
  std::string text = testing::ReadFileBytes(folder / "CORVIX.INI");
  EXPECT_THAT(text, HasSubstr(FromUtf8("診所名稱=大安診所\r\n")));
  EXPECT_THAT(text, HasSubstr(FromUtf8("診所健保代碼=3501234567\r\n")));
  EXPECT_THAT(text, HasSubstr(FromUtf8("診所電話=02-27001234\r\n")));
  EXPECT_THAT(text, HasSubstr(FromUtf8("診所地址=台北市大安區\r\n")));
  EXPECT_THAT(text, HasSubstr(FromUtf8("就醫科別=小兒科\r\n")));
  EXPECT_THAT(text, HasSubstr("[Corvix]\r\nHostName=CLINIC-PC\r\n"));
  // The rate table is still there.
  EXPECT_EQ(RateTable::Read(folder / "CORVIX.INI").Find("TID"), 3000);
}

}  // namespace
}  // namespace zuvo
