#pragma once

// Answer codes of Vision's adult health-check table CO18R.DBF and the texts the exam record
// shows for them. A coded field's code is the first character of its trimmed value.

#include <string>
#include <string_view>

namespace zuvo {

enum class HealthCheckAnswers {
  kYesNo,
  kNoneHas,
  kAssessment,
  kHepatitisAdvice,
  kSerology,
  kSmoking,
  kDrinking,
  kBetelNut,
  kExercise,
  kDepressionScreen,
};

// The Big5 text of `code` in `table`; empty when the code has no text there.
std::string HealthCheckAnswerText(HealthCheckAnswers table, char code);

// The urine-protein reading as the four-character code the exam record keeps: "-" is "0000",
// one to four plus signs repeat their count four times ("++" is "2222"), any other value of
// four bytes is kept, anything else is "9999". `value` is the trimmed field.
std::string UrineProteinCode(std::string_view value);

}  // namespace zuvo
