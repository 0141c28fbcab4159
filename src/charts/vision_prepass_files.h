#pragma once

// The files the Vision visit pre-pass leaves in a work tree for the chart conversion:
// - CC.rd: chief complaints, fixed 276-byte records;
// - MXdo.mx: order lines, fixed 296-byte records holding a 272-byte OrderRecord image;
// - ANTCHECK.MDB tables CClink / MXlink: per patient the record number (0-based) of the newest
//   record in CC.rd / MXdo.mx; each record links to the same patient's previous record (-1 for
//   the first), so a patient's records are found newest first;
// - REF.txt: "A"/"B" + national ID + yyyymmdd + digit = referral file name in NHI_REF;
// - 不明處置.txt: the unknown order codes, one a line.
// All integers little-endian; texts Big5, "string[n]" = length byte + n bytes.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/chart_records.h"
#include "core/packed_fields.h"
#include "platform/dbf_mapped_file.h"

namespace zuvo {

class Database;

inline constexpr std::string_view kComplaintFileName = "CC.rd";
inline constexpr std::string_view kOrderLineFileName = "MXdo.mx";
inline constexpr std::string_view kReferralIndexFileName = "REF.txt";
inline constexpr std::string_view kUnknownOrderCodesFileNameUtf8 = "不明處置.txt";
inline constexpr std::string_view kChainDatabaseFileName = "ANTCHECK.MDB";
inline constexpr std::string_view kChainDatabaseBlankFileName = "ANTCHECK_BLANK.MDB";
inline constexpr std::string_view kComplaintLinkTable = "CClink";
inline constexpr std::string_view kOrderLinkTable = "MXlink";

// The link of a patient's first record.
inline constexpr int32_t kNoPreviousRecord = -1;

// CC.rd record.
inline constexpr size_t kComplaintRecordSize = 276;
using ComplaintRecord = PackedRecord<kComplaintRecordSize>;
namespace complaint_field {
inline constexpr Int32Field kPatientNumber{0};  // KCSTMR
inline constexpr TextField kDate{4, 7};         // SDATE, ROC yyymmdd
inline constexpr TextField kTime{12, 6};        // STIME, hhnnss
inline constexpr TextField kText{19, 250};      // STEXT, trimmed, cut to 250 bytes
inline constexpr BytesField kZero270{270, 2};
inline constexpr Int32Field kPreviousRecord{272};
}  // namespace complaint_field
static_assert(FieldEnd(complaint_field::kDate) == complaint_field::kTime.offset);
static_assert(FieldEnd(complaint_field::kTime) == complaint_field::kText.offset);
static_assert(FieldEnd(complaint_field::kText) == complaint_field::kZero270.offset);
static_assert(FieldEnd(complaint_field::kZero270) == complaint_field::kPreviousRecord.offset);
static_assert(FieldEnd(complaint_field::kPreviousRecord) == kComplaintRecordSize);
static_assert(sizeof(ComplaintRecord) == kComplaintRecordSize);

// MXdo.mx record.
inline constexpr size_t kOrderLineRecordSize = 296;
using OrderLineRecord = PackedRecord<kOrderLineRecordSize>;
namespace order_line_field {
inline constexpr Int32Field kPatientNumber{0};  // KCSTMR
inline constexpr TextField kDate{4, 7};         // PDATE, ROC yyymmdd
inline constexpr TextField kTime{12, 6};        // PTIME, hhnnss
inline constexpr BytesField kOrderImage{19, kOrderRecordSize};
inline constexpr BytesField kZero291{291, 1};
inline constexpr Int32Field kPreviousRecord{292};
}  // namespace order_line_field
static_assert(FieldEnd(order_line_field::kDate) == order_line_field::kTime.offset);
static_assert(FieldEnd(order_line_field::kTime) == order_line_field::kOrderImage.offset);
static_assert(FieldEnd(order_line_field::kOrderImage) == order_line_field::kZero291.offset);
static_assert(FieldEnd(order_line_field::kZero291) == order_line_field::kPreviousRecord.offset);
static_assert(FieldEnd(order_line_field::kPreviousRecord) == kOrderLineRecordSize);
static_assert(sizeof(OrderLineRecord) == kOrderLineRecordSize);

// Per patient: record number of the newest record (the CClink / MXlink rows).
using ChainHeads = std::unordered_map<int32_t, int32_t>;

// Writes one chained record file from scratch: each appended record is linked to the same
// patient's previous record and becomes the patient's head. Output is buffered; Close() (or the
// destructor, which cannot report errors) flushes. Throws Error naming the file on failure.
template <size_t Size>
class ChainedRecordWriter {
 public:
  ChainedRecordWriter(const std::filesystem::path& file, Int32Field patient_field,
                      Int32Field link_field);
  ~ChainedRecordWriter();
  ChainedRecordWriter(const ChainedRecordWriter&) = delete;
  ChainedRecordWriter& operator=(const ChainedRecordWriter&) = delete;

