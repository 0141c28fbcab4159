#include "core/visit_replacement.h"

#include <cmath>
#include <functional>
#include <optional>

#include "core/binary_file.h"
#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/chart_writer.h"
#include "core/day_index.h"
#include "core/day_number.h"
#include "core/patient_store.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/test_point.h"

namespace zuvo {
namespace {

uint64_t HeaderPayloadAt(ChartPosition position) {
  return static_cast<uint64_t>(position.offset) - 1 + kTagSize;
}

// Walks a chain from `head` to the entry at `target`; the entry passed just before it (the newer
// one) goes to `newer`. False when the chain ends, breaks or loops without reaching it.
bool FindInChain(ChartFileSet& files, ChartPosition head, ChainKind kind, ChartPosition target,
                 std::optional<ChartPosition>& newer) {
  bool found = false;
  std::optional<ChartPosition> previous;
  WalkChain(files, head, kind, EntryDetail::kFraming, [&](const ChartEntryRead& entry) {
    if (found) return;
    if (entry.position == target) {
      found = entry.header.has_value();
      newer = previous;
      return;
    }
    previous = entry.position;
  });
  return found;
}

// In-place writes remembered with the bytes they replaced, undone newest first.
class UndoLog {
 public:
  void WriteAt(const std::filesystem::path& path, uint64_t offset, std::string_view bytes) {
    BinaryFile file(path, BinaryFile::Mode::kReadWrite);
    writes_.push_back({path, offset, file.ReadString(offset, bytes.size())});
    file.WriteAt(offset, bytes);
    file.Close();
  }
  void Remember(const std::filesystem::path& path, uint64_t offset, size_t size) {
    BinaryFile file(path, BinaryFile::Mode::kRead);
    writes_.push_back({path, offset, file.ReadString(offset, size)});
  }
  void Undo() {
    for (auto write = writes_.rbegin(); write != writes_.rend(); ++write) {
      BinaryFile file(write->path, BinaryFile::Mode::kReadWrite);
      file.WriteAt(write->offset, write->old_bytes);
      file.Close();
    }
    writes_.clear();
  }

