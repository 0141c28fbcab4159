#pragma once

// RealSun's monthly files. Claims and health-card uploads lie in one file per month, named by the
// ROC year without leading zeros and the month: S\xp10703.DBF, IC\ic9903.dbf.

#include <optional>
#include <string>
#include <string_view>

#include "core/realsun_date.h"

namespace zuvo {

// A month of the ROC calendar.
struct RocMonth {
  int year = 0;  // ROC year
  int month = 0;
  friend auto operator<=>(const RocMonth&, const RocMonth&) = default;
  RocMonth Next() const { return month == 12 ? RocMonth{year + 1, 1} : RocMonth{year, month + 1}; }
};

// The month of a seven-character ROC date text; empty when its year or month is no number.
std::optional<RocMonth> MonthOfRocDate(std::string_view roc_date);
RocMonth MonthOf(DateTime value);

// "xp10703.DBF" and "ic10703.dbf" below their folders ("S/", "IC/").
std::string ClaimTableName(RocMonth month);
std::string UploadTableName(RocMonth month);
// The month named by an upload table's file name ("ic9903.dbf", any letter case); empty for
// other names.
std::optional<RocMonth> MonthOfUploadTable(std::string_view file_name);

}  // namespace zuvo
