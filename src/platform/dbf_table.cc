#include "platform/dbf_table.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <unordered_map>
#include <utility>
#include <variant>

#include "platform/big5.h"
#include "platform/dbf_code_page.h"
#include "platform/dbf_mapped_file.h"
#include "platform/dbf_memo_file.h"
#include "platform/dbf_number.h"
#include "platform/file_ops.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

// Byte 0 of a record: ' ' for a live record, '*' for a deleted one.
constexpr char kLiveFlag = ' ';
constexpr char kDeletedFlag = '*';
constexpr int64_t kCurrencyScale = 10'000;

// Table versions whose memo file is FoxPro's .FPT, and those whose .DBT has dBase IV's blocks
// (dBase IV and dBase 7).
bool IsFoxProVersion(uint8_t version) {
  return IsVisualFoxProVersion(version) || version == 0xF5 || version == 0xFB;
}
bool IsDbase4MemoVersion(uint8_t version) {
  return version == 0x8B || version == 0xCB || version == 0x8C;
}

bool IsMemoKind(DbfFieldKind kind) {
  return kind == DbfFieldKind::kMemoText || kind == DbfFieldKind::kMemoBinary;
}
// Kinds whose bytes are binary: blank bytes say nothing about them, and Integer, Number and
// Currency read their values rather than digits.
bool IsBinaryKind(DbfFieldKind kind) {
  switch (kind) {
    case DbfFieldKind::kInteger:
    case DbfFieldKind::kOrderedInteger:
    case DbfFieldKind::kCurrency:
    case DbfFieldKind::kDateTime:
    case DbfFieldKind::kDouble:
    case DbfFieldKind::kOrderedDouble:
    case DbfFieldKind::kTimestamp:
    case DbfFieldKind::kVarBinary:
    case DbfFieldKind::kNullFlags:
      return true;
    default:
      return false;
  }
}

// A double's value in ten-thousandths or whole units; 0 when it does not fit in 64 bits.
int64_t Int64Of(double value) {
  constexpr double kLimit = 9.2e18;
  return std::isfinite(value) && std::fabs(value) < kLimit ? static_cast<int64_t>(value) : 0;
}
int64_t WholePartOf(const DbfValue& value) {
  if (const auto* integer = std::get_if<DbfInteger>(&value)) return integer->value;
  if (const auto* money = std::get_if<DbfMoney>(&value)) {
    return money->ten_thousandths / kCurrencyScale;
  }
  if (const auto* number = std::get_if<DbfDouble>(&value)) return Int64Of(number->value);
  return 0;
}
double NumberOf(const DbfValue& value) {
  if (const auto* integer = std::get_if<DbfInteger>(&value)) {
    return static_cast<double>(integer->value);
  }
  if (const auto* money = std::get_if<DbfMoney>(&value)) {
    return static_cast<double>(money->ten_thousandths) / kCurrencyScale;
  }
  if (const auto* number = std::get_if<DbfDouble>(&value)) return number->value;
  return 0;
}
int64_t TenThousandthsOf(const DbfValue& value) {
  if (const auto* integer = std::get_if<DbfInteger>(&value)) {
    return integer->value * kCurrencyScale;
  }
  if (const auto* money = std::get_if<DbfMoney>(&value)) return money->ten_thousandths;
  if (const auto* number = std::get_if<DbfDouble>(&value)) {
    return Int64Of(std::round(number->value * kCurrencyScale));
  }
  return 0;
}

// Field names by name without regard to letter case. A step reads fields by name millions of
// times, so a look-up must cost next to nothing: a name (at most 11 bytes in a dBase header) is
// folded to lower case into two 64-bit words together with its length, and found in a small
// open-addressing table by one hash and two integer compares.
class FieldNameIndex {
 public:
  // Adds `name` unless it is already present (the first of duplicate names wins).
  void Add(std::string_view name, int index) {
    Key key;
    if (!Fold(name, key)) return;
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    Insert(key, index);
  }
  // -1 when absent.
  int Find(std::string_view name) const {
    Key key;
    if (slots_.empty() || !Fold(name, key)) return -1;
    for (size_t slot = SlotOf(key);; slot = (slot + 1) & (slots_.size() - 1)) {
      const Slot& entry = slots_[slot];
      if (entry.index < 0) return -1;
      if (entry.key == key) return entry.index;
    }
  }

