#pragma once

// Numbers as dBase tables store them: decimal text, right-aligned in its field, blank for none.
// Each parser trims blanks first and gives no value for a blank or malformed text (including
// the asterisks dBase writes when a number overflows its field).

#include <cstdint>
#include <optional>
#include <string_view>

namespace zuvo {

// Whole part of a decimal ("12.7" → 12, "-3.9" → -3). Only digits, one optional sign and one
// optional decimal point; no value when it does not fit in 64 bits.
std::optional<int64_t> ParseDbfInteger(std::string_view text);

// A decimal or floating-point number ("37.95", "-.5", "1.2E+3").
std::optional<double> ParseDbfNumber(std::string_view text);

// A decimal in ten-thousandths, computed exactly from the digits ("37.95" → 379500); a fifth
// and further decimal digits round half away from zero. No value when it does not fit in 64 bits.
std::optional<int64_t> ParseDbfCurrency(std::string_view text);

}  // namespace zuvo
