#pragma once

// Taiwanese national ID numbers (身分證統一編號): a letter for the place of registration, a digit
// for the sex (1 male, 2 female), seven digits and a check digit; resident certificates of
// foreigners carry two letters and eight digits.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zuvo {

// True when `id` has ten characters and either
// - a letter A-Z, a digit 1-9 and eight digits whose weighted sum is divisible by 10 (the
//   letter's two-digit code gives its tens digit x 1 and its units digit x 9, the nine digits
//   x 8, 7, 6, 5, 4, 3, 2, 1, 1), or
// - two letters A-Z and eight digits that are not all zero.
bool IsValidNationalID(std::string_view id);

// The ID made of `letter` (A-Z), `sex_digit` ('1' or '2') and seven digits, completed with the
// check digit that makes it valid. Empty for other letters, sex digits or serials (0..9999999).
std::optional<std::string> CompleteNationalId(char letter, char sex_digit, int32_t serial);

}  // namespace zuvo
