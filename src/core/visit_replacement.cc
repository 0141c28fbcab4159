#include "core/visit_replacement.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>

#include "core/binary_file.h"
#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/chart_writer.h"
#include "core/day_index.h"
#include "core/day_number.h"
#include "core/patient_store.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/test_point.h"

namespace zuvo {
namespace {

uint64_t HeaderPayloadAt(ChartPosition position) {
  return static_cast<uint64_t>(position.offset) - 1 + kTagSize;
}

// In-place writes remembered with the bytes they replaced, undone newest first. A chart file is
// looked up again by its code when undone, since the set may have closed it meanwhile; the
// other files stay open with the session.
class UndoLog {
 public:
  void WriteAt(BinaryFile& file, std::optional<int32_t> chart_code, uint64_t offset,
               std::string_view bytes) {
    writes_.push_back({chart_code ? nullptr : &file, chart_code.value_or(-1), offset,
                       file.ReadString(offset, bytes.size())});
    file.WriteAt(offset, bytes);
    file.Flush();
  }
  void Undo(ChartFileSet& charts) {
    for (auto write = writes_.rbegin(); write != writes_.rend(); ++write) {
      BinaryFile* file = write->file != nullptr ? write->file : charts.Open(write->chart_code);
      if (file == nullptr) {
        throw Error("chart file " + ChartFileName(write->chart_code) +
                    " is gone; a replacement cannot be undone");
      }
      file->WriteAt(write->offset, write->old_bytes);
      file->Flush();
    }
    writes_.clear();
  }

