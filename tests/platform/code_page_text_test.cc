#include "platform/code_page_text.h"

#include <gtest/gtest.h>

#include "platform/big5.h"
#include "platform/error.h"

namespace zuvo {
namespace {

TEST(CodePageDecoder, DecodesTheCodePagesTablesDeclare) {
  EXPECT_EQ(CodePageDecoder(936).ToUtf8Escaped("\xBC\xF2\xCC\xE5\xB9\xFA\xD3\xEF"), "简体国语");
  EXPECT_EQ(CodePageDecoder(65001).ToUtf8Escaped("\xE8\x87\xBA\xE4\xB8\xAD\xE5\xB8\x82"), "臺中市");
  EXPECT_EQ(CodePageDecoder(1250).ToUtf8Escaped("Hn\xECvo\x9Aick\xFD h\xE1j"), "Hněvošický háj");
  EXPECT_EQ(CodePageDecoder(850).ToUtf8Escaped("\x82t\x82"), "été");
  EXPECT_EQ(CodePageDecoder(866).ToUtf8Escaped("\x8C\xA8\xE0"), "Мир");
  // Big5 reads as big5.h reads it, user-defined characters and escapes alike.
  const std::string big5 = "\xC1\x63\xC5\xE9 \xA4";
  EXPECT_EQ(CodePageDecoder(950).ToUtf8Escaped(big5), big5::ToUtf8Escaped(big5));
}

TEST(CodePageDecoder, BytesThatDoNotDecodeAreShownNotDropped) {
  EXPECT_EQ(CodePageDecoder(65001).ToUtf8Escaped("a\xC0x\xE8\x87"), "a\\xC0x\\xE8\\x87");
  EXPECT_EQ(CodePageDecoder(936).ToUtf8Escaped("ok\x81 x\xB9"), "ok\\x81 x\\xB9");
}

TEST(CodePageDecoder, OnlyCodePagesThatKeepAsciiAreOffered) {
  EXPECT_TRUE(CanDecodeCodePage(950));
  EXPECT_TRUE(CanDecodeCodePage(28592));
  EXPECT_FALSE(CanDecodeCodePage(1200));  // UTF-16
  EXPECT_FALSE(CanDecodeCodePage(0));
  try {
    CodePageDecoder decoder(37);
    FAIL() << "EBCDIC must be refused";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "this program cannot decode code page 37");
  }
}

}  // namespace
}  // namespace zuvo
