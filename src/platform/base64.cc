#include "platform/base64.h"

#include <array>
#include <cstdint>

#include "platform/error.h"

namespace zuvo {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPad = '=';
constexpr int8_t kNotInAlphabet = -1;

constexpr std::array<int8_t, 256> MakeDecodeTable() {
  std::array<int8_t, 256> table{};
  table.fill(kNotInAlphabet);
  for (size_t i = 0; i < kAlphabet.size(); ++i) {
    table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
  }
  return table;
}
constexpr std::array<int8_t, 256> kDecodeTable = MakeDecodeTable();

std::string Describe(char character) {
  const auto byte = static_cast<unsigned char>(character);
  if (byte >= 0x21 && byte < 0x7F) return std::string("'") + character + "'";
  static constexpr char kHex[] = "0123456789ABCDEF";
  return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF];
}

}  // namespace

std::string EncodeBase64(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                           static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
    text += kAlphabet[group >> 18 & 0x3F];
    text += kAlphabet[group >> 12 & 0x3F];
    text += kAlphabet[group >> 6 & 0x3F];
    text += kAlphabet[group & 0x3F];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (rest == 2) group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    text += kAlphabet[group >> 18 & 0x3F];
    text += kAlphabet[group >> 12 & 0x3F];
    text += rest == 2 ? kAlphabet[group >> 6 & 0x3F] : kPad;
    text += kPad;
  }
  return text;
}

std::string DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) {
    throw Error("Base64 text of " + std::to_string(text.size()) +
                " characters is not made of whole groups of four");
  }
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t start = 0; start < text.size(); start += 4) {
    const bool last_group = start + 4 == text.size();
    size_t padding = 0;
    if (last_group) {
      padding = text[start + 3] == kPad ? (text[start + 2] == kPad ? 2 : 1) : 0;
    }
    uint32_t group = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char character = text[start + k];
      const int8_t value = kDecodeTable[static_cast<unsigned char>(character)];
      if (k >= 4 - padding) continue;  // the padding itself
      if (value == kNotInAlphabet) {
        throw Error("Base64 text has " +
                    std::string(character == kPad ? "padding" : Describe(character)) +
                    " at offset " + std::to_string(start + k));
      }
      group |= static_cast<uint32_t>(value) << (18 - 6 * k);
    }
    bytes += static_cast<char>(group >> 16 & 0xFF);
    if (padding < 2) bytes += static_cast<char>(group >> 8 & 0xFF);
    if (padding < 1) bytes += static_cast<char>(group & 0xFF);
  }
  return bytes;
}

}  // namespace zuvo
