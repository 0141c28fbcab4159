#include "workspace/split_date.h"

#include <cmath>

#include "platform/big5.h"

namespace zuvo {

std::optional<DateTime> CheckSplitDate(std::string& field, MakeDateMode mode, DateTime today,
                                       StepContext& context) {
  if (big5::Trim(field).empty()) {
    DateTime tomorrow = std::floor(today) + 1;
    field = RocDate(tomorrow);
    if (mode != MakeDateMode::kBefore) {
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

}  // namespace zuvo
