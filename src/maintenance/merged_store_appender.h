#pragma once

// Appends entries to an existing chart store during a merge, keeping the day index in memory
// and the current chart file open: the store is read once when the appender is made and its day
// index written once by Finish, so that a merge of many entries touches each byte once.
//
// Each entry goes to the append point of the day index (offset 0 read as 1; an offset beyond
// 6,000,000 starts the next chart file), becomes the newest entry of its day and is counted
// there. A day before the index's first day makes that day the first day, and every later day
// is found from the new first day.

#include <memory>
#include <string>

#include "core/binary_file.h"
#include "core/chart_records.h"
#include "core/day_index.h"
#include "core/store_location.h"
#include "maintenance/merged_entry.h"

namespace zuvo {

class MergedStoreAppender {
 public:
  // Reads the store's day index; throws Error naming it when it is missing or has no first-day
  // record.
  explicit MergedStoreAppender(StoreLocation store);
  ~MergedStoreAppender();
  MergedStoreAppender(const MergedStoreAppender&) = delete;
  MergedStoreAppender& operator=(const MergedStoreAppender&) = delete;

  // Writes `entry` with `previous_of_patient` as its patient link and the day's newest entry as
  // its day link; returns where it lies. The visit record's date must be a day of the calendar
  // (Error otherwise, before anything is written).
  ChartPosition Append(MergedEntry& entry, ChartPosition previous_of_patient);
  ChartPosition append_point() const { return position_; }
  int32_t first_day() const { return days_.first_day(); }

  // Closes the chart file and replaces DayLink.Dat with the index and its new append point.
  void Finish();

 private:
  void OpenFile();

  StoreLocation store_;
  DayIndex days_;
  ChartPosition position_;
  std::unique_ptr<BinaryFile> file_;
  std::string buffer_;
};

}  // namespace zuvo