  // Sets the record's link from the patient's head (the patient number must already be in the
  // record), writes it at the end and returns its record number.
  int32_t Append(PackedRecord<Size>& record);
  void Close();

  const ChainHeads& heads() const { return heads_; }
  int32_t record_count() const { return count_; }

 private:
  std::filesystem::path file_;
  std::ofstream out_;
  std::unique_ptr<char[]> buffer_;
  Int32Field patient_field_;
  Int32Field link_field_;
  ChainHeads heads_;
  int32_t count_ = 0;
};
using ComplaintWriter = ChainedRecordWriter<kComplaintRecordSize>;
using OrderLineWriter = ChainedRecordWriter<kOrderLineRecordSize>;
ComplaintWriter OpenComplaintWriter(const std::filesystem::path& file);
OrderLineWriter OpenOrderLineWriter(const std::filesystem::path& file);

// Replaces the rows of `table` (CClink or MXlink) with `heads`, in one transaction.
void WriteChainHeads(Database& database, std::string_view table, const ChainHeads& heads);
// The rows of `table`, read once into a map.
ChainHeads ReadChainHeads(Database& database, std::string_view table);

// A record of a chained record file seen in place, in the mapped file: its fields read without
// copying the record.
class RecordView {
 public:
  explicit RecordView(std::string_view bytes) : bytes_(bytes) {}
  std::string_view bytes() const { return bytes_; }
  int32_t Get(Int32Field field) const { return LoadI32(bytes_.data() + field.offset); }
  // The text's `length` bytes; a length byte above the capacity counts as the capacity (as
  // PackedRecord::Get reads it).
  std::string_view Get(TextField field) const {
    const size_t length =
        std::min<size_t>(static_cast<unsigned char>(bytes_[field.offset]), field.capacity);
    return bytes_.substr(field.offset + 1, length);
  }
  std::string_view Get(BytesField field) const { return bytes_.substr(field.offset, field.size); }

 private:
  std::string_view bytes_;
};

// The OrderRecord image held in an MXdo.mx record, and the reverse.
OrderRecord OrderImageOf(const OrderLineRecord& line);
OrderRecord OrderImageOf(RecordView line);
void SetOrderImage(OrderLineRecord& line, const OrderRecord& order);

// A chained record file read for the chart conversion. The file is mapped, not copied; every
// record reached from the heads is indexed by visit date (the date text as stored, packed into one
// integer) and patient, so a visit finds its records without walking its patient's history
// again. Building the index reads only the patient number, date and link of each record.
//
// A file as the pre-pass writes it (each record linked to the same patient's previous record,
// each head the patient's last record) is indexed in one pass in file order. Any other file is
// indexed by walking each chain from its head: a chain that reaches a record of another patient
// is damaged: the walk records the patient in damaged_patients() (the caller reports it) and goes
// on, as the records' links lead, and the record counts as that chain's. A link that does not
// point to an earlier record (beyond the file, or a loop) ends the walk and also marks the chain
// damaged.
template <size_t Size>
class ChainedRecordFile {
 public:
  // Maps `file` (a missing file reads as empty) and indexes every chain of `heads`. Throws Error
  // naming the file when its size is not a whole number of records or it cannot be read.
  ChainedRecordFile(const std::filesystem::path& file, const ChainHeads& heads,
                    Int32Field patient_field, TextField date_field, Int32Field link_field);

