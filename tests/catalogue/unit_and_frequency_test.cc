#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/dose_unit.h"
#include "catalogue/dosing_frequency.h"
#include "catalogue/package_unit.h"
#include "platform/big5.h"

namespace zuvo {
namespace {

using big5::FromUtf8;
using big5::ToUtf8;

struct UnitCase {
  const char* text_utf8;
  int code;
  const char* unrecognised_utf8;
};

TEST(UnitCodeTest, ReadsUnitWords) {
  const UnitCase cases[] = {
      {"Tab.", 1, ""},   {" tab ", 1, ""},     {"錠", 1, ""},         {"顆", 1, ""},
      {"BOT", 2, ""},    {"瓶", 2, ""},        {"spra", 2, ""},       {"點眼", 2, ""},
      {"Tube", 3, ""},   {"gm", 3, ""},        {"MG", 3, ""},         {"條", 3, ""},
      {"box", 4, ""},    {"包", 4, ""},        {"罐", 4, ""},         {"AMP", 5, ""},
      {"vial", 6, ""},   {"dose", 6, ""},      {"針", 6, ""},         {"cc", 7, ""},
      {"ml.", 7, ""},    {"次(個)", 8, ""},    {"支", 8, ""},         {"片", 8, ""},
      {"份", 8, ""},     {"stat", 8, ""},      {"", 8, "空白"},       {"  .", 8, "空白"},
      {"1包", 8, "1包"}, {"Tab..", 8, "Tab."}, {" 盒裝 ", 8, "盒裝"}, {"AMP1", 8, "AMP1"},
  };
  for (const UnitCase& c : cases) {
    SCOPED_TRACE(c.text_utf8);
    UnitReading reading = UnitCode(FromUtf8(c.text_utf8));
    EXPECT_EQ(reading.code, c.code);
    EXPECT_EQ(ToUtf8(reading.unrecognised), c.unrecognised_utf8);
  }
}

TEST(UnitCodeTest, DoseUnitWordsDifferFromPackageUnitWords) {
  const UnitCase cases[] = {
      {"tab", 2, ""},  {"CAP", 2, ""},  {"box", 2, ""},  {"糖衣", 2, ""},       {"bot", 1, ""},
      {"gtt", 1, ""},  {"條", 1, ""},   {"Tube", 1, ""}, {"amp", 4, ""},        {"ML", 4, ""},
      {"cc.", 4, ""},  {"vial", 8, ""}, {"GM", 8, ""},   {"mg", 8, ""},         {"DOSE", 0, ""},
      {"支", 0, ""},   {"次", 0, ""},   {"顆", 0, "顆"}, {"錠", 0, "錠"},       {"瓶", 0, "瓶"},
      {"份", 0, "份"}, {"片", 0, "片"}, {"", 0, "空白"}, {"2 tab", 0, "2 tab"},
  };
  for (const UnitCase& c : cases) {
    SCOPED_TRACE(c.text_utf8);
    UnitReading reading = PerUnitCode(FromUtf8(c.text_utf8));
    EXPECT_EQ(reading.code, c.code);
    EXPECT_EQ(ToUtf8(reading.unrecognised), c.unrecognised_utf8);
  }
}

TEST(UnitCodeTest, LoggedVariantsReportOnlyUnrecognisedText) {
  std::vector<std::string> lines;
  MessageSink report = [&](const std::string& line) { lines.push_back(line); };
  EXPECT_EQ(UnitCodeLogged(FromUtf8("1包"), report), 8);
  EXPECT_EQ(UnitCodeLogged(FromUtf8("瓶"), report), 2);
  EXPECT_EQ(PerUnitCodeLogged(FromUtf8("瓶"), report), 0);
  EXPECT_EQ(PerUnitCodeLogged(FromUtf8("ml"), report), 4);
  EXPECT_EQ(UnitCodeLogged("", report), 8);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"不明Unit:  1包", "不明perUnit:  瓶", "不明Unit:  空白"}));
}

