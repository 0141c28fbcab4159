#include "charts/vision_prepass_files.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"

namespace zuvo {
namespace {

constexpr size_t kWriteBufferSize = 1 << 20;
constexpr size_t kChainsBetweenPageReleases = 4096;
constexpr int32_t kRecordsBetweenPageReleases = 65536;
// A date text of up to seven bytes packs into one integer with its length.
constexpr size_t kMaxPackedDate = 7;
static_assert(complaint_field::kDate.capacity <= kMaxPackedDate);
static_assert(order_line_field::kDate.capacity <= kMaxPackedDate);

// The date text as one integer: its bytes from the highest byte down, zero after the text, and
// its length in the lowest byte, so that dates of one length sort as their texts do.
uint64_t PackedDate(std::string_view date) {
  uint64_t packed = 0;
  for (size_t i = 0; i < kMaxPackedDate; ++i) {
    packed = packed << 8 | (i < date.size() ? static_cast<unsigned char>(date[i]) : 0u);
  }
  return packed << 8 | date.size();
}

size_t VisitHash(int32_t patient, uint64_t date) {
  uint64_t hash = date + 0x9E3779B97F4A7C15ULL * static_cast<uint32_t>(patient);
  hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ULL;
  hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBULL;
  return static_cast<size_t>(hash ^ (hash >> 31));
}

// The slot of an open-addressing table (power-of-two size, never full) holding the visit, or the
// empty slot where it belongs.
template <typename Slot>
size_t SlotOf(const std::vector<Slot>& slots, int32_t patient, uint64_t date) {
  const size_t mask = slots.size() - 1;
  for (size_t slot = VisitHash(patient, date) & mask;; slot = (slot + 1) & mask) {
    const Slot& at = slots[slot];
    if (!at.used() || (at.date == date && at.patient == patient)) return slot;
  }
}

std::string FileText(const std::filesystem::path& file) { return PathToUtf8(file); }

// Splits a text file into lines without their CR/LF.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

OrderRecord OrderImageOf(RecordView line) {
  OrderRecord order;
  order.Assign(line.Get(order_line_field::kOrderImage));
  return order;
}

OrderRecord OrderImageOf(const OrderLineRecord& line) {
  return OrderImageOf(RecordView(line.view()));
}

void SetOrderImage(OrderLineRecord& line, const OrderRecord& order) {
  std::memcpy(line.data() + order_line_field::kOrderImage.offset, order.data(), kOrderRecordSize);
}

template <size_t Size>
ChainedRecordWriter<Size>::ChainedRecordWriter(const std::filesystem::path& file,
                                               Int32Field patient_field, Int32Field link_field)
    : file_(file),
      buffer_(std::make_unique<char[]>(kWriteBufferSize)),
      patient_field_(patient_field),
      link_field_(link_field) {
  out_.rdbuf()->pubsetbuf(buffer_.get(), kWriteBufferSize);
  out_.open(file, std::ios::binary | std::ios::trunc);
  if (!out_) throw Error("無法建立檔案: " + FileText(file));
}

template <size_t Size>
ChainedRecordWriter<Size>::~ChainedRecordWriter() {
  if (out_.is_open()) out_.close();
}

template <size_t Size>
int32_t ChainedRecordWriter<Size>::Append(PackedRecord<Size>& record) {
  int32_t patient = record.Get(patient_field_);
  auto [head, inserted] = heads_.try_emplace(patient, count_);
  record.Set(link_field_, inserted ? kNoPreviousRecord : head->second);
  head->second = count_;
  out_.write(record.data(), Size);
  if (!out_) throw Error("無法寫入檔案: " + FileText(file_));
  return count_++;
}

template <size_t Size>
void ChainedRecordWriter<Size>::Close() {
  if (!out_.is_open()) return;
  out_.flush();
  bool good = static_cast<bool>(out_);
  out_.close();
  if (!good || out_.fail()) throw Error("無法寫入檔案: " + FileText(file_));
}

template class ChainedRecordWriter<kComplaintRecordSize>;
template class ChainedRecordWriter<kOrderLineRecordSize>;

ComplaintWriter OpenComplaintWriter(const std::filesystem::path& file) {
  return ComplaintWriter(file, complaint_field::kPatientNumber, complaint_field::kPreviousRecord);
}
OrderLineWriter OpenOrderLineWriter(const std::filesystem::path& file) {
  return OrderLineWriter(file, order_line_field::kPatientNumber, order_line_field::kPreviousRecord);
}

void WriteChainHeads(Database& database, std::string_view table, const ChainHeads& heads) {
  Transaction transaction(database);
  database.Execute("delete from [" + std::string(table) + "]");
  std::string insert =
      "insert into [" + std::string(table) + "] (Chartno, lastFileLoc) values (?, ?)";
  for (const auto& [patient, head] : heads) database.Execute(insert, {patient, head});
  transaction.Commit();
}

ChainHeads ReadChainHeads(Database& database, std::string_view table) {
  ChainHeads heads;
  RecordSet rows = database.Query("select Chartno, lastFileLoc from [" + std::string(table) + "]");
  for (rows.First(); !rows.Eof(); rows.Next()) {
    heads.try_emplace(static_cast<int32_t>(rows.Integer("Chartno")),
                      static_cast<int32_t>(rows.Integer("lastFileLoc")));
  }
  return heads;
}

// Numbers the visits (patient, packed date) in the order they are first reached.
template <size_t Size>
class ChainedRecordFile<Size>::VisitNumbers {
 public:
  uint32_t NumberOf(int32_t patient, uint64_t date) {
    if (2 * (count_ + 1) > slots_.size()) Grow();
    Slot& slot = slots_[SlotOf(slots_, patient, date)];
    if (slot.number == kEmpty) slot = Slot{date, patient, count_++};
    return slot.number;
  }
  uint32_t count() const { return count_; }
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const Slot& slot : slots_) {
      if (slot.number != kEmpty) visit(slot.patient, slot.date, slot.number);
    }
  }

