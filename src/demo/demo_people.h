#pragma once

// The made-up people of the demo clinics: a seeded random source with the names, addresses and
// national IDs both systems' patient tables are generated from. Texts are Big5; the same seed
// gives the same people.

#include <cstdint>
#include <random>
#include <string>

namespace zuvo::demo {

// A national ID with a valid check digit: `letter` (A..Z), sex digit 1 or 2, seven digits.
std::string NationalIdWithCheckDigit(char letter, int sex_digit, uint32_t seven_digits);

class DemoRandom {
 public:
  explicit DemoRandom(uint32_t seed) : random_(seed) {}

  uint32_t Next() { return static_cast<uint32_t>(random_()); }
  // 0 .. count - 1.
  uint32_t Pick(size_t count) { return static_cast<uint32_t>(random_() % count); }
  // True `in` times out of `of`.
  bool Chance(uint32_t in, uint32_t of) { return random_() % of < in; }
  // `count` random decimal digits.
  std::string Digits(int count);

  // A surname and two given-name characters.
  std::string Name();
  // City, street and house number.
  std::string Address();
  // A national ID with a valid check digit.
  std::string NationalId();

 private:
  std::mt19937 random_;  // its sequence is fixed by the standard
};

}  // namespace zuvo::demo