 private:
  struct Write {
    std::filesystem::path path;
    uint64_t offset;
    std::string old_bytes;
  };
  std::vector<Write> writes_;
};

// Sets one link of the header of the entry at `entry` in its file.
void RelinkHeader(const StoreLocation& store, ChartPosition entry, ChainKind kind, ChartPosition to,
                  UndoLog& undo) {
  const std::filesystem::path path = ChartFilePath(store, entry.file_code);
  ChartHeader header;
  {
    BinaryFile file(path, BinaryFile::Mode::kRead);
    file.ReadAt(HeaderPayloadAt(entry), kChartHeaderSize, header.data());
  }
  using namespace header_field;
  if (kind == ChainKind::kPatient) {
    header.Set(kPreviousOfPatientFileCode, to.file_code);
    header.Set(kPreviousOfPatientOffset, to.offset);
  } else {
    header.Set(kPreviousOfDayFileCode, to.file_code);
    header.Set(kPreviousOfDayOffset, to.offset);
  }
  undo.WriteAt(path, HeaderPayloadAt(entry), header.view());
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return big5::UpperAscii(a) == big5::UpperAscii(b);
}

void StampOrder(OrderRecord& record, std::string_view stamp, std::string_view institution_code) {
  const DateTime end = RocStampToDateTime(stamp);
  record.Set(order_field::kExecutionEnd, end);
  record.Set(order_field::kExecutingStaff, std::string(institution_code));
  record.Set(order_field::kReservedText189, RocStamp(end));
}

// The copy's bytes: the old blocks in their order without the exam texts, stamped order lines,
// the new order lines, the new exam text and the end tag. `header` carries the old links.
std::string CopyEntry(const ChartEntryRead& old, const ChartHeader& header,
                      std::string_view exam_text, const std::vector<OrderRecord>& new_orders,
                      std::string_view institution_code, const std::vector<OrderStamp>& stamps) {
  std::string bytes;
  for (const ChartBlock& block : old.blocks) {
    switch (block.tag) {
      case chart_tag::kHeader:
        AppendBlock(chart_tag::kHeader, header.view(), bytes);
        break;
      case chart_tag::kExamText:
        break;
      case chart_tag::kOrder: {
        OrderRecord record;
        record.Assign(block.payload);
        const std::string code = big5::Trim(record.Get(order_field::kInsuranceCode));
        for (const auto& [stamped_code, stamp] : stamps) {
          if (EqualsIgnoringCase(big5::Trim(stamped_code), code)) {
            StampOrder(record, stamp, institution_code);
            break;
          }
        }
        AppendBlock(chart_tag::kOrder, record.view(), bytes);
        if (block.remark)
          bytes += I32Bytes(static_cast<int32_t>(block.remark->size())) + *block.remark;
        break;
      }
      default:
        if (IsTextTag(block.tag)) {
          AppendTextBlock(block.tag, block.payload, bytes);
        } else {
          AppendBlock(block.tag, block.payload, bytes);
        }
    }
  }
  for (OrderRecord record : new_orders) {
    record.Set(order_field::kFlags1,
               static_cast<int16_t>(record.Get(order_field::kFlags1) & ~kOrderFlagHasRemark));
    AppendBlock(chart_tag::kOrder, record.view(), bytes);
  }
  if (!big5::Trim(exam_text).empty()) AppendTextBlock(chart_tag::kExamText, exam_text, bytes);
  AppendBlock(chart_tag::kEnd, {}, bytes);
  return bytes;
}

}  // namespace

ChartPosition GetPatientChartHead(const StoreLocation& store, int32_t patient) {
  PatientRecord record;
  if (!ReadPatient(store, patient, record)) return {0, -1};
  return {record.Get(patient_field::kChartFileCode), record.Get(patient_field::kChartOffset)};
}

std::vector<RecentVisit> LoadRecentVisits(const StoreLocation& store, int32_t patient,
                                          std::string_view roc_date, int days) {
  std::vector<RecentVisit> visits;
  std::optional<int32_t> last_day = DayNumberOf(RocDateToDate(roc_date));
  if (!last_day || *last_day == 0) return visits;
  ChartPosition head = GetPatientChartHead(store, patient);
  if (head.offset < 0) return visits;
  ChartFileSet files(store);
  std::vector<ChartPosition> in_window;
  WalkChain(
      files, head, ChainKind::kPatient, EntryDetail::kFraming, [&](const ChartEntryRead& entry) {
        if (!entry.well_formed || !entry.visit) return;
        std::optional<int32_t> day = DayNumberOf(entry.visit->Get(visit_field::kVisitDateTime));
        if (day && *day <= *last_day && *last_day - *day <= days) {
          in_window.push_back(entry.position);
        }
      });
  for (ChartPosition position : in_window) {
    ChartEntryRead entry =
        ReadChartEntry(*files.Open(position.file_code), position, EntryDetail::kFull);
    RecentVisit visit;
    visit.position = position;
    visit.visit = *entry.visit;
    for (ChartBlock& block : entry.blocks) {
      if (block.tag == chart_tag::kExamText) {
        visit.exam_texts.push_back(std::move(block.payload));
      } else if (block.tag == chart_tag::kOrder) {
        OrderLine line;
        line.record.Assign(block.payload);
        line.remark = std::move(block.remark);
        visit.orders.push_back(std::move(line));
      }
    }
    visits.push_back(std::move(visit));
  }
  return visits;
}

bool ReplaceVisitEntry(const StoreLocation& store, int32_t patient, std::string_view visit_stamp,
                       std::string_view exam_text, const std::vector<OrderRecord>& new_orders,
                       std::string_view institution_code, const std::vector<OrderStamp>& stamps) {
  const DateTime wanted = RocStampToDateTime(visit_stamp);
  if (wanted == 0) return false;
  const std::string wanted_text = RocStamp(wanted);
  const ChartPosition patient_head = GetPatientChartHead(store, patient);
  if (patient_head.offset < 0) return false;

  // Every check first: the old entry, its newer neighbours in both chains, the day record.
  std::optional<ChartEntryRead> old;
  std::optional<ChartPosition> newer_of_patient;
  std::optional<DayIndex> days;
  std::optional<ChartPosition> newer_of_day;
  DateTime visit_time = 0;
  {
    ChartFileSet files(store);
    std::optional<ChartPosition> previous;
    WalkChain(files, patient_head, ChainKind::kPatient, EntryDetail::kFraming,
              [&](const ChartEntryRead& entry) {
                if (old || !entry.header) return;
                if (RocStamp(entry.header->Get(header_field::kVisitDateTime)) == wanted_text) {
                  old = entry;
                  newer_of_patient = previous;
                }
                previous = entry.position;
              });
    if (!old || !old->well_formed) return false;
    old = ReadChartEntry(*files.Open(old->position.file_code), old->position, EntryDetail::kFull);
    if (!old->well_formed) return false;
    visit_time = old->header->Get(header_field::kVisitDateTime);
    days = LoadDayIndex(store);
    if (days->size() == 0) return false;
    const ChartPosition day_head = days->Get(visit_time);
    if (day_head.offset < 0) return false;
    if (!FindInChain(files, day_head, ChainKind::kDay, old->position, newer_of_day)) return false;
  }

  const std::string copy =
      CopyEntry(*old, *old->header, exam_text, new_orders, institution_code, stamps);
  AppendedBytes appended = AppendEntryBytes(store, days->append_point(), copy);
  UndoLog undo;
  try {
    // The day index: the append point, and the day's newest entry when the old one was it.
    const std::filesystem::path day_path = store.DayIndexPath();
    days->set_append_point(appended.next);
    size_t day_record = 0;
    if (!newer_of_day) {
      day_record =
          days->Set(DayCountMode::kKeep, 0, appended.at.file_code, appended.at.offset, visit_time);
    }
    const std::string day_bytes = days->Serialize();
    undo.WriteAt(day_path, 0, std::string_view(day_bytes).substr(0, kDayRecordSize));
    if (day_record != 0) {
      undo.WriteAt(day_path, day_record * kDayRecordSize,
                   std::string_view(day_bytes).substr(day_record * kDayRecordSize, kDayRecordSize));
    }
    if (newer_of_day) RelinkHeader(store, *newer_of_day, ChainKind::kDay, appended.at, undo);
    TestPoint(kReplaceDayLinkedTestPoint);
    if (newer_of_patient) {
      RelinkHeader(store, *newer_of_patient, ChainKind::kPatient, appended.at, undo);
    } else {
      PatientAddress slot = PatientLocation(store, patient);
      undo.Remember(slot.file, slot.offset, kPatientRecordSize);
      SetChartHead(store, patient, appended.at.file_code, appended.at.offset);
    }
    TestPoint(kReplacePatientLinkedTestPoint);
  } catch (...) {
    undo.Undo();
    UndoAppendedBytes(appended);
    throw;
  }
  return true;
}

}  // namespace zuvo