TEST(UnitCodeTest, NamesOfCodes) {
  const char* package_names[] = {"",    "tab",  "bot", "tube",   "box",
                                 "amp", "vial", "ml",  "次(個)", ""};
  for (int code = 0; code <= 9; ++code) {
    EXPECT_EQ(ToUtf8(UnitName(code)), package_names[code]) << code;
  }
  EXPECT_EQ(UnitName(-1), "");
  const char* dose_names[] = {"", "gtt", "tab", "", "ml", "", "", "", "mg", ""};
  for (int code = 0; code <= 9; ++code) EXPECT_EQ(PerUnitName(code), dose_names[code]) << code;
  // Every package unit name reads back as its own code.
  for (int code = 1; code <= 8; ++code) EXPECT_EQ(UnitCode(UnitName(code)).code, code);
}

TEST(UnitCodeTest, DoseUnitImpliedByPackageUnit) {
  struct Case {
    int unit;
    const char* order_class;
    int perunit;
  } cases[] = {{1, "oral", 2}, {4, "topical", 2}, {2, "oral", 4}, {2, "ORAL", 4}, {2, "drop", 1},
               {2, "inj", 1},  {3, "topical", 1}, {5, "inj", 8},  {6, "inj", 8},  {7, "oral", 4},
               {8, "OPD", 0},  {0, "oral", 0},    {9, "oral", 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(PerUnitFromUnit(c.unit, c.order_class), c.perunit) << c.unit << " " << c.order_class;
  }
}

struct FrequencyCase {
  const char* text_utf8;
  const char* code;
  int rate_index;
  const char* unrecognised_utf8;
};

TEST(FrequencyInterpretTest, ReadsFrequencies) {
  const FrequencyCase cases[] = {
      {"", "ASORDER", 1000, ""},
      {"   ", "ASORDER", 1000, ""},
      {"hs", "QDHS", 1000, ""},
      {"HSQ", "QDHS", 1000, ""},
      {"stat", "STATE", 1000, ""},
      {"IM", "STATE", 1000, ""},
      {"sc st", "STATE", 1000, ""},
      {"s", "STATE", 1000, ""},
      {"prn", "PRN", 1000, ""},
      {"qd", "QD", 1000, ""},
      {"PRNQ4H", "PRN", 1000, ""},
      {"x", "PRN", 1000, ""},
      {"1", "PRN", 1000, ""},
      {"2", "PRN", 1000, ""},
      {"1#TID", "PRN", 1000, ""},
      {"qdac", "QD", 1000, ""},
      {"bid", "BID", 2000, ""},
      {"BIDPC", "BID", 2000, ""},
      {" tid ", "TID", 3000, ""},
      {"TID1", "TID", 3000, ""},
      {"3", "3", 3000, ""},
      {"q8h", "Q8H", 3000, ""},
      {"Q8HPRN", "Q8H", 3000, ""},
      {"q6h", "Q6H", 4000, ""},
      {"qid", "QID", 4000, ""},
      {"QIDPC", "QID", 4000, ""},
      {"4", "QID", 4000, ""},
      {"Q6HPRN", "Q6H", 4000, ""},
      {"q4h", "ASORDER", 1000, "Q4H"},
      {"qod", "ASORDER", 1000, "QOD"},
      {"5", "ASORDER", 1000, "5"},
      {"每日三次", "ASORDER", 1000, "每日三次"},
      {"檢查", "ASORDER", 1000, ""},
      {"手術", "ASORDER", 1000, ""},
      {"換藥處置", "ASORDER", 1000, ""},
      {"S1", "ASORDER", 1000, "S1"},
  };
  for (const FrequencyCase& c : cases) {
    SCOPED_TRACE(c.text_utf8);
    FrequencyReading reading = FrequencyInterpret(FromUtf8(c.text_utf8));
    EXPECT_EQ(reading.code, c.code);
    EXPECT_EQ(reading.rate_index, c.rate_index);
    EXPECT_EQ(ToUtf8(reading.unrecognised), c.unrecognised_utf8);
  }
}

TEST(FrequencyInterpretTest, MatchesWholeCharactersOnly) {
  // 處 is B3 42; 仇 (A4 B3) followed by "B" (42) holds those bytes across a character boundary.
  const std::string text = FromUtf8("仇") + "B";
  ASSERT_NE(text.find(FromUtf8("處")), std::string::npos);
  FrequencyReading reading = FrequencyInterpret(text);
  EXPECT_EQ(reading.code, "ASORDER");
  EXPECT_EQ(reading.unrecognised, text);
}

}  // namespace
}  // namespace zuvo
