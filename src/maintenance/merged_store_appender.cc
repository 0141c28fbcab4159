#include "maintenance/merged_store_appender.h"

#include <limits>

#include "core/chart_store.h"
#include "core/chart_writer.h"
#include "core/day_number.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

int32_t OffsetAfter(const BinaryFile& file) {
  if (file.size() + 1 > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
    throw Error(file.path().string() + " has grown past the offsets a chart position can hold");
  }
  return static_cast<int32_t>(file.size() + 1);
}

}  // namespace

MergedStoreAppender::MergedStoreAppender(StoreLocation store)
    : store_(std::move(store)), days_(LoadDayIndex(store_)) {
  if (days_.size() == 0) throw Error(store_.DayIndexPath().string() + " has no first-day record");
  position_ = days_.append_point();
  if (position_.offset <= 0) position_.offset = 1;
  if (position_.offset > kAppendFileLimit) position_ = {position_.file_code + 1, 1};
}

MergedStoreAppender::~MergedStoreAppender() = default;

void MergedStoreAppender::OpenFile() {
  if (position_.file_code < 0 || position_.file_code > kHighestChartFileCode) {
    throw Error("the append point of " + store_.DayIndexPath().string() + " names file code " +
                std::to_string(position_.file_code) + ", which no chart file can have");
  }
  CreateFolders(store_.ChartFolder());
  file_ = std::make_unique<BinaryFile>(ChartFilePath(store_, position_.file_code),
                                       BinaryFile::Mode::kOpenOrCreate);
  // An append point behind the end of its file must not overwrite entries.
  if (file_->size() != uint64_t(position_.offset) - 1) position_.offset = OffsetAfter(*file_);
}

ChartPosition MergedStoreAppender::Append(MergedEntry& entry, ChartPosition previous_of_patient) {
  double visit = entry.visit.Get(visit_field::kVisitDateTime);
  std::optional<int32_t> day = DayNumberOf(visit);
  if (!day || *day <= 0) {
    throw Error("patient " + std::to_string(entry.visit.Get(visit_field::kPatientNumber)) +
                " has a visit without a date (" + FormatDateTime(visit) + ")");
  }
  if (!file_) OpenFile();
  using namespace header_field;
  entry.header.Set(kPreviousOfPatientFileCode, previous_of_patient.file_code);
  entry.header.Set(kPreviousOfPatientOffset, previous_of_patient.offset);
  ChartPosition previous_of_day = days_.Get(visit);
  if (previous_of_day.offset < 0) previous_of_day = {};
  entry.header.Set(kPreviousOfDayFileCode, previous_of_day.file_code);
  entry.header.Set(kPreviousOfDayOffset, previous_of_day.offset);

  const ChartPosition written = position_;
  buffer_.clear();
  EncodeMergedEntry(entry, buffer_);
  file_->WriteAt(uint64_t(written.offset) - 1, buffer_);
  days_.Set(DayCountMode::kAdd, 1, written.file_code, written.offset, visit);
  position_.offset = OffsetAfter(*file_);
  if (position_.offset > kAppendFileLimit) {
    file_->Close();
    file_.reset();
    position_ = {position_.file_code + 1, 1};
  }
  return written;
}

void MergedStoreAppender::Finish() {
  if (file_) {
    file_->Close();
    file_.reset();
  }
  days_.set_append_point(position_);
  SaveDayIndex(store_, days_);
}

}  // namespace zuvo
