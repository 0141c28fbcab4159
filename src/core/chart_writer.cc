#include "core/chart_writer.h"

#include <limits>
#include <system_error>

#include "core/chart_store.h"
#include "core/day_number.h"
#include "core/patient_store.h"
#include "platform/error.h"

namespace zuvo {
namespace {

// Entries are written to the chart file in chunks of about this size.
constexpr size_t kWriteChunk = 1 << 20;

int32_t DayNumberOrZero(double date_time) { return DayNumberOf(date_time).value_or(0); }

void RecreateChartFolder(const StoreLocation& store) {
  std::error_code error;
  std::filesystem::path existing = store.ChartFolder();
  std::filesystem::remove_all(existing, error);
  if (error)
    throw Error("cannot delete the chart folder " + existing.string() + ": " + error.message());
  std::filesystem::path folder = store.server_data_folder / "CHART";
  std::filesystem::create_directories(folder, error);
  if (error)
    throw Error("cannot create the chart folder " + folder.string() + ": " + error.message());
}

int32_t CheckedOffset(uint64_t byte_after, const std::filesystem::path& file) {
  if (byte_after + 1 > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    throw Error(file.string() + " has grown past the offsets a chart position can hold");
  }
  return static_cast<int32_t>(byte_after + 1);
}

void SetPreviousOfPatient(ChartHeader& header, ChartPosition previous) {
  header.Set(header_field::kPreviousOfPatientFileCode, previous.file_code);
  header.Set(header_field::kPreviousOfPatientOffset, previous.offset);
}

void SetPreviousOfDay(ChartHeader& header, ChartPosition previous) {
  header.Set(header_field::kPreviousOfDayFileCode, previous.file_code);
  header.Set(header_field::kPreviousOfDayOffset, previous.offset);
}

}  // namespace

FreshChartStoreWriter::FreshChartStoreWriter(StoreLocation store,
                                             const FreshChartStoreSettings& settings)
    : store_(std::move(store)),
      size_limit_(uint64_t(settings.file_size_millions) * 1'000'000),
      links_(static_cast<size_t>(HighestPatientNumber(store_)) + 1),
      days_(DayNumberOrZero(settings.opening_date), DayNumberOrZero(settings.now) + 1) {
  RecreateChartFolder(store_);
  StartFile();
}

FreshChartStoreWriter::~FreshChartStoreWriter() = default;

void FreshChartStoreWriter::StartFile() {
  if (position_.file_code > kHighestChartFileCode) {
    throw Error("the chart store needs more than " + std::to_string(kHighestChartFileCode + 1) +
                " chart files; raise the file size");
  }
  file_ = std::make_unique<BinaryFile>(ChartFilePath(store_, position_.file_code),
                                       BinaryFile::Mode::kCreate);
}

PatientChartLink& FreshChartStoreWriter::link(int32_t patient) {
  if (patient <= 0 || patient > highest_patient_number()) {
    throw Error("patient " + std::to_string(patient) + " is not in the patient store");
  }
  return links_[static_cast<size_t>(patient)];
}

bool FreshChartStoreWriter::Accepts(int32_t patient, double visit_date_time) const {
  std::optional<int32_t> day = DayNumberOf(visit_date_time);
  return patient > 0 && patient <= highest_patient_number() && day && days_.RecordOf(*day);
}

ChartPosition FreshChartStoreWriter::Write(ChartEntry& entry) {
  int32_t patient = entry.visit.Get(visit_field::kPatientNumber);
  double visit = entry.visit.Get(visit_field::kVisitDateTime);
  if (!Accepts(patient, visit)) {
    throw Error("no chart entry can be written for patient " + std::to_string(patient) + " on " +
                FormatDateTime(visit));
  }
  FillHeaderConstants(entry.header, entry.visit);

  PatientChartLink& patient_link = links_[static_cast<size_t>(patient)];
  SetPreviousOfPatient(entry.header, {patient_link.Get(link_field::kFileCode),
                                      patient_link.Get(link_field::kOffset)});
  patient_link.Set(link_field::kFileCode, position_.file_code);
  patient_link.Set(link_field::kOffset, position_.offset);

  double earliest = patient_link.Get(link_field::kEarliestVisit);
  if (earliest == 0 || DayNumberOrZero(earliest) >= DayNumberOrZero(visit)) {
    patient_link.Set(link_field::kEarliestVisit, visit);
  } else {
    entry.visit.Set(
        visit_field::kVisitFlags,
        static_cast<int16_t>(entry.visit.Get(visit_field::kVisitFlags) | kVisitFlagReturnVisit));
  }
  if (visit > patient_link.Get(link_field::kLatestVisit)) {
    patient_link.Set(link_field::kLatestVisit, visit);
    patient_link.Set(link_field::kPaymentClass, entry.visit.Get(visit_field::kPaymentClass));
  }

  DayRecord& day = days_.record(*days_.RecordOf(DayNumberOrZero(visit)));
  SetPreviousOfDay(entry.header, day.newest);
  ++day.count;
  day.newest = position_;

  ChartPosition written = position_;
  const size_t entry_start = buffer_.size();
  try {
    EncodeChartEntry(entry, buffer_);
  } catch (...) {
    buffer_.resize(entry_start);
    throw;
  }
  position_.offset = CheckedOffset(file_->size() + buffer_.size(), file_->path());
  if (buffer_.size() >= kWriteChunk) WriteBuffered();
  if (uint64_t(position_.offset) > size_limit_) {
    WriteBuffered();
    file_->Close();
    ++position_.file_code;
    position_.offset = 1;
    StartFile();
  }
  return written;
}

void FreshChartStoreWriter::WriteBuffered() {
  file_->Append(buffer_);
  buffer_.clear();
}

void FreshChartStoreWriter::UpdatePatientRecords() {
  ForEachPatientFile(store_, BinaryFile::Mode::kReadWrite, [&](PatientFileRecords& patients) {
    patients.ForEachSlot([&](const PatientSlot& slot, PatientRecord& record) {
      // Only a valid slot has a link of its own; a damaged slot is left as it is.
      if (!slot.Valid() || slot.number > highest_patient_number()) return;
      const PatientChartLink& patient_link = links_[static_cast<size_t>(slot.number)];
      char payment_class = patient_link.Get(link_field::kPaymentClass);
      if (payment_class != ' ' && payment_class != '\0') {
        record.Set(patient_field::kPaymentClass, payment_class);
      }
      record.Set(patient_field::kChartFileCode, patient_link.Get(link_field::kFileCode));
      record.Set(patient_field::kChartOffset, patient_link.Get(link_field::kOffset));
      record.Set(patient_field::kChecksum, PatientChecksum(record));
      patients.Replace(slot, record);
    });
    patients.WriteBack();
  });
}

void FreshChartStoreWriter::Finish() {
  if (file_) {
    WriteBuffered();
    file_->Close();
    file_.reset();
  }
  days_.set_append_point(position_);
  UpdatePatientRecords();
  SaveDayIndex(store_, days_);
}

ChartPosition AppendTarget(ChartPosition append_point) {
  ChartPosition position = append_point;
  if (position.offset > kAppendFileLimit) {
    ++position.file_code;
    position.offset = 1;
  }
  if (position.offset <= 0) position.offset = 1;
  if (position.file_code < 0 || position.file_code > kHighestChartFileCode) {
    throw Error("the append point names file code " + std::to_string(position.file_code) +
                ", which no chart file can have");
  }
  return position;
}

AppendedBytes WriteAppendedBytes(BinaryFile& file, ChartPosition target, std::string_view bytes,
                                 bool created) {
  AppendedBytes appended;
  appended.file = file.path();
  appended.created = created;
  appended.old_size = file.size();
  // A stale append point must not overwrite entries: write after the last byte of the file.
  if (file.size() != uint64_t(target.offset) - 1) {
    target.offset = CheckedOffset(file.size(), file.path());
  }
  file.WriteAt(uint64_t(target.offset) - 1, bytes);
  file.Flush();
  appended.at = target;
  appended.next = {target.file_code, CheckedOffset(file.size(), file.path())};
  return appended;
}

AppendedBytes AppendEntryBytes(const StoreLocation& store, ChartPosition append_point,
                               std::string_view bytes) {
  const ChartPosition position = AppendTarget(append_point);
  std::error_code error;
  std::filesystem::create_directories(store.ChartFolder(), error);
  const std::filesystem::path path = ChartFilePath(store, position.file_code);
  const bool created = !std::filesystem::exists(path, error);
  BinaryFile file(path, BinaryFile::Mode::kOpenOrCreate);
  AppendedBytes appended = WriteAppendedBytes(file, position, bytes, created);
  file.Close();
  return appended;
}

void UndoAppendedBytes(const AppendedBytes& appended) {
  std::error_code error;
  if (appended.created) {
    std::filesystem::remove(appended.file, error);
  } else {
    std::filesystem::resize_file(appended.file, appended.old_size, error);
  }
  if (error) {
    throw Error("cannot take the appended entry out of " + appended.file.string() + ": " +
                error.message());
  }
}

ChartPosition AppendChartEntry(const StoreLocation& store, ChartEntry& entry) {
  int32_t patient = entry.visit.Get(visit_field::kPatientNumber);
  double visit = entry.visit.Get(visit_field::kVisitDateTime);
  std::optional<int32_t> visit_day = DayNumberOf(visit);
  if (!visit_day || *visit_day == 0) {
    throw Error("a chart entry needs a visit date; patient " + std::to_string(patient) + " has " +
                FormatDateTime(visit));
  }
  PatientRecord record;
  if (!ReadPatient(store, patient, record)) {
    throw Error("patient " + std::to_string(patient) + " has no record in " +
                store.server_data_folder.string());
  }
  DayIndex days = LoadDayIndex(store);
  if (days.size() == 0) throw Error(store.DayIndexPath().string() + " has no first-day record");

  FillHeaderConstants(entry.header, entry.visit);
  SetPreviousOfPatient(entry.header, {record.Get(patient_field::kChartFileCode),
                                      record.Get(patient_field::kChartOffset)});
  ChartPosition previous_of_day = days.Get(visit);
  SetPreviousOfDay(entry.header, previous_of_day.offset < 0 ? ChartPosition{} : previous_of_day);

  std::string bytes;
  EncodeChartEntry(entry, bytes);
  AppendedBytes appended = AppendEntryBytes(store, days.append_point(), bytes);

  days.set_append_point(appended.next);
  days.Set(DayCountMode::kAdd, 1, appended.at.file_code, appended.at.offset, visit);
  SaveDayIndex(store, days);
  SetChartHead(store, patient, appended.at.file_code, appended.at.offset);
  return appended.at;
}

}  // namespace zuvo
