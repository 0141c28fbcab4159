#pragma once

// RealSun's dates: yymmdd, the ROC years 100–109 written as "A" and the last digit ("A70326" is
// 1070326) and the years 110–119 as "B" and the last digit.

#include <string>
#include <string_view>

#include "core/roc_date.h"

namespace zuvo {

// The seven-character ROC date of a trimmed RealSun date: "A"/"B" + five characters → "10"/"11"
// + them, anything else → "0" + the text (so a malformed value stays malformed).
std::string RealSunDateText(std::string_view trimmed);

struct RealSunBirthday {
  DateTime date = 0;   // 0: no birthday
  bool exact = false;  // false when the date is 0 or a month or day had to be taken as 1
};

// The birthday a trimmed BIRTH of the patient table gives: its RealSun date text read as a ROC
// date, a month or day that is no number taken as 1. A text that does not make seven
// characters, a year that is no number and an impossible date give no birthday.
RealSunBirthday ReadRealSunBirthday(std::string_view trimmed);

}  // namespace zuvo
