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
  DateTime split = RocDateToDate(field);
  if (split == 0) {
    context.ShowMessage(kBadSplitDateMessage, MessageKind::kWarning);
    return std::nullopt;
  }
  return split;
}

}  // namespace zuvo
