#pragma once

// Reading numbers out of source text the way the clinic programs did: an integer is optional
// leading blanks, an optional sign and decimal digits, nothing after; anything else is "not a
// number" and the caller's fallback applies. And rounding them as those programs did.

#include <cstdint>
#include <optional>
#include <string_view>

namespace zuvo {

std::optional<int64_t> ParseInteger(std::string_view text);
inline int64_t IntegerOr(std::string_view text, int64_t fallback) {
  return ParseInteger(text).value_or(fallback);
}

// A decimal number with optional blanks around it, sign, fraction and exponent.
std::optional<double> ParseNumber(std::string_view text);
inline double NumberOr(std::string_view text, double fallback) {
  return ParseNumber(text).value_or(fallback);
}

// `value` rounded to `digits` decimals, halves away from zero: 2.5 → 3, -2.5 → -3, and with one
// decimal 0.25 → 0.3. Computed in double precision as value × 10^digits ± 0.5, truncated.
double RoundHalfAway(int digits, double value);

}  // namespace zuvo