 private:
  struct Write {
    BinaryFile* file;    // null for a chart file
    int32_t chart_code;  // the chart file's code
    uint64_t offset;
    std::string old_bytes;
  };
  std::vector<Write> writes_;
};

// The last day of a window ending on the ROC date `roc_date`; none for a date that is no date.
std::optional<int32_t> LastDayOf(std::string_view roc_date) {
  std::optional<int32_t> last_day = DayNumberOf(RocDateToDate(roc_date));
  if (!last_day || *last_day == 0) return std::nullopt;
  return last_day;
}

// What a replacement and the loading of recent visits need of one entry of a patient's chain.
struct PatientLink {
  ChartPosition position;
  DateTime header_time = 0;            // the header's visit date-time
  std::optional<DateTime> visit_time;  // the visit record's, when read
  bool well_formed = false;
};

// The entries with a header of the patient's chain from `head`, up to where the walk stopped.
std::vector<PatientLink> WalkPatientChain(ChartFileSet& files, ChartPosition head) {
  std::vector<PatientLink> chain;
  WalkChain(files, head, ChainKind::kPatient, EntryDetail::kFraming,
            [&](const ChartEntryRead& entry) {
              if (!entry.header) return;
              PatientLink link;
              link.position = entry.position;
              link.header_time = entry.header->Get(header_field::kVisitDateTime);
              if (entry.visit) link.visit_time = entry.visit->Get(visit_field::kVisitDateTime);
              link.well_formed = entry.well_formed;
              chain.push_back(std::move(link));
            });
  chain.shrink_to_fit();  // kept for the whole import, for every patient
  return chain;
}

std::vector<RecentVisit> CollectRecentVisits(ChartFileSet& files,
                                             const std::vector<PatientLink>& chain,
                                             int32_t last_day, int days) {
  std::vector<RecentVisit> visits;
  for (const PatientLink& link : chain) {
    if (!link.well_formed || !link.visit_time) continue;
    std::optional<int32_t> day = DayNumberOf(*link.visit_time);
    if (!day || *day > last_day || last_day - *day > days) continue;
    ChartEntryRead entry =
        ReadChartEntry(*files.Open(link.position.file_code), link.position, EntryDetail::kFull);
    RecentVisit visit;
    visit.position = link.position;
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

struct VisitReplacementSession::State {
  StoreLocation store;
  std::optional<ChartFileSet> charts;
  std::map<int32_t, std::unique_ptr<BinaryFile>> patient_files;  // by file number; null: none
  std::optional<DayIndex> days;
  std::unique_ptr<BinaryFile> day_file;
  // The positions of a day's chain from its newest entry, by day number.
  std::unordered_map<int32_t, std::vector<ChartPosition>> day_chains;
  // The chains of the patients walked, by patient number.
  std::unordered_map<int32_t, std::vector<PatientLink>> patient_chains;

  ChartFileSet& Charts() {
    if (!charts) charts.emplace(store, BinaryFile::Mode::kReadWrite);
    return *charts;
  }
  DayIndex& Days() {
    if (!days) days = LoadDayIndex(store);
    return *days;
  }
  BinaryFile& DayFile() {
    if (!day_file) {
      day_file = std::make_unique<BinaryFile>(store.DayIndexPath(), BinaryFile::Mode::kReadWrite);
    }
    return *day_file;
  }
  // The open file of the patient's slot; null for a number <= 0 or a file that does not exist.
  BinaryFile* PatientFile(int32_t patient) {
    if (patient <= 0) return nullptr;
    auto [file, added] = patient_files.try_emplace(patient / kPatientsPerFile);
    if (added) {
      const std::filesystem::path path = PatientLocation(store, patient).file;
      std::error_code error;
      if (std::filesystem::is_regular_file(path, error)) {
        file->second = std::make_unique<BinaryFile>(path, BinaryFile::Mode::kReadWrite);
      }
    }
    return file->second.get();
  }
  static uint64_t SlotOffset(int32_t patient) {
    return uint64_t(patient % kPatientsPerFile) * kPatientRecordSize;
  }

  // The chain of the day whose newest entry is `head`, walked when it is not known yet: the
  // entries with a header up to where the walk stopped.
  std::vector<ChartPosition>& DayChain(int32_t day, ChartPosition head) {
    std::vector<ChartPosition>& chain = day_chains[day];
    if (chain.empty() || chain.front() != head) {
      chain.clear();
      WalkChain(Charts(), head, ChainKind::kDay, EntryDetail::kFraming,
                [&](const ChartEntryRead& entry) {
                  if (entry.header) chain.push_back(entry.position);
                });
    }
    return chain;
  }

  // The chain of the patient whose newest entry is `head`, walked when it is not known yet.
  std::vector<PatientLink>& PatientChain(int32_t patient, ChartPosition head) {
    std::vector<PatientLink>& chain = patient_chains[patient];
    if (chain.empty() || chain.front().position != head) chain = WalkPatientChain(Charts(), head);
    return chain;
  }

  // AppendEntryBytes through the open files; a file the listing lacks is made (or found) as
  // there, and the folder listed again.
  AppendedBytes Append(ChartPosition append_point, std::string_view bytes) {
    const ChartPosition target = AppendTarget(append_point);
    BinaryFile* file = Charts().Open(target.file_code);
    bool created = false;
    if (file == nullptr) {
      std::error_code error;
      std::filesystem::create_directories(store.ChartFolder(), error);
      const std::filesystem::path path = ChartFilePath(store, target.file_code);
      created = !std::filesystem::exists(path, error);
      BinaryFile(path, BinaryFile::Mode::kOpenOrCreate).Close();
      charts.reset();
      file = Charts().Open(target.file_code);
      if (file == nullptr) throw Error("cannot open the chart file " + path.string());
    }
    return WriteAppendedBytes(*file, target, bytes, created);
  }
  // Takes appended bytes out again, with no chart file open.
  void TakeBack(const AppendedBytes& appended) {
    charts.reset();
    UndoAppendedBytes(appended);
  }

  // Sets one link of the header of the entry at `entry`.
  void RelinkHeader(ChartPosition entry, ChainKind kind, ChartPosition to, UndoLog& undo) {
    BinaryFile* file = Charts().Open(entry.file_code);
    if (file == nullptr) {
      throw Error("chart file " + ChartFileName(entry.file_code) +
                  " of an entry to relink is gone");
    }
    ChartHeader header;
    file->ReadAt(HeaderPayloadAt(entry), kChartHeaderSize, header.data());
    using namespace header_field;
    if (kind == ChainKind::kPatient) {
      header.Set(kPreviousOfPatientFileCode, to.file_code);
      header.Set(kPreviousOfPatientOffset, to.offset);
    } else {
      header.Set(kPreviousOfDayFileCode, to.file_code);
      header.Set(kPreviousOfDayOffset, to.offset);
    }
    undo.WriteAt(*file, entry.file_code, HeaderPayloadAt(entry), header.view());
  }
  // SetChartHead through the open patient file.
  void SetChartHead(int32_t patient, ChartPosition head, UndoLog& undo) {
    BinaryFile* file = PatientFile(patient);
    if (file == nullptr) return;
    PatientRecord record;
    file->ReadAt(SlotOffset(patient), kPatientRecordSize, record.data());
    record.Set(patient_field::kChartFileCode, head.file_code);
    record.Set(patient_field::kChartOffset, head.offset);
    record.Set(patient_field::kChecksum, PatientChecksum(record));
    undo.WriteAt(*file, std::nullopt, SlotOffset(patient), record.view());
  }

  // After a failed replacement nothing held is trusted: it is read again from the files.
  void Forget() {
    charts.reset();
    patient_files.clear();
    days.reset();
    day_file.reset();
    day_chains.clear();
    patient_chains.clear();
  }
};

VisitReplacementSession::VisitReplacementSession(StoreLocation store)
    : state_(std::make_unique<State>()) {
  state_->store = std::move(store);
}

VisitReplacementSession::~VisitReplacementSession() = default;

void VisitReplacementSession::Close() {
  State& s = *state_;
  if (s.charts) s.charts->Close();
  if (s.day_file) s.day_file->Close();
  for (auto& [number, file] : s.patient_files) {
    if (file) file->Close();
  }
  s.Forget();
}

ChartPosition VisitReplacementSession::PatientChartHead(int32_t patient) {
  BinaryFile* file = state_->PatientFile(patient);
  if (file == nullptr) return {0, -1};
  PatientRecord record;
  file->ReadAt(State::SlotOffset(patient), kPatientRecordSize, record.data());
  if (record.Get(patient_field::kNumber) != patient) return {0, -1};
  return {record.Get(patient_field::kChartFileCode), record.Get(patient_field::kChartOffset)};
}

std::vector<RecentVisit> VisitReplacementSession::LoadRecentVisits(int32_t patient,
                                                                   std::string_view roc_date,
                                                                   int days) {
  const std::optional<int32_t> last_day = LastDayOf(roc_date);
  if (!last_day) return {};
  const ChartPosition head = PatientChartHead(patient);
  if (head.offset < 0) return {};
  return CollectRecentVisits(state_->Charts(), state_->PatientChain(patient, head), *last_day,
                             days);
}

bool VisitReplacementSession::ReplaceVisitEntry(int32_t patient, std::string_view visit_stamp,
                                                std::string_view exam_text,
                                                const std::vector<OrderRecord>& new_orders,
                                                std::string_view institution_code,
                                                const std::vector<OrderStamp>& stamps) {
  State& s = *state_;
  const DateTime wanted = RocStampToDateTime(visit_stamp);
  if (wanted == 0) return false;
  const std::string wanted_text = RocStamp(wanted);
  const ChartPosition patient_head = PatientChartHead(patient);
  if (patient_head.offset < 0) return false;

  // Every check first: the old entry, its newer neighbours in both chains, the day record.
  std::vector<PatientLink>& patient_chain = s.PatientChain(patient, patient_head);
  const auto in_patient = std::find_if(
      patient_chain.begin(), patient_chain.end(),
      [&](const PatientLink& link) { return RocStamp(link.header_time) == wanted_text; });
  if (in_patient == patient_chain.end() || !in_patient->well_formed) return false;
  std::optional<ChartPosition> newer_of_patient;
  if (in_patient != patient_chain.begin()) newer_of_patient = std::prev(in_patient)->position;
  const size_t place_in_patient = static_cast<size_t>(in_patient - patient_chain.begin());
  const std::optional<ChartEntryRead> old = ReadChartEntry(
      *s.Charts().Open(in_patient->position.file_code), in_patient->position, EntryDetail::kFull);
  if (!old->well_formed) return false;
  const DateTime visit_time = old->header->Get(header_field::kVisitDateTime);
  DayIndex& days = s.Days();
  if (days.size() == 0) return false;
  const ChartPosition day_head = days.Get(visit_time);
  if (day_head.offset < 0) return false;
  std::vector<ChartPosition>& day_chain = s.DayChain(DayNumberOf(visit_time).value_or(0), day_head);
  const auto in_day = std::find(day_chain.begin(), day_chain.end(), old->position);
  if (in_day == day_chain.end()) return false;
  const size_t place_in_day = static_cast<size_t>(in_day - day_chain.begin());
  std::optional<ChartPosition> newer_of_day;
  if (place_in_day > 0) newer_of_day = day_chain[place_in_day - 1];

  const std::string copy =
      CopyEntry(*old, *old->header, exam_text, new_orders, institution_code, stamps);
  const AppendedBytes appended = s.Append(days.append_point(), copy);
  UndoLog undo;
  try {
    // The day index: the append point, and the day's newest entry when the old one was it.
    days.set_append_point(appended.next);
    size_t day_record = 0;
    if (!newer_of_day) {
      day_record =
          days.Set(DayCountMode::kKeep, 0, appended.at.file_code, appended.at.offset, visit_time);
    }
    BinaryFile& day_file = s.DayFile();
    undo.WriteAt(day_file, std::nullopt, 0, days.RecordBytes(0));
    if (day_record != 0) {
      undo.WriteAt(day_file, std::nullopt, day_record * kDayRecordSize,
                   days.RecordBytes(day_record));
    }
    if (newer_of_day) s.RelinkHeader(*newer_of_day, ChainKind::kDay, appended.at, undo);
    TestPoint(kReplaceDayLinkedTestPoint);
    if (newer_of_patient) {
      s.RelinkHeader(*newer_of_patient, ChainKind::kPatient, appended.at, undo);
    } else {
      s.SetChartHead(patient, appended.at, undo);
    }
    TestPoint(kReplacePatientLinkedTestPoint);
  } catch (...) {
    struct ForgetOnExit {
      State& state;
      ~ForgetOnExit() { state.Forget(); }
    } forget{s};
    undo.Undo(s.Charts());
    s.TakeBack(appended);
    throw;
  }
  // The copy takes the old entry's place in both chains; it is as well formed as the old one.
  day_chain[place_in_day] = appended.at;
  patient_chain[place_in_patient].position = appended.at;
  return true;
}

ChartPosition GetPatientChartHead(const StoreLocation& store, int32_t patient) {
  PatientRecord record;
  if (!ReadPatient(store, patient, record)) return {0, -1};
  return {record.Get(patient_field::kChartFileCode), record.Get(patient_field::kChartOffset)};
}

std::vector<RecentVisit> LoadRecentVisits(const StoreLocation& store, int32_t patient,
                                          std::string_view roc_date, int days) {
  const std::optional<int32_t> last_day = LastDayOf(roc_date);
  if (!last_day) return {};
  const ChartPosition head = GetPatientChartHead(store, patient);
  if (head.offset < 0) return {};
  ChartFileSet files(store);
  return CollectRecentVisits(files, WalkPatientChain(files, head), *last_day, days);
}

bool ReplaceVisitEntry(const StoreLocation& store, int32_t patient, std::string_view visit_stamp,
                       std::string_view exam_text, const std::vector<OrderRecord>& new_orders,
                       std::string_view institution_code, const std::vector<OrderStamp>& stamps) {
  VisitReplacementSession session(store);
  const bool replaced = session.ReplaceVisitEntry(patient, visit_stamp, exam_text, new_orders,
                                                  institution_code, stamps);
  session.Close();
  return replaced;
}

}  // namespace zuvo