  int32_t record_count() const { return static_cast<int32_t>(bytes_.size() / Size); }
  PackedRecord<Size> Record(int32_t number) const;
  // The record's bytes in the mapped file; valid while this object lives.
  RecordView View(int32_t number) const {
    return RecordView(bytes_.substr(static_cast<size_t>(number) * Size, Size));
  }

  // The records of the patient's chain dated `roc_date` (compared with the stored text byte for
  // byte), in chain order: newest first. Empty when there are none.
  std::span<const int32_t> VisitRecords(int32_t patient, std::string_view roc_date) const;
  // Starts reading the index entry VisitRecords(patient, roc_date) looks at into the processor's
  // cache, so that a look-up made a little later does not wait for memory.
  void PrefetchVisit(int32_t patient, std::string_view roc_date) const;
  // The patient's head record, or kNoPreviousRecord.
  int32_t Head(int32_t patient) const;
  const std::vector<int32_t>& damaged_patients() const { return damaged_patients_; }
  // Drops the mapped pages from the resident set (see DbfMappedFile).
  void ReleaseResidentPages() const { mapped_.ReleaseResidentPages(); }

 private:
  // A slot of the open-addressing table of visits: the visit's records in ordered_. Empty while
  // count is 0.
  struct Visit {
    uint64_t date = 0;
    int32_t patient = 0;
    uint32_t begin = 0;
    uint32_t count = 0;
    bool used() const { return count != 0; }
  };
  // A record reached, with the number of its visit (in the order visits were first reached).
  struct Reached {
    uint32_t visit;
    int32_t number;
  };
  class VisitNumbers;

  bool IndexInFileOrder(VisitNumbers& visits, std::vector<Reached>& reached);
  void IndexAlongChains(VisitNumbers& visits, std::vector<Reached>& reached);
  void Group(const VisitNumbers& visits, const std::vector<Reached>& reached);

  DbfMappedFile mapped_;
  std::string_view bytes_;
  ChainHeads heads_;
  Int32Field patient_field_;
  TextField date_field_;
  Int32Field link_field_;
  std::vector<Visit> visits_;     // power-of-two size, at most half full
  std::vector<int32_t> ordered_;  // record numbers grouped per visit, newest first
  std::vector<int32_t> damaged_patients_;
};
using ComplaintFile = ChainedRecordFile<kComplaintRecordSize>;
using OrderLineFile = ChainedRecordFile<kOrderLineRecordSize>;
ComplaintFile OpenComplaintFile(const std::filesystem::path& file, const ChainHeads& heads);
OrderLineFile OpenOrderLineFile(const std::filesystem::path& file, const ChainHeads& heads);

// REF.txt: the index of referral files. Keys and values are Big5.
class ReferralIndex {
 public:
  // Adds key + the first digit 1–9 not yet used = file_name. Returns false (nothing added) when
  // all nine are taken.
  bool Add(std::string_view key, std::string_view file_name);
  // The value of a complete key (with digit), or empty.
  std::string Value(std::string_view full_key) const;
  // The first of key + 1 … key + 10 that has a value, removed from the index (each referral file
  // is used once per run); empty when none has one.
  std::string Take(std::string_view key);
  bool Contains(std::string_view full_key) const;
  size_t size() const { return lines_.size(); }

  // Lines "key=value", CRLF-terminated, in the order added.
  void Save(const std::filesystem::path& file) const;
  // A missing file gives an empty index; the first of duplicate keys wins.
  static ReferralIndex Load(const std::filesystem::path& file);

 private:
  struct Line {
    std::string key;
    std::string value;
  };
  std::vector<Line> lines_;
  std::unordered_map<std::string, size_t> position_;  // key → index in lines_
};

// 不明處置.txt: one Big5 code a line, CRLF-terminated.
void SaveUnknownOrderCodes(const std::filesystem::path& file,
                           const std::vector<std::string>& codes);
std::vector<std::string> LoadUnknownOrderCodes(const std::filesystem::path& file);

}  // namespace zuvo
