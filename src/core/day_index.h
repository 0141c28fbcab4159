#pragma once

// The day index DayLink.Dat: 12-byte records of three int32 values. Record 0 holds the first
// day (day number of the clinic's opening date) and the append point (where the next entry will
// be written); record k >= 1 holds, for day first + k - 1, the number of entries of that day and
// the position of its newest entry. A record of zeros: no entry that day.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/chart_records.h"
#include "core/store_location.h"

namespace zuvo {

inline constexpr size_t kDayRecordSize = 12;

struct DayRecord {
  int32_t count = 0;     // record 0: the first day number
  ChartPosition newest;  // record 0: the append point
  friend bool operator==(const DayRecord&, const DayRecord&) = default;
};

// What SetDayLink does with the count field.
enum class DayCountMode : int32_t { kAdd = 0, kSet = 1, kKeep = 2 };

// The whole index in memory.
class DayIndex {
 public:
  // Record 0 = (first_day, 0, 0) and zero records for every day from first_day to last_day.
  DayIndex(int32_t first_day, int32_t last_day);
  // The records of a file image; a partial record at the end is left out. Empty bytes give an
  // index without records.
  static DayIndex Parse(std::string_view bytes);
  std::string Serialize() const;
  // The bytes of record `k` as Serialize writes them, for a caller that writes it in place.
  std::string RecordBytes(size_t k) const;

  size_t size() const { return records_.size(); }
  const DayRecord& record(size_t k) const { return records_.at(k); }
  DayRecord& record(size_t k) { return records_.at(k); }
  int32_t first_day() const { return records_.at(0).count; }
  ChartPosition append_point() const { return records_.at(0).newest; }
  void set_append_point(ChartPosition position) { records_.at(0).newest = position; }

  // The record of `day` (a day number), when it lies inside the index.
  std::optional<size_t> RecordOf(int32_t day) const;
  // The newest entry of `day` (a date-time; 0 gives the append point), (0, -1) when the day lies
  // outside the index.
  ChartPosition Get(double day) const;
  // SetDayLink on the in-memory index; returns the record changed. Rebases (a day before the
  // first day) or grows (a day after the last record) first. Throws Error for an index without
  // record 0 or a day that is no date.
  size_t Set(DayCountMode mode, int32_t value, int32_t file_code, int32_t offset, double day);
  // Makes `day` the first day when it is earlier than the current one: record 0 keeps the append
  // point, zero records fill the gap, the old day records follow unchanged.
  void Rebase(double new_first_day);

 private:
  DayIndex() = default;
  std::vector<DayRecord> records_;
};

// The same operations on the store's DayLink.Dat; each opens, changes and closes the file and
// throws Error naming it when it is missing or cannot be read or written.
ChartPosition GetDayLink(const StoreLocation& store, double day);
void SetDayLink(const StoreLocation& store, DayCountMode mode, int32_t value, int32_t file_code,
                int32_t offset, double day);
void RebaseDayLink(const StoreLocation& store, double new_first_day);
DayIndex LoadDayIndex(const StoreLocation& store);
// Replaces DayLink.Dat with `index`.
void SaveDayIndex(const StoreLocation& store, const DayIndex& index);

}  // namespace zuvo
