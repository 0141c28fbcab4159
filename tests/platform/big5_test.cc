#include "platform/big5.h"

#include <gtest/gtest.h>

namespace zuvo::big5 {
namespace {

// 繁體國語: both 繁 (C1 63) and 語 (BB 79) have an ASCII letter as trail byte.
const std::string kTraditional = "\xC1\x63\xC5\xE9\xB0\xEA\xBB\x79";
// 許 (B3 5C) and 功 (A5 5C) have a backslash as trail byte.
const std::string kBackslashTrail = "\xB3\x5C\xA5\x5C";

TEST(Big5Conversion, RoundTripsTextWithAsciiAndBackslashTrailBytes) {
  EXPECT_EQ(ToUtf8(kTraditional), "繁體國語");
  EXPECT_EQ(FromUtf8("繁體國語"), kTraditional);
  EXPECT_EQ(ToUtf8(kBackslashTrail), "許功");
  EXPECT_EQ(FromUtf8("許功"), kBackslashTrail);
  EXPECT_EQ(ToUtf8("abc 123"), "abc 123");
}

TEST(Big5Conversion, UserDefinedCharactersRoundTrip) {
  // The user-defined area (FA40..FEFE, 8E40..A0FE) maps to private-use code points.
  for (std::string bytes :
       {std::string("\xFA\x40"), std::string("\x8E\x40"), std::string("\xFE\xFE")}) {
    std::string utf8 = ToUtf8(bytes);
    EXPECT_EQ(FromUtf8(utf8), bytes);
  }
  EXPECT_EQ(ToUtf8("\xFA\x40"), "\xEE\x80\x80");  // U+E000
}

TEST(Big5Conversion, ReportsUndecodableBytesWithTheirOffset) {
  try {
    ToUtf8("ab\xA4");  // a lead byte at the end
    FAIL() << "a lone lead byte must not convert";
  } catch (const ConversionError& error) {
    EXPECT_EQ(error.offset(), 2u);
  }
  EXPECT_FALSE(TryToUtf8("x\xA4\x20y").has_value());  // a lead byte followed by a blank
  EXPECT_EQ(ToUtf8Escaped("ab\xA4"), "ab\\xA4");
  EXPECT_EQ(ToUtf8Escaped("\xA4\x20" + kTraditional), "\\xA4 繁體國語");
}

TEST(Big5Conversion, RejectsCharactersBig5CannotHold) {
  EXPECT_THROW(FromUtf8("简体"), ConversionError);  // simplified characters
  EXPECT_FALSE(TryFromUtf8("😀").has_value());
  EXPECT_FALSE(TryFromUtf8("\xFF").has_value());  // malformed UTF-8
  EXPECT_EQ(Literal("無名氏"), FromUtf8("無名氏"));
  EXPECT_EQ(&Literal("無名氏"), &Literal("無名氏"));  // converted once
}

TEST(Big5Text, WalksAndCutsWithoutSplittingCharacters) {
  std::string mixed = "A" + kTraditional + "z";
  std::vector<size_t> offsets;
  ForEachChar(mixed, [&](std::string_view ch, size_t offset) {
    offsets.push_back(offset);
    EXPECT_EQ(ch.size(), offset == 0 || offset == 9 ? 1u : 2u);
  });
  EXPECT_EQ(offsets, (std::vector<size_t>{0, 1, 3, 5, 7, 9}));
  EXPECT_EQ(CutBytes(mixed, 4), "A\xC1\x63");  // the third byte would split 體
  EXPECT_EQ(CutBytes(mixed, 5), "A\xC1\x63\xC5\xE9");
  EXPECT_EQ(CutBytes(mixed, 100), mixed);
  EXPECT_EQ(CharLengthAt("\xA4", 0), 1u);  // a lead byte at the end stands alone
}

TEST(Big5Text, TrimsAndChangesOnlySingleByteLetters) {
  EXPECT_EQ(Trim(" \t" + kTraditional + " \r\n"), kTraditional);
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  // The trail bytes 0x63 'c' and 0x79 'y' must survive upper-casing.
  EXPECT_EQ(UpperAscii("ab" + kTraditional + "xy"), "AB" + kTraditional + "XY");
  EXPECT_EQ(LowerAscii("AB\xA4\x41Z"), "ab\xA4\x41z");  // 乙 is A4 41
}

}  // namespace
}  // namespace zuvo::big5
