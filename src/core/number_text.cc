#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace zuvo {

std::optional<int64_t> ParseInteger(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  uint64_t magnitude = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  constexpr uint64_t kLimit = static_cast<uint64_t>(INT64_MAX);
  if (magnitude > kLimit + (negative ? 1 : 0)) return std::nullopt;
  return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

std::optional<double> ParseNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;  // "inf" and "nan" are not numbers here
  return value;
}

double RoundHalfAway(int digits, double value) {
  const double factor = std::pow(10.0, digits);
  const double shifted = value > 0 ? value * factor + 0.5 : value * factor - 0.5;
  // Adding 0.0 turns the -0.0 of a small negative value (or of 0 itself) into 0.
  return std::trunc(shifted) / factor + 0.0;
}

}  // namespace zuvo
