#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/roc_date.h"

namespace zuvo {

// Shows a message box (UTF-8 text) and waits for the operator.
using ShowMessage = std::function<void(const std::string& utf8_text)>;

// The date of an eight-byte Gregorian text yyyymmdd; 0 (the null date) for any other length.
// A part that is not a number reads as year 0, month 1 or day 1; when the parts form no valid
// date, `show` gets the text followed by " 不能轉換成日期單位" and the result is 0.
DateTime ParseWesternDate(std::string_view big5_text, const ShowMessage& show);

}  // namespace zuvo
