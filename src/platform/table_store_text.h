#pragma once

// How the table store turns values into text and back: decimal numbers, currency amounts,
// booleans, and text compared without regard to ASCII letter case. Internal to the table store.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zuvo::table_store {

// Letters A..Z become a..z; every other byte (UTF-8 sequences included) is kept.
std::string FoldAsciiCase(std::string_view text);
bool IsBlank(std::string_view text);  // empty or only blanks

// Shortest decimal of at most 15 significant digits ("0.1", "12", "1e+20").
std::string FormatNumber(double value);
// Ten-thousandths as an amount without trailing zeros: 123456 → "12.3456", 50000 → "5".
std::string FormatCurrency(int64_t ten_thousandths);

// Parsers accept surrounding blanks and reject anything else that is not part of the value.
std::optional<int64_t> ParseInteger(std::string_view text);
std::optional<double> ParseNumber(std::string_view text);
// "12.3456" → 123456, exactly; a fifth decimal and beyond rounds half away from zero.
std::optional<int64_t> ParseCurrency(std::string_view text);
// True/False, Yes/No, T/F, Y/N (any case), and whole numbers (non-zero is true).
std::optional<bool> ParseBoolean(std::string_view text);

// UTF-8 → Big5, with `substitute` for each character Big5 cannot hold.
std::string Utf8ToBig5Substituting(std::string_view utf8, std::string_view substitute,
                                   bool* substituted);

}  // namespace zuvo::table_store