 private:
  static constexpr size_t kMaxNameLength = 15;  // the 16th byte of the key holds the length
  struct Key {
    uint64_t low = 0;
    uint64_t high = 0;
    bool operator==(const Key&) const = default;
  };
  struct Slot {
    Key key;
    int index = -1;  // -1: empty
  };

  // Built in registers: bytes stored one by one and read back as words would stall the CPU.
  static bool Fold(std::string_view name, Key& key) {
    if (name.size() > kMaxNameLength) return false;
    key = Key{0, static_cast<uint64_t>(name.size()) << 56};
    for (size_t i = 0; i < name.size(); ++i) {
      auto c = static_cast<unsigned char>(name[i]);
      uint64_t folded = c >= 'A' && c <= 'Z' ? c + 32u : c;
      (i < 8 ? key.low : key.high) |= folded << (8 * (i % 8));
    }
    return true;
  }
  size_t SlotOf(const Key& key) const {
    uint64_t mixed = key.low * 0x9E3779B97F4A7C15ull ^ (key.high + 1) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>(mixed >> 32) & (slots_.size() - 1);
  }
  void Insert(const Key& key, int index) {
    for (size_t slot = SlotOf(key);; slot = (slot + 1) & (slots_.size() - 1)) {
      Slot& entry = slots_[slot];
      if (entry.index >= 0 && entry.key == key) return;
      if (entry.index < 0) {
        entry = {key, index};
        ++count_;
        return;
      }
    }
  }
  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<size_t>(16, old.size() * 2), Slot{});
    count_ = 0;
    for (const Slot& entry : old) {
      if (entry.index >= 0) Insert(entry.key, entry.index);
    }
  }

  std::vector<Slot> slots_;  // size a power of two, at most half full
  size_t count_ = 0;
};

// Key of a two-field index: both values trimmed; the length prefix keeps ("ab", "c") apart from
// ("a", "bc").
std::string PairKey(std::string_view first, std::string_view second) {
  std::string trimmed_first = big5::Trim(first);
  return std::to_string(trimmed_first.size()) + ':' + trimmed_first + big5::Trim(second);
}

// The file beside `file` with the same stem and `extension`, in any letter case. A bare file
// name lies in the current folder.
std::optional<fs::path> FindSibling(const fs::path& file, std::string_view extension) {
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  return ResolvePath(folder, PathToUtf8(file.stem()) + std::string(extension));
}

}  // namespace

struct DbfTable::State {
  fs::path path;
  DbfMappedFile file;
  std::string_view bytes;
  uint8_t version = 0;
  uint8_t language_driver = 0;
  std::string language_driver_name;
  int declared_code_page = 0;
  size_t header_length = 0;
  size_t record_length = 0;
  int header_record_count = 0;
  int record_count = 0;
  std::vector<DbfField> fields;
  int null_flags_field = -1;
  FieldNameIndex field_by_name;
  std::vector<std::string> warnings;
  std::optional<DbfMemoFile> memo;
  int current = 0;  // 0-based; record_count when past the last record
  std::function<bool(const DbfTable&)> filter;
  // Hash indexes of Locate: (field, second field or -1) → key → first live record (0-based).
  using KeyIndex = std::unordered_map<std::string, int>;
  std::map<std::pair<int, int>, KeyIndex> indexes;

  // The file errors name: the table's own path unless NameInMessages gave another.
  std::filesystem::path shown_path;

  [[noreturn]] void Fail(const std::string& what) const {
    throw Error(PathToUtf8(shown_path.empty() ? path : shown_path) + ": " + what);
  }
  std::string_view Record(int index) const {
    return bytes.substr(header_length + static_cast<size_t>(index) * record_length, record_length);
  }
  bool Deleted(int index) const { return Record(index)[0] == kDeletedFlag; }
  std::string_view FieldBytes(int record, const DbfField& field) const {
    return Record(record).substr(field.offset, static_cast<size_t>(field.width));
  }
  std::string_view NullFlags(int record) const {
    if (null_flags_field < 0) return {};
    return FieldBytes(record, fields[static_cast<size_t>(null_flags_field)]);
  }

