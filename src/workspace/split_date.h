#pragma once

// The split date divides a clinic converted in two halves: mode "之後(含)日期" converts visits on
// and after it (work tree "_1"), mode "之前日期" those before it ("_2").

#include <optional>
#include <string>

#include "core/roc_date.h"
#include "core/step_context.h"

namespace zuvo {

// Item positions of the option group "製作方式".
enum class MakeDateMode { kOnAndAfter = 0, kBefore = 1 };

inline constexpr int kDefaultChartFileSize = 6;
inline constexpr int kSmallestChartFileSize = 1;
inline constexpr int kLargestChartFileSize = 12;

// The options of a chart conversion, as the window's boxes hold them.
struct ChartOptions {
  // CVISWsplitDate / CRSsplitDate, ROC yyymmdd as typed; an empty field is filled with
  // tomorrow's date by the split-date check and written back here.
  std::string split_date;
  MakeDateMode mode = MakeDateMode::kOnAndAfter;  // CmakeDateMode
  int file_size = kDefaultChartFileSize;          // CfileSize: million bytes per chart file
};

inline constexpr std::string_view kNoSplitDateMessage = "沒有填寫切割日期,製作方式必須設為之前";
inline constexpr std::string_view kBadSplitDateMessage = "切割日期格式錯誤yyymmdd";

// The common start of the steps that filter visits by date. `field` is the window's split-date
// text (ROC yyymmdd).
// - Blank: the split date is the day after `today`; its ROC date is written back into `field`.
//   Accepted only in mode kBefore (everything up to and including today); otherwise the
//   message kNoSplitDateMessage is shown and the step must stop.
// - Otherwise the untrimmed text must be a valid ROC date of seven digits: a blank before or
//   after it, a letter, or an impossible date, shows kBadSplitDateMessage.
// Returns the split date (time of day 0), or empty when the step must stop.
std::optional<DateTime> CheckSplitDate(std::string& field, MakeDateMode mode, DateTime today,
                                       StepContext& context);
// The same check where a blank field stands for tomorrow in either mode (the NHI claim
// correction): a blank field is filled with the day after `today` and accepted.
std::optional<DateTime> ReadSplitDateOrTomorrow(std::string& field, DateTime today,
                                                StepContext& context);

}  // namespace zuvo
