#include "charts/prepass_files.h"

#include <cstring>
#include <utility>

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"

namespace zuvo {
namespace {

constexpr size_t kWriteBufferSize = 1 << 20;
constexpr size_t kChainsBetweenPageReleases = 4096;

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

OrderRecord OrderImageOf(const OrderLineRecord& line) {
  OrderRecord order;
  order.Assign(line.view().substr(order_line_field::kOrderImage.offset, kOrderRecordSize));
  return order;
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

template <size_t Size>
size_t ChainedRecordFile<Size>::VisitKeyHash::operator()(const VisitKey& key) const {
  return std::hash<std::string>()(key.date) * 31 + std::hash<int32_t>()(key.patient);
}

template <size_t Size>
ChainedRecordFile<Size>::ChainedRecordFile(const std::filesystem::path& file,
                                           const ChainHeads& heads, Int32Field patient_field,
                                           TextField date_field, Int32Field link_field)
    : heads_(heads) {
  if (std::filesystem::exists(file)) {
    mapped_ = DbfMappedFile(file, MappedAccess::kScattered);
    bytes_ = mapped_.bytes();
  }
  if (bytes_.size() % Size != 0) {
    throw Error(FileText(file) + ": 檔案大小不是 " + std::to_string(Size) + " 的倍數");
  }
  const int32_t count = record_count();
  // First pass: each patient's chain, newest first, as links of record numbers.
  std::vector<int32_t> chain;
  std::unordered_map<VisitKey, std::vector<int32_t>, VisitKeyHash> grouped;
  grouped.reserve(static_cast<size_t>(count) / 2 + 1);
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
      PackedRecord<Size> record = Record(number);
      if (record.Get(patient_field) != patient) damaged = true;
      grouped[VisitKey{patient, record.Get(date_field)}].push_back(number);
      limit = number;
      number = record.Get(link_field);
    }
    if (damaged) damaged_patients_.push_back(patient);
  }
  mapped_.ReleaseResidentPages();
  ordered_.reserve(static_cast<size_t>(count));
  visits_.reserve(grouped.size());
  for (auto& [key, numbers] : grouped) {
    Range range{static_cast<uint32_t>(ordered_.size()), static_cast<uint32_t>(numbers.size())};
    ordered_.insert(ordered_.end(), numbers.begin(), numbers.end());
    visits_.emplace(key, range);
  }
}

template <size_t Size>
PackedRecord<Size> ChainedRecordFile<Size>::Record(int32_t number) const {
  PackedRecord<Size> record;
  record.Assign(bytes_.substr(static_cast<size_t>(number) * Size, Size));
  return record;
}

template <size_t Size>
std::span<const int32_t> ChainedRecordFile<Size>::VisitRecords(int32_t patient,
                                                               std::string_view roc_date) const {
  auto found = visits_.find(VisitKey{patient, std::string(roc_date)});
  if (found == visits_.end()) return {};
  return std::span<const int32_t>(ordered_).subspan(found->second.begin, found->second.count);
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
