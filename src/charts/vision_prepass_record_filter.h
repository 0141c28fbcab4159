#pragma once

// Which complaint and order rows of the Vision tables the pre-pass uses: a patient number, a
// date on the converted side of the split date, not before the lower bound (the operator's
// opening date), and a plausible date (not before the clinic's first day, not in the future).

#include <cstdint>

#include "core/roc_date.h"
#include "workspace/split_date.h"

namespace zuvo {

enum class RecordVerdict {
  kUse,
  kSkip,         // outside the window the operator chose: skipped silently
  kImplausible,  // before the first day or after now: reported "門診日期錯誤:"
};

struct PrepassRecordFilter {
  DateTime lower_bound = 0;
  DateTime split_date = 0;
  MakeDateMode mode = MakeDateMode::kOnAndAfter;
  DateTime first_day = 0;
  DateTime now = 0;

  RecordVerdict Judge(int64_t patient, DateTime date_time) const;
};

}  // namespace zuvo
