#include "platform/dbf_number.h"

#include <charconv>
#include <cmath>
#include <string>

namespace zuvo {

namespace {

constexpr int kCurrencyDecimals = 4;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

struct Decimal {
  bool negative = false;
  std::string_view whole;     // digits before the point
  std::string_view fraction;  // digits after it
};

// Splits "[+-]digits[.digits]" (at least one digit in all); no value for anything else.
std::optional<Decimal> SplitDecimal(std::string_view text) {
  text = TrimBlanks(text);
  Decimal decimal;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    decimal.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  size_t point = text.find('.');
  decimal.whole = text.substr(0, point);
  if (point != std::string_view::npos) decimal.fraction = text.substr(point + 1);
  if (decimal.whole.empty() && decimal.fraction.empty()) return std::nullopt;
  for (std::string_view digits : {decimal.whole, decimal.fraction}) {
    for (char c : digits) {
      if (!IsDigit(c)) return std::nullopt;
    }
  }
  return decimal;
}

// Appends decimal digits to `value`; false on overflow.
bool AccumulateDigits(std::string_view digits, int64_t& value) {
  for (char c : digits) {
    if (__builtin_mul_overflow(value, 10, &value) || __builtin_add_overflow(value, c - '0', &value))
      return false;
  }
  return true;
}

}  // namespace

std::optional<int64_t> ParseDbfInteger(std::string_view text) {
  std::optional<Decimal> decimal = SplitDecimal(text);
  if (!decimal) return std::nullopt;
  int64_t value = 0;
  if (!AccumulateDigits(decimal->whole, value)) return std::nullopt;
  return decimal->negative ? -value : value;
}

std::optional<double> ParseDbfNumber(std::string_view text) {
  text = TrimBlanks(text);
  // from_chars takes no '+'; a sign after it ("+-1") is not a number.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;  // "inf" and "nan" are not dBase numbers
  return value;
}

std::optional<int64_t> ParseDbfCurrency(std::string_view text) {
  std::optional<Decimal> decimal = SplitDecimal(text);
  if (!decimal) return std::nullopt;
  std::string_view kept = decimal->fraction.substr(0, kCurrencyDecimals);
  int64_t value = 0;
  if (!AccumulateDigits(decimal->whole, value) || !AccumulateDigits(kept, value)) {
    return std::nullopt;
  }
  for (size_t missing = kept.size(); missing < kCurrencyDecimals; ++missing) {
    if (__builtin_mul_overflow(value, 10, &value)) return std::nullopt;
  }
  bool round_up =
      decimal->fraction.size() > kCurrencyDecimals && decimal->fraction[kCurrencyDecimals] >= '5';
  if (round_up && __builtin_add_overflow(value, 1, &value)) return std::nullopt;
  return decimal->negative ? -value : value;
}

}  // namespace zuvo
