#pragma once

// The clock texts of a conversion step: the time of day on its "begin time"/"end time" lines
// and the elapsed time on its time label.

#include <chrono>
#include <string>

#include "core/roc_date.h"

namespace zuvo {

// "hh:mm:ss" of the time of day of a date-time value.
std::string ClockText(DateTime value);
// "hh:mm:ss" of the time between two date-time values, rounded to the second; hours go past 23
// rather than wrap, and a negative span reads "00:00:00".
std::string ElapsedText(DateTime from, DateTime to);
// The same for a measured duration, cut to whole seconds.
std::string ElapsedText(std::chrono::steady_clock::duration elapsed);

}  // namespace zuvo
