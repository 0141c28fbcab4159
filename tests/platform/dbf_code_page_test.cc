#include "platform/dbf_code_page.h"

#include <gtest/gtest.h>

namespace zuvo {
namespace {

TEST(DbfCodePage, CpgTextNamesOrNumbersACodePage) {
  EXPECT_EQ(CodePageFromCpgText("Big-5"), 950);
  EXPECT_EQ(CodePageFromCpgText("big5\r\n"), 950);
  EXPECT_EQ(CodePageFromCpgText("950"), 950);
  EXPECT_EQ(CodePageFromCpgText("CP950"), 950);
  EXPECT_EQ(CodePageFromCpgText("GBK"), 936);
  EXPECT_EQ(CodePageFromCpgText("936"), 936);
  EXPECT_EQ(CodePageFromCpgText("UTF-8"), 65001);
  EXPECT_EQ(CodePageFromCpgText("ANSI 1252"), 1252);
  EXPECT_EQ(CodePageFromCpgText("windows-1252"), 1252);
  EXPECT_EQ(CodePageFromCpgText("OEM 437"), 437);
  EXPECT_EQ(CodePageFromCpgText("ISO-8859-1"), 28591);
  EXPECT_EQ(CodePageFromCpgText("iso8859_2"), 28592);
  EXPECT_EQ(CodePageFromCpgText("ISO-8859-16"), 0);
  EXPECT_EQ(CodePageFromCpgText("utf-8"), 65001);
  EXPECT_EQ(CodePageFromCpgText("\xEF\xBB\xBFUTF-8\n"), 65001);  // after a byte-order mark
  EXPECT_EQ(CodePageFromCpgText("gbk"), 936);
  EXPECT_EQ(CodePageFromCpgText(""), 0);
  EXPECT_EQ(CodePageFromCpgText("klingon"), 0);
  EXPECT_EQ(CodePageFromCpgText("CP"), 0);
}

TEST(DbfCodePage, LanguageDriverIds) {
  EXPECT_EQ(CodePageFromLanguageDriver(0x00), 0);
  EXPECT_EQ(CodePageFromLanguageDriver(0x78), 950);
  EXPECT_EQ(CodePageFromLanguageDriver(0x4F), 950);
  EXPECT_EQ(CodePageFromLanguageDriver(0x7A), 936);
  EXPECT_EQ(CodePageFromLanguageDriver(0x4D), 936);
  EXPECT_EQ(CodePageFromLanguageDriver(0x7B), 932);
  EXPECT_EQ(CodePageFromLanguageDriver(0x03), 1252);
  EXPECT_EQ(CodePageFromLanguageDriver(0x57), 1252);
  EXPECT_EQ(CodePageFromLanguageDriver(0xC8), 1250);
  EXPECT_EQ(CodePageFromLanguageDriver(0xCC), 1257);
  EXPECT_EQ(CodePageFromLanguageDriver(0xFF), 0);
}

TEST(DbfCodePage, Dbase7LanguageDriverNames) {
  EXPECT_EQ(CodePageFromLanguageDriverName("DB866RU0"), 866);
  EXPECT_EQ(CodePageFromLanguageDriverName("db437us0"), 437);
  EXPECT_EQ(CodePageFromLanguageDriverName("DBWINUS0"), 1252);
  EXPECT_EQ(CodePageFromLanguageDriverName("DB85"), 0);
  EXPECT_EQ(CodePageFromLanguageDriverName("ANSI"), 0);
  EXPECT_EQ(CodePageFromLanguageDriverName(""), 0);
}

}  // namespace
}  // namespace zuvo
