#include "core/day_index.h"

#include "core/binary_file.h"
#include "core/day_number.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

constexpr ChartPosition kNoDayLink{0, -1};

int32_t DayNumberOrThrow(double day) {
  std::optional<int32_t> number = DayNumberOf(day);
  if (!number) throw Error("the day index cannot hold the day value " + std::to_string(day));
  return *number;
}

void StoreRecord(const DayRecord& record, char* bytes) {
  StoreI32(bytes, record.count);
  StoreI32(bytes + 4, record.newest.file_code);
  StoreI32(bytes + 8, record.newest.offset);
}

}  // namespace

DayIndex::DayIndex(int32_t first_day, int32_t last_day) {
  records_.resize(static_cast<size_t>(std::max<int64_t>(int64_t{last_day} - first_day + 1, 0)) + 1);
  records_[0].count = first_day;
}

DayIndex DayIndex::Parse(std::string_view bytes) {
  DayIndex index;
  index.records_.resize(bytes.size() / kDayRecordSize);
  for (size_t k = 0; k < index.records_.size(); ++k) {
    const char* at = bytes.data() + k * kDayRecordSize;
    index.records_[k] = {LoadI32(at), {LoadI32(at + 4), LoadI32(at + 8)}};
  }
  return index;
}

std::string DayIndex::Serialize() const {
  std::string bytes(records_.size() * kDayRecordSize, '\0');
  for (size_t k = 0; k < records_.size(); ++k) {
    StoreRecord(records_[k], bytes.data() + k * kDayRecordSize);
  }
  return bytes;
}

std::string DayIndex::RecordBytes(size_t k) const {
  std::string bytes(kDayRecordSize, '\0');
  StoreRecord(records_.at(k), bytes.data());
  return bytes;
}

std::optional<size_t> DayIndex::RecordOf(int32_t day) const {
  if (records_.empty()) return std::nullopt;
  int64_t k = int64_t{day} - first_day() + 1;
  if (k <= 0 || k >= static_cast<int64_t>(records_.size())) return std::nullopt;
  return static_cast<size_t>(k);
}

ChartPosition DayIndex::Get(double day) const {
  std::optional<int32_t> number = DayNumberOf(day);
  if (!number || records_.empty()) return kNoDayLink;
  if (*number == 0) return append_point();
  std::optional<size_t> k = RecordOf(*number);
  return k ? records_[*k].newest : kNoDayLink;
}

void DayIndex::Rebase(double new_first_day) {
  if (records_.empty()) throw Error("the day index has no first-day record");
  int32_t new_first = DayNumberOrThrow(new_first_day);
  if (new_first >= first_day()) return;
  size_t gap = static_cast<size_t>(int64_t{first_day()} - new_first);
  records_.insert(records_.begin() + 1, gap, DayRecord{});
  records_[0].count = new_first;
}

size_t DayIndex::Set(DayCountMode mode, int32_t value, int32_t file_code, int32_t offset,
                     double day) {
  if (records_.empty()) throw Error("the day index has no first-day record");
  int32_t number = DayNumberOrThrow(day);
  size_t k = 0;
  if (number != 0) {
    if (number < first_day()) Rebase(day);
    k = static_cast<size_t>(int64_t{number} - first_day() + 1);
    if (k >= records_.size()) records_.resize(k + 1);
  }
  DayRecord& record = records_[k];
  if (mode == DayCountMode::kAdd) {
    record.count += value;
  } else if (mode == DayCountMode::kSet) {
    record.count = value;
  }
  if (file_code >= 0) record.newest.file_code = file_code;
  if (offset >= 0) record.newest.offset = offset;
  return k;
}

DayIndex LoadDayIndex(const StoreLocation& store) {
  return DayIndex::Parse(ReadWholeFile(store.DayIndexPath()));
}

void SaveDayIndex(const StoreLocation& store, const DayIndex& index) {
  WriteFileAtomically(store.DayIndexPath(), index.Serialize());
}

ChartPosition GetDayLink(const StoreLocation& store, double day) {
  return LoadDayIndex(store).Get(day);
}

void SetDayLink(const StoreLocation& store, DayCountMode mode, int32_t value, int32_t file_code,
                int32_t offset, double day) {
  DayIndex index = LoadDayIndex(store);
  size_t old_size = index.size();
  int32_t old_first_day = index.size() > 0 ? index.first_day() : 0;
  size_t k = index.Set(mode, value, file_code, offset, day);
  if (index.first_day() != old_first_day || index.size() != old_size) {
    SaveDayIndex(store, index);
    return;
  }
  BinaryFile file(store.DayIndexPath(), BinaryFile::Mode::kReadWrite);
  file.WriteAt(k * kDayRecordSize, index.RecordBytes(k));
  file.Close();
}

void RebaseDayLink(const StoreLocation& store, double new_first_day) {
  DayIndex index = LoadDayIndex(store);
  int32_t old_first_day = index.size() > 0 ? index.first_day() : 0;
  index.Rebase(new_first_day);
  if (index.first_day() != old_first_day) SaveDayIndex(store, index);
}

}  // namespace zuvo