  int RequireField(std::string_view name) const;
  // The block number `pointer`, memo field `field` of the current record, holds.
  uint64_t MemoBlock(std::string_view pointer, const DbfField& field) const;
  const KeyIndex& Index(int field1, int field2);
  void ReadHeader();
  void CountRecords();
  void FindMemoFile();
  void FindCodePage();
};

void DbfTable::State::ReadHeader() {
  DbfHeader header = ReadDbfHeader(bytes, path);
  version = header.version;
  language_driver = header.language_driver;
  language_driver_name = std::move(header.language_driver_name);
  header_length = header.header_length;
  record_length = header.record_length;
  header_record_count = static_cast<int>(std::min<uint32_t>(header.record_count, INT_MAX));
  fields = std::move(header.fields);
  null_flags_field = header.null_flags_field;
  for (size_t index = 0; index < fields.size(); ++index) {
    field_by_name.Add(fields[index].name, static_cast<int>(index));  // the first name wins
  }
}

void DbfTable::State::CountRecords() {
  // A header that states more records than the file holds belongs to a table cut short (a copy
  // broken off, a disk full); a record the file ends inside is one of the missing. Only the
  // whole records are read; RefuseShortTable() lets a conversion refuse the table.
  const size_t whole_records = (bytes.size() - header_length) / record_length;
  record_count = static_cast<int>(
      std::min<size_t>(std::min(static_cast<size_t>(header_record_count), whole_records), INT_MAX));
}

void DbfTable::State::FindMemoFile() {
  bool has_memo_field = std::any_of(fields.begin(), fields.end(),
                                    [](const DbfField& f) { return IsMemoKind(f.kind); });
  if (!has_memo_field) return;
  std::optional<fs::path> fpt = FindSibling(path, ".fpt");
  std::optional<fs::path> dbt = FindSibling(path, ".dbt");
  if (fpt && (IsFoxProVersion(version) || !dbt)) {
    memo.emplace(*fpt, DbfMemoFormat::kFoxProFpt, false);
  } else if (dbt) {
    memo.emplace(*dbt, DbfMemoFormat::kDbaseDbt, IsDbase4MemoVersion(version));
  }
  // Without a memo file every memo reads empty.
}

void DbfTable::State::FindCodePage() {
  if (std::optional<fs::path> cpg = FindSibling(path, ".cpg")) {
    try {
      DbfMappedFile text(*cpg);
      if (int code_page = CodePageFromCpgText(text.bytes())) {
        declared_code_page = code_page;
        return;
      }
      warnings.push_back(cpg->string() + " names no code page this program knows; it is ignored");
    } catch (const Error& error) {
      warnings.push_back(std::string(error.what()) + "; the .cpg file is ignored");
    }
  }
  declared_code_page = CodePageFromLanguageDriver(language_driver);
  if (declared_code_page == 0) {
    declared_code_page = CodePageFromLanguageDriverName(language_driver_name);
  }
}

DbfTable DbfTable::Open(const fs::path& folder, std::string_view name) {
  std::optional<fs::path> file = ResolvePath(folder, name);
  if (!file) {
    throw Error("cannot find the table " + std::string(name) + " in " + folder.string());
  }
  return DbfTable(*file);
}

DbfTable::DbfTable(const fs::path& file) : state_(std::make_unique<State>()) {
  state_->path = file;
  state_->file = DbfMappedFile(file);
  state_->bytes = state_->file.bytes();
  state_->ReadHeader();
  state_->CountRecords();
  state_->FindMemoFile();
  state_->FindCodePage();
  First();
}

DbfTable::~DbfTable() = default;
DbfTable::DbfTable(DbfTable&&) noexcept = default;
DbfTable& DbfTable::operator=(DbfTable&&) noexcept = default;

const fs::path& DbfTable::path() const { return state_->path; }

void DbfTable::NameInMessages(const fs::path& shown) { state_->shown_path = shown; }
int DbfTable::RecordCount() const { return state_->record_count; }
int DbfTable::HeaderRecordCount() const { return state_->header_record_count; }
bool DbfTable::IsShort() const { return state_->record_count < state_->header_record_count; }

