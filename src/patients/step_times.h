#pragma once

// The clock texts a conversion step shows: "begin time"/"end time" lines with the time of day,
// and the elapsed-time label.

#include <chrono>
#include <string>

#include "core/roc_date.h"

namespace zuvo {

// "hh:mm:ss" of a date-time value.
std::string ClockText(DateTime value);
// "hh:mm:ss" of a duration; hours go past 24 rather than wrap.
std::string ElapsedText(std::chrono::steady_clock::duration elapsed);

}  // namespace zuvo
