#include "platform/base64.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace zuvo {
namespace {

TEST(Base64, Rfc4648TestVectors) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [bytes, text] : vectors) {
    EXPECT_EQ(EncodeBase64(bytes), text);
    EXPECT_EQ(DecodeBase64(text), bytes);
  }
  // The last two letters of the alphabet.
  EXPECT_EQ(EncodeBase64("\xFB\xFF"), "+/8=");
  EXPECT_EQ(DecodeBase64("+/8="), "\xFB\xFF");
}

TEST(Base64, BinaryBytesRoundTripWithoutLineBreaks) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  // Several whole staff records of 187 bytes: long enough for an encoder that breaks lines.
  std::string records;
  while (records.size() < 187 * 5) records += all;
  for (size_t length : {size_t{1}, size_t{2}, size_t{3}, size_t{255}, size_t{256}, size_t{935}}) {
    const std::string bytes = records.substr(0, length);
    const std::string text = EncodeBase64(bytes);
    EXPECT_EQ(text.size(), (length + 2) / 3 * 4);
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(DecodeBase64(text), bytes);
  }
}

std::string DecodeError(std::string_view text) {
  try {
    DecodeBase64(text);
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

TEST(Base64, RejectsMalformedText) {
  EXPECT_EQ(DecodeError("Zm9"), "Base64 text of 3 characters is not made of whole groups of four");
  EXPECT_EQ(DecodeError("Zm9vYg==\r\n"),
            "Base64 text of 10 characters is not made of whole groups of four");
  EXPECT_EQ(DecodeError("Zm9-"), "Base64 text has '-' at offset 3");
  EXPECT_EQ(DecodeError("Zm\n9"), "Base64 text has byte 0x0A at offset 2");
  EXPECT_EQ(DecodeError("Zg==Zm9v"), "Base64 text has padding at offset 2");
  EXPECT_EQ(DecodeError("Z==="), "Base64 text has padding at offset 1");
  EXPECT_EQ(DecodeError("Zm=v"), "Base64 text has padding at offset 2");
  EXPECT_EQ(DecodeError("===="), "Base64 text has padding at offset 0");
}

}  // namespace
}  // namespace zuvo