void DbfTable::RefuseShortTable() const {
  if (!IsShort()) return;
  state_->Fail("資料表不完整,表頭宣告 " + std::to_string(state_->header_record_count) +
               " 筆,檔案只有 " + std::to_string(state_->record_count) + " 筆");
}

int DbfTable::RecordsInFile() const {
  const State& s = *state_;
  size_t whole = (s.bytes.size() - s.header_length) / s.record_length;
  size_t count = std::min(static_cast<size_t>(s.header_record_count), whole);
  while (count < whole) {
    char flag = s.bytes[s.header_length + count * s.record_length];
    if (flag != kLiveFlag && flag != kDeletedFlag) break;
    ++count;
  }
  return static_cast<int>(std::min<size_t>(count, INT_MAX));
}
void DbfTable::ReleaseResidentPages() const { state_->file.ReleaseResidentPages(); }
const std::vector<DbfField>& DbfTable::Fields() const { return state_->fields; }
int DbfTable::DeclaredCodePage() const { return state_->declared_code_page; }
uint8_t DbfTable::LanguageDriver() const { return state_->language_driver; }
uint8_t DbfTable::Version() const { return state_->version; }
const std::vector<std::string>& DbfTable::Warnings() const { return state_->warnings; }

std::optional<fs::path> DbfTable::MemoPath() const {
  if (!state_->memo) return std::nullopt;
  return state_->memo->path();
}

int DbfTable::FieldIndex(std::string_view name) const { return state_->field_by_name.Find(name); }

int DbfTable::State::RequireField(std::string_view name) const {
  int index = field_by_name.Find(name);
  if (index < 0) Fail("no field " + std::string(name));
  return index;
}

void DbfTable::First() {
  state_->current = -1;
  Next();
}

void DbfTable::Next() {
  State& s = *state_;
  while (++s.current < s.record_count) {
    if (s.Deleted(s.current)) continue;
    if (!s.filter || s.filter(*this)) return;
  }
  s.current = s.record_count;
}

bool DbfTable::Eof() const { return state_->current >= state_->record_count; }
int DbfTable::RecordNumber() const { return state_->current + 1; }

bool DbfTable::Go(int record_number) {
  if (record_number < 1 || record_number > state_->record_count) return false;
  state_->current = record_number - 1;
  return true;
}

bool DbfTable::IsDeleted() const { return !Eof() && state_->Deleted(state_->current); }

std::string_view DbfTable::RawField(int index) const {
  const State& s = *state_;
  if (Eof()) s.Fail("no current record (past the last record)");
  if (index < 0 || static_cast<size_t>(index) >= s.fields.size()) {
    s.Fail("no field number " + std::to_string(index));
  }
  return s.FieldBytes(s.current, s.fields[static_cast<size_t>(index)]);
}

std::string_view DbfTable::RawField(std::string_view field) const {
  return RawField(state_->RequireField(field));
}

std::string DbfTable::Text(std::string_view field) const { return std::string(RawField(field)); }

int64_t DbfTable::Integer(std::string_view field) const {
  int index = state_->RequireField(field);
  if (IsBinaryKind(state_->fields[static_cast<size_t>(index)].kind)) {
    return WholePartOf(Value(index));
  }
  return ParseDbfInteger(RawField(index)).value_or(0);
}

double DbfTable::Number(std::string_view field) const {
  int index = state_->RequireField(field);
  if (IsBinaryKind(state_->fields[static_cast<size_t>(index)].kind)) return NumberOf(Value(index));
  return ParseDbfNumber(RawField(index)).value_or(0);
}

int64_t DbfTable::Currency(std::string_view field) const {
  int index = state_->RequireField(field);
  if (IsBinaryKind(state_->fields[static_cast<size_t>(index)].kind)) {
    return TenThousandthsOf(Value(index));
  }
  return ParseDbfCurrency(RawField(index)).value_or(0);
}

bool DbfTable::Logical(std::string_view field) const {
  std::string value = big5::Trim(RawField(field));
  return !value.empty() &&
         (value[0] == 'T' || value[0] == 't' || value[0] == 'Y' || value[0] == 'y');
}

