#pragma once

#include <string>
#include <string_view>

#include "core/message_sink.h"
#include "core/roc_date.h"

namespace zuvo {

// The date of an eight-byte Gregorian text yyyymmdd; 0 (the null date) for any other length.
// A part that is not a number reads as year 0, month 1 or day 1; when the parts form no valid
// date, `show` gets the text followed by " 不能轉換成日期單位" (the caller shows it in a message
// box) and the result is 0.
DateTime ParseWesternDate(std::string_view big5_text, const MessageSink& show);

}  // namespace zuvo