 private:
  static constexpr uint32_t kEmpty = UINT32_MAX;
  struct Slot {
    uint64_t date = 0;
    int32_t patient = 0;
    uint32_t number = kEmpty;
    bool used() const { return number != kEmpty; }
  };
  void Grow() {
    std::vector<Slot> old =
        std::exchange(slots_, std::vector<Slot>(std::max<size_t>(1024, 2 * slots_.size())));
    for (const Slot& slot : old) {
      if (slot.number != kEmpty) slots_[SlotOf(slots_, slot.patient, slot.date)] = slot;
    }
  }
  std::vector<Slot> slots_;
  uint32_t count_ = 0;
};

template <size_t Size>
ChainedRecordFile<Size>::ChainedRecordFile(const std::filesystem::path& file,
                                           const ChainHeads& heads, Int32Field patient_field,
                                           TextField date_field, Int32Field link_field)
    : heads_(heads),
      patient_field_(patient_field),
      date_field_(date_field),
      link_field_(link_field) {
  if (std::filesystem::exists(file)) {
    mapped_ = DbfMappedFile(file, MappedAccess::kScattered);
    bytes_ = mapped_.bytes();
  }
  if (bytes_.size() % Size != 0) {
    throw Error(FileText(file) + ": 檔案大小不是 " + std::to_string(Size) + " 的倍數");
  }
  VisitNumbers visits;
  std::vector<Reached> reached;
  if (!IndexInFileOrder(visits, reached)) {
    visits = VisitNumbers();
    reached.clear();
    IndexAlongChains(visits, reached);
  }
  mapped_.ReleaseResidentPages();
  Group(visits, reached);
}