bool DbfTable::IsBlank(std::string_view field) const {
  int index = state_->RequireField(field);
  if (!IsBinaryKind(state_->fields[static_cast<size_t>(index)].kind)) {
    return big5::Trim(RawField(index)).empty();
  }
  DbfValue value = Value(index);
  const auto* bytes = std::get_if<DbfBytes>(&value);
  return std::holds_alternative<DbfBlank>(value) || std::holds_alternative<DbfNull>(value) ||
         (bytes != nullptr && bytes->bytes.empty());
}

uint64_t DbfTable::State::MemoBlock(std::string_view pointer, const DbfField& field) const {
  std::optional<uint64_t> block = DbfMemoBlock(pointer);
  if (!block) {
    Fail("record " + std::to_string(current + 1) + " field " + field.name +
         " holds no memo block number");
  }
  return *block;
}

std::string DbfTable::Memo(std::string_view field) const {
  const State& s = *state_;
  int index = state_->RequireField(field);
  const DbfField& info = s.fields[static_cast<size_t>(index)];
  if (!IsMemoKind(info.kind)) s.Fail("field " + info.name + " is not a memo field");
  std::string_view pointer = RawField(index);
  if (!s.memo) return {};
  return std::string(s.memo->Read(s.MemoBlock(pointer, info)));
}

DbfValue DbfTable::Value(int index) const {
  const State& s = *state_;
  std::string_view raw = RawField(index);
  const DbfField& field = s.fields[static_cast<size_t>(index)];
  std::string_view null_flags = s.NullFlags(s.current);
  if (!IsMemoKind(field.kind)) return DecodeDbfField(field, raw, null_flags);
  if (DbfNullFlagBit(null_flags, field.null_bit)) return DbfNull{};
  if (!s.memo) return DbfBlank{};
  uint64_t block = s.MemoBlock(raw, field);
  if (block == 0) return DbfBlank{};
  std::string_view memo = s.memo->Read(block);
  if (field.kind == DbfFieldKind::kMemoText) return DbfText{memo};
  return DbfBytes{memo};
}

DbfValue DbfTable::Value(std::string_view field) const {
  return Value(state_->RequireField(field));
}

const DbfTable::State::KeyIndex& DbfTable::State::Index(int field1, int field2) {
  auto [entry, created] = indexes.try_emplace({field1, field2});
  if (!created) return entry->second;
  const DbfField& first = fields[static_cast<size_t>(field1)];
  for (int record = 0; record < record_count; ++record) {
    if (Deleted(record)) continue;
    std::string_view value = FieldBytes(record, first);
    if (field2 < 0) {
      entry->second.try_emplace(big5::Trim(value), record);
    } else {
      entry->second.try_emplace(
          PairKey(value, FieldBytes(record, fields[static_cast<size_t>(field2)])), record);
    }
  }
  return entry->second;
}

bool DbfTable::Locate(std::string_view field, std::string_view value) {
  const State::KeyIndex& index = state_->Index(state_->RequireField(field), -1);
  auto found = index.find(big5::Trim(value));
  if (found == index.end()) return false;
  state_->current = found->second;
  return true;
}

bool DbfTable::Locate(std::string_view field1, std::string_view value1, std::string_view field2,
                      std::string_view value2) {
  const State::KeyIndex& index =
      state_->Index(state_->RequireField(field1), state_->RequireField(field2));
  auto found = index.find(PairKey(value1, value2));
  if (found == index.end()) return false;
  state_->current = found->second;
  return true;
}

std::vector<int> DbfTable::OrderBy(std::string_view field) const {
  const State& s = *state_;
  const DbfField& info = s.fields[static_cast<size_t>(state_->RequireField(field))];
  auto key_of = [&](int record) { return s.FieldBytes(record, info); };
  std::vector<int> records;
  for (int record = 0; record < s.record_count; ++record) {
    if (!s.Deleted(record)) records.push_back(record);
  }
  std::stable_sort(records.begin(), records.end(),
                   [&](int a, int b) { return key_of(a) < key_of(b); });
  for (int& record : records) ++record;  // physical record numbers are 1-based
  return records;
}

void DbfTable::SetFilter(std::function<bool(const DbfTable&)> keep) {
  state_->filter = std::move(keep);
}

}  // namespace zuvo
