#include "workspace/split_date.h"

#include <cmath>

#include "platform/big5.h"

namespace zuvo {
namespace {

// A blank `field` becomes the day after `today` (written back) and `blank_allowed` decides
// whether that is accepted; otherwise the field must be a typed ROC date.
std::optional<DateTime> ReadSplitDate(std::string& field, bool blank_allowed, DateTime today,
                                      StepContext& context) {
  if (big5::Trim(field).empty()) {
    DateTime tomorrow = std::floor(today) + 1;
    field = RocDate(tomorrow);
    if (!blank_allowed) {
      context.ShowMessage(kNoSplitDateMessage, MessageKind::kWarning);
      return std::nullopt;
    }
    return tomorrow;
  }
  // Only digits make a split date: read by RocDateToDate's rules, a mistyped "garbage" would be
  // 1 January 1911 and take in every visit.
  std::optional<DateTime> split = TypedRocDate(field);
  if (!split) context.ShowMessage(kBadSplitDateMessage, MessageKind::kWarning);
  return split;
}

}  // namespace

std::optional<DateTime> CheckSplitDate(std::string& field, MakeDateMode mode, DateTime today,
                                       StepContext& context) {
  return ReadSplitDate(field, mode == MakeDateMode::kBefore, today, context);
}

std::optional<DateTime> ReadSplitDateOrTomorrow(std::string& field, DateTime today,
                                                StepContext& context) {
  return ReadSplitDate(field, /*blank_allowed=*/true, today, context);
}

}  // namespace zuvo
