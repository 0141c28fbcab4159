#include "maintenance/national_id.h"

#include <array>
#include <cstdio>

namespace zuvo {
namespace {

// The two-digit code of each letter, A to Z.
constexpr std::array<int, 26> kLetterCodes = {10, 11, 12, 13, 14, 15, 16, 17, 34, 18, 19, 20, 21,
                                              22, 35, 23, 24, 25, 26, 27, 28, 29, 32, 30, 31, 33};
constexpr std::array<int, 9> kDigitWeights = {8, 7, 6, 5, 4, 3, 2, 1, 1};
constexpr size_t kIdLength = 10;

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

bool AllZero(std::string_view text) {
  return text.find_first_not_of('0') == std::string_view::npos;
}

// The weighted sum of a letter and nine digits.
int WeightedSum(std::string_view id) {
  int code = kLetterCodes[static_cast<size_t>(id[0] - 'A')];
  int sum = code / 10 + code % 10 * 9;
  for (size_t i = 0; i < kDigitWeights.size(); ++i) sum += (id[i + 1] - '0') * kDigitWeights[i];
  return sum;
}

}  // namespace

bool IsValidNationalID(std::string_view id) {
  if (id.size() != kIdLength || !IsLetter(id[0])) return false;
  if (id[1] >= '1' && id[1] <= '9' && AllDigits(id.substr(1))) return WeightedSum(id) % 10 == 0;
  return IsLetter(id[1]) && AllDigits(id.substr(2)) && !AllZero(id.substr(2));
}

std::optional<std::string> CompleteNationalId(char letter, char sex_digit, int32_t serial) {
  if (!IsLetter(letter) || (sex_digit != '1' && sex_digit != '2') || serial < 0 ||
      serial > 9'999'999) {
    return std::nullopt;
  }
  char digits[8];
  std::snprintf(digits, sizeof digits, "%07d", static_cast<int>(serial));
  std::string id = std::string(1, letter) + sex_digit + digits + '0';
  // The check digit has weight 1, so exactly one digit makes the sum divisible by 10.
  id.back() = static_cast<char>('0' + (10 - WeightedSum(id) % 10) % 10);
  return id;
}

}  // namespace zuvo
