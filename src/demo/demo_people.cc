#include "demo/demo_people.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "platform/big5.h"

namespace zuvo::demo {

namespace {

// Letter values of the national ID check digit (A=10, B=11, ... with I, O, W, X, Y, Z apart).
constexpr std::array<int, 26> kIdLetterValues = {10, 11, 12, 13, 14, 15, 16, 17, 34,
                                                 18, 19, 20, 21, 22, 35, 23, 24, 25,
                                                 26, 27, 28, 29, 32, 30, 31, 33};

constexpr std::string_view kSurnames[] = {"陳", "林", "黃", "張", "李", "王", "吳", "劉", "蔡",
                                          "楊", "許", "鄭", "謝", "郭", "洪", "曾", "邱", "廖"};
constexpr std::string_view kGivenNameChars[] = {"志", "明", "美", "玲", "家", "豪", "淑", "芬",
                                                "建", "國", "宗", "翰", "雅", "婷", "俊", "傑",
                                                "怡", "君", "文", "華", "秀", "英", "嘉", "惠"};
constexpr std::string_view kStreets[] = {"中正路", "中山路", "民生路", "和平東路", "復興北路",
                                         "成功路", "光復路", "自由路", "建國路",   "忠孝東路"};
constexpr std::string_view kCities[] = {"台北市", "新北市", "台中市", "台南市", "高雄市", "桃園市"};

}  // namespace

std::string NationalIdWithCheckDigit(char letter, int sex_digit, uint32_t seven_digits) {
  int letter_value = kIdLetterValues[static_cast<size_t>(letter - 'A')];
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d%07u", sex_digit, seven_digits % 10000000);
  int sum = letter_value / 10 + letter_value % 10 * 9;
  for (int i = 0; i < 8; ++i) sum += (digits[i] - '0') * (8 - i);
  int check = (10 - sum % 10) % 10;
  return std::string(1, letter) + digits + static_cast<char>('0' + check);
}

std::string DemoRandom::Digits(int count) {
  std::string digits;
  for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + Pick(10));
  return digits;
}

std::string DemoRandom::Name() {
  std::string name(kSurnames[Pick(std::size(kSurnames))]);
  for (int i = 0; i < 2; ++i) name += kGivenNameChars[Pick(std::size(kGivenNameChars))];
  return big5::FromUtf8(name);
}

std::string DemoRandom::Address() {
  return big5::FromUtf8(std::string(kCities[Pick(std::size(kCities))]) +
                        std::string(kStreets[Pick(std::size(kStreets))]) +
                        std::to_string(1 + Pick(300)) + "號");
}

std::string DemoRandom::NationalId() {
  return NationalIdWithCheckDigit(static_cast<char>('A' + Pick(26)), 1 + static_cast<int>(Pick(2)),
                                  random_() % 10000000);
}

}  // namespace zuvo::demo
