#pragma once

// Writing chart entries: a fresh chart store built by a chart conversion, and single entries
// appended to an existing store. The converters only assemble ChartEntry values; the writer
// fills the header, links each entry into its patient's chain and its day's chain, rolls over to
// a new chart file at the size limit, and at the end updates the patient records and writes the
// day index.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "core/binary_file.h"
#include "core/chart_entry.h"
#include "core/day_index.h"
#include "core/packed_fields.h"
#include "core/store_location.h"

namespace zuvo {

// The converters' working record of one patient, in memory only.
inline constexpr size_t kPatientChartLinkSize = 30;
using PatientChartLink = PackedRecord<kPatientChartLinkSize>;
namespace link_field {
inline constexpr Int32Field kFileCode{0};  // the patient's last written entry
inline constexpr Int32Field kOffset{4};
inline constexpr DateTimeField kEarliestVisit{8};  // 0 = none known
inline constexpr DateTimeField kLatestVisit{16};
inline constexpr TextField kLastCardSequence{24, 4};
inline constexpr CharField kPaymentClass{29};  // of the latest visit
}  // namespace link_field
static_assert(FieldEnd(link_field::kPaymentClass) == kPatientChartLinkSize);

struct FreshChartStoreSettings {
  int32_t file_size_millions = 6;  // the size limit of a chart file in millions of bytes, 1..12
  double opening_date = 0;         // the clinic's opening date: the day index's first day
  double now = 0;                  // the day index reaches through the day after this
};

// Builds a fresh chart store. Construction deletes the store's chart folder with everything in
// it, creates it anew with an empty chart file 0, and sizes the patient links (highest patient
// number of the patient store + 1) and the day index. Call Write for each accepted visit, then
// Finish. Errors throw Error naming the file.
class FreshChartStoreWriter {
 public:
  FreshChartStoreWriter(StoreLocation store, const FreshChartStoreSettings& settings);
  ~FreshChartStoreWriter();
  FreshChartStoreWriter(const FreshChartStoreWriter&) = delete;
  FreshChartStoreWriter& operator=(const FreshChartStoreWriter&) = delete;

  int32_t highest_patient_number() const { return static_cast<int32_t>(links_.size()) - 1; }
  int32_t first_day() const { return days_.first_day(); }
  // The working record of `patient` (1..highest_patient_number()); converters record earliest
  // visits and card sequences here before or between writes.
  PatientChartLink& link(int32_t patient);
  // True when `patient` has a record slot in the links and `visit` lies in the day index.
  bool Accepts(int32_t patient, double visit_date_time) const;

  // Links and writes one entry: the header is filled from the visit record, the return-visit
  // flag is set in the visit record when an earlier day is known for the patient, and the
  // patient's and the day's chains get the entry as their newest. Returns where it was written.
  // Throws Error when !Accepts(...).
  ChartPosition Write(ChartEntry& entry);
  // Where the next entry will be written.
  ChartPosition append_point() const { return position_; }

  // Closes the last chart file, stores the append point in the day index, writes every valid
  // patient record's chain head (and payment class of the latest visit) with a fresh checksum,
  // and replaces DayLink.Dat.
  void Finish();

 private:
  void StartFile();
  void WriteBuffered();
  void UpdatePatientRecords();

  StoreLocation store_;
  uint64_t size_limit_;
  std::vector<PatientChartLink> links_;
  DayIndex days_;
  ChartPosition position_{0, 1};
  std::unique_ptr<BinaryFile> file_;
  std::string buffer_;  // encoded entries not yet written to file_
};

// The offset of the append point beyond which an appended entry starts the next chart file.
inline constexpr int32_t kAppendFileLimit = 6'000'000;

// Writes the bytes of one entry at the store's append point `append_point`: in the next chart
// file (offset 1) when the append point's offset exceeds kAppendFileLimit, and after the file's
// last byte when the append point lags behind it. Links nothing; the caller links the entry and
// moves the append point to `next`. Throws Error naming the file.
struct AppendedBytes {
  ChartPosition at;    // where the entry's first byte lies: the position it is known by
  ChartPosition next;  // the append point after it
  std::filesystem::path file;
  uint64_t old_size = 0;  // the file's size before
  bool created = false;   // the file did not exist before
};
AppendedBytes AppendEntryBytes(const StoreLocation& store, ChartPosition append_point,
                               std::string_view bytes);
// The two halves of AppendEntryBytes, for a caller that holds the chart files open: where an
// entry appended at `append_point` goes (the next file at offset 1 past the limit; Error for a
// file code no chart file can have), and the write into `file`, the open chart file of
// `target` (`created` when it was made for this entry), flushed to the operating system.
ChartPosition AppendTarget(ChartPosition append_point);
AppendedBytes WriteAppendedBytes(BinaryFile& file, ChartPosition target, std::string_view bytes,
                                 bool created);
// Takes appended bytes out again: the file back to its old size, or gone when it was created.
void UndoAppendedBytes(const AppendedBytes& appended);

// Appends `entry` to an existing store at its append point (the next chart file when the append
// point's offset exceeds 6,000,000), then advances the append point, counts the entry on its day
// and makes it the newest entry of its day and of its patient. The patient record must exist.
// Throws Error (before anything is written) for a missing patient or day index.
ChartPosition AppendChartEntry(const StoreLocation& store, ChartEntry& entry);

}  // namespace zuvo
