#include "charts/vision_prepass_record_filter.h"

#include <cmath>

namespace zuvo {

RecordVerdict PrepassRecordFilter::Judge(int64_t patient, DateTime date_time) const {
  if (patient == 0 || date_time < lower_bound) return RecordVerdict::kSkip;
  bool before_split = date_time < split_date;
  if (before_split != (mode == MakeDateMode::kBefore)) return RecordVerdict::kSkip;
  if (std::trunc(date_time) < first_day || date_time > now) return RecordVerdict::kImplausible;
  return RecordVerdict::kUse;
}

}  // namespace zuvo