// The pre-pass's own files: read backwards, each record must be the one its patient's chain
// leads to next (the head first, then each link), and every chain must end at its first record.
// Then the chains are exactly the patients' records, newest first, and the walk would find the
// same. False as soon as the file is not of that form.
template <size_t Size>
bool ChainedRecordFile<Size>::IndexInFileOrder(VisitNumbers& visits,
                                               std::vector<Reached>& reached) {
  const int32_t count = record_count();
  ChainHeads next = heads_;  // per patient: the record its chain leads to next
  reached.reserve(static_cast<size_t>(count));
  // A visit's records follow each other as a rule: the patient and visit of the record before
  // are tried first.
  auto expected = next.end();
  uint64_t last_date = 0;
  uint32_t last_visit = 0;
  for (int32_t number = count - 1; number >= 0; --number) {
    if (number % kRecordsBetweenPageReleases == 0) mapped_.ReleaseResidentPages();
    const RecordView record = View(number);
    const int32_t patient = record.Get(patient_field_);
    const uint64_t date = PackedDate(record.Get(date_field_));
    const bool same_patient = expected != next.end() && expected->first == patient;
    if (!same_patient) expected = next.find(patient);
    if (expected == next.end() || expected->second != number) return false;
    expected->second = record.Get(link_field_);
    if (!same_patient || date != last_date) {
      last_visit = visits.NumberOf(patient, date);
      last_date = date;
    }
    reached.push_back({last_visit, number});
  }
  return std::all_of(next.begin(), next.end(),
                     [](const auto& chain) { return chain.second == kNoPreviousRecord; });
}

template <size_t Size>
void ChainedRecordFile<Size>::IndexAlongChains(VisitNumbers& visits,
                                               std::vector<Reached>& reached) {
  const int32_t count = record_count();
  size_t chains_walked = 0;
  for (const auto& [patient, head] : heads_) {
    // Pages of chains already walked are let go, so that a file of millions of records is never
    // resident as a whole.
    if (++chains_walked % kChainsBetweenPageReleases == 0) mapped_.ReleaseResidentPages();
    bool damaged = false;
    int32_t number = head;
    int32_t limit = count;  // a link must point before the record holding it
    while (number != kNoPreviousRecord) {
      if (number < 0 || number >= limit) {
        damaged = true;
        break;
      }
      const RecordView record = View(number);
      if (record.Get(patient_field_) != patient) damaged = true;
      reached.push_back({visits.NumberOf(patient, PackedDate(record.Get(date_field_))), number});
      limit = number;
      number = record.Get(link_field_);
    }
    if (damaged) damaged_patients_.push_back(patient);
  }
}

// Lays each visit's records out in the order they were reached (newest first), the visits in the
// order they were first reached, so that visits converted in file order read ordered_ in order.
template <size_t Size>
void ChainedRecordFile<Size>::Group(const VisitNumbers& visits,
                                    const std::vector<Reached>& reached) {
  std::vector<uint32_t> begin(visits.count() + 1, 0);
  for (const Reached& record : reached) ++begin[record.visit + 1];
  for (size_t visit = 1; visit < begin.size(); ++visit) begin[visit] += begin[visit - 1];
  visits_.assign(std::bit_ceil(std::max<size_t>(2 * visits.count(), 2)), Visit{});
  visits.ForEach([&](int32_t patient, uint64_t date, uint32_t visit) {
    visits_[SlotOf(visits_, patient, date)] =
        Visit{date, patient, begin[visit], begin[visit + 1] - begin[visit]};
  });
  ordered_.resize(reached.size());
  for (const Reached& record : reached) ordered_[begin[record.visit]++] = record.number;
}

template <size_t Size>
PackedRecord<Size> ChainedRecordFile<Size>::Record(int32_t number) const {
  PackedRecord<Size> record;
  record.Assign(View(number).bytes());
  return record;
}

