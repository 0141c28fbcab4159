#pragma once

// Replacing a visit entry of the append-only chart store: a rebuilt copy of the entry is
// appended at the append point and the day chain, the patient chain and the patient record are
// redirected from the old entry to the copy; the old entry stays behind as unreachable bytes.
// The copy is known, like every entry, by the position of its first byte (its header's tag).
// Also the reading routine that finds the entries a replacement starts from.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/chart_entry.h"
#include "core/chart_records.h"
#include "core/store_location.h"

namespace zuvo {

// The patient record's chain head (offsets 53/57); (0, -1) when the slot does not hold the
// patient.
ChartPosition GetPatientChartHead(const StoreLocation& store, int32_t patient);

// What a lab import needs of one visit entry: where it lies, its visit record, its exam texts
// and its order lines (each with its remark), in the order the entry holds them.
struct RecentVisit {
  ChartPosition position;
  VisitRecord visit;
  std::vector<std::string> exam_texts;
  std::vector<OrderLine> orders;
};

// The patient's well-formed entries whose visit day lies from `days` days before the ROC date
// `roc_date` (yyymmdd) up to that day, both ends included, in the order of the patient's chain
// (newest first). The whole chain is walked. Empty for a date that is no date, a patient
// without record or chain, or no entry in the window. A damaged entry is passed over.
std::vector<RecentVisit> LoadRecentVisits(const StoreLocation& store, int32_t patient,
                                          std::string_view roc_date, int days);

// Order code (Big5) and ROC time stamp (yyymmddhhnnss) of an order line that a report stamps.
using OrderStamp = std::pair<std::string, std::string>;

// Replaces the patient's entry whose visit date-time reads `visit_stamp` (a 13-character ROC
// time stamp, compared to the second) by a copy in which
// - every block but the exam texts is kept in its place (findings and other texts included);
// - each order line whose trimmed code equals (without regard to ASCII case) a code of `stamps`
//   is stamped: execution end := the stamp as date-time, executing staff := `institution_code`,
//   the text at 189 := the stamp written back by RocStamp;
// - `new_orders` follow the old order lines (without remarks), then one exam text holding
//   `exam_text` when it is not blank after trimming.
// The visit keeps its place in its day (the day's count is left alone). Every check is made
// before anything is written: false, with the store untouched, when no entry of the patient
// has that date-time, the entry is damaged, or the entry is missing from its day's chain. When
// a write fails half-way (a file error), what was written is undone, so that the store is as
// before, and the error is thrown on. One call is one VisitReplacementSession.
bool ReplaceVisitEntry(const StoreLocation& store, int32_t patient, std::string_view visit_stamp,
                       std::string_view exam_text, const std::vector<OrderRecord>& new_orders,
                       std::string_view institution_code, const std::vector<OrderStamp>& stamps);

// One import's hold on a store, for many replacements and the loading between them. The store's
// paths are resolved once; the chart files are listed once (again only after an append started
// a new file or a failed one was taken back) and held open, for reading and writing in place, by
// one ChartFileSet that loading, replacing, relinking and undoing share; the patient files are
// held open; the day index is read at the first replacement and kept in memory, a replacement
// writing only the records it changes, in place; the day chains and patient chains walked are
// kept for the session's life (some 250 bytes a patient), each copy taking its old entry's
// place. A replacement makes the checks, the writes (each flushed to the operating system
// before the next, in the order above) and the undo of ReplaceVisitEntry, so a failed or killed
// one leaves what a single call leaves; after a failure everything is read again from the
// files. Nothing else may write the store while a session is open. File errors throw Error
// naming the file.
class VisitReplacementSession {
 public:
  explicit VisitReplacementSession(StoreLocation store);
  ~VisitReplacementSession();  // closes the files without throwing; Close() to see errors
  VisitReplacementSession(const VisitReplacementSession&) = delete;
  VisitReplacementSession& operator=(const VisitReplacementSession&) = delete;

  // As the functions of the same name above.
  ChartPosition PatientChartHead(int32_t patient);
  std::vector<RecentVisit> LoadRecentVisits(int32_t patient, std::string_view roc_date, int days);
  bool ReplaceVisitEntry(int32_t patient, std::string_view visit_stamp, std::string_view exam_text,
                         const std::vector<OrderRecord>& new_orders,
                         std::string_view institution_code, const std::vector<OrderStamp>& stamps);
  // Closes every file; throws Error when one cannot be closed cleanly.
  void Close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Test points of a replacement: after the day chain is relinked, after the patient chain is.
inline constexpr std::string_view kReplaceDayLinkedTestPoint = "replace-visit-day-linked";
inline constexpr std::string_view kReplacePatientLinkedTestPoint = "replace-visit-patient-linked";

}  // namespace zuvo