template <size_t Size>
std::span<const int32_t> ChainedRecordFile<Size>::VisitRecords(int32_t patient,
                                                               std::string_view roc_date) const {
  if (roc_date.size() > date_field_.capacity) return {};
  const Visit& visit = visits_[SlotOf(visits_, patient, PackedDate(roc_date))];
  return std::span<const int32_t>(ordered_).subspan(visit.begin, visit.count);
}

template <size_t Size>
void ChainedRecordFile<Size>::PrefetchVisit(int32_t patient, std::string_view roc_date) const {
#if defined(__GNUC__)
  if (roc_date.size() > date_field_.capacity) return;
  const size_t mask = visits_.size() - 1;
  __builtin_prefetch(&visits_[VisitHash(patient, PackedDate(roc_date)) & mask]);
#else
  static_cast<void>(patient);
  static_cast<void>(roc_date);
#endif
}

template <size_t Size>
int32_t ChainedRecordFile<Size>::Head(int32_t patient) const {
  auto found = heads_.find(patient);
  return found == heads_.end() ? kNoPreviousRecord : found->second;
}

template class ChainedRecordFile<kComplaintRecordSize>;
template class ChainedRecordFile<kOrderLineRecordSize>;

ComplaintFile OpenComplaintFile(const std::filesystem::path& file, const ChainHeads& heads) {
  return ComplaintFile(file, heads, complaint_field::kPatientNumber, complaint_field::kDate,
                       complaint_field::kPreviousRecord);
}
OrderLineFile OpenOrderLineFile(const std::filesystem::path& file, const ChainHeads& heads) {
  return OrderLineFile(file, heads, order_line_field::kPatientNumber, order_line_field::kDate,
                       order_line_field::kPreviousRecord);
}

bool ReferralIndex::Add(std::string_view key, std::string_view file_name) {
  for (char digit = '1'; digit <= '9'; ++digit) {
    std::string full_key = std::string(key) + digit;
    if (position_.contains(full_key)) continue;
    position_.emplace(full_key, lines_.size());
    lines_.push_back(Line{std::move(full_key), std::string(file_name)});
    return true;
  }
  return false;
}

std::string ReferralIndex::Value(std::string_view full_key) const {
  auto found = position_.find(std::string(full_key));
  return found == position_.end() ? std::string() : lines_[found->second].value;
}

bool ReferralIndex::Contains(std::string_view full_key) const {
  return position_.contains(std::string(full_key));
}

std::string ReferralIndex::Take(std::string_view key) {
  for (int digit = 1; digit <= 10; ++digit) {
    auto found = position_.find(std::string(key) + std::to_string(digit));
    if (found == position_.end() || lines_[found->second].value.empty()) continue;
    // The key stays with an empty value: a later visit of the same key then learns that the
    // referral exists but its files are used up.
    return std::exchange(lines_[found->second].value, std::string());
  }
  return {};
}

void ReferralIndex::Save(const std::filesystem::path& file) const {
  std::string text;
  for (const Line& line : lines_) text += line.key + "=" + line.value + "\r\n";
  WriteFileAtomically(file, text);
}

ReferralIndex ReferralIndex::Load(const std::filesystem::path& file) {
  ReferralIndex index;
  if (!std::filesystem::exists(file)) return index;
  for (const std::string& line : SplitLines(ReadWholeFile(file))) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = line.substr(0, equals);
    if (index.position_.contains(key)) continue;
    index.position_.emplace(key, index.lines_.size());
    index.lines_.push_back(Line{std::move(key), line.substr(equals + 1)});
  }
  return index;
}

void SaveUnknownOrderCodes(const std::filesystem::path& file,
                           const std::vector<std::string>& codes) {
  std::string text;
  for (const std::string& code : codes) text += code + "\r\n";
  WriteFileAtomically(file, text);
}

std::vector<std::string> LoadUnknownOrderCodes(const std::filesystem::path& file) {
  if (!std::filesystem::exists(file)) return {};
  return SplitLines(ReadWholeFile(file));
}

}  // namespace zuvo
