#include "platform/dbf_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <system_error>

#include "platform/big5.h"
#include "platform/dbf_shapelib_io.h"
#include "platform/error.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kDbase3WithMemoVersion = 0x83;
// .DBT of dBase III: 512-byte blocks, block 0 the header holding the next free block (LE
// uint32 at 0) and the version byte 0x03 at 16; each memo ends with two end marks.
constexpr size_t kMemoBlockSize = 512;
constexpr size_t kMemoNextBlockOffset = 0;
constexpr size_t kMemoVersionOffset = 16;
constexpr char kMemoVersion = 0x03;
constexpr char kMemoEndMark = 0x1A;

bool IsDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

fs::path MemoPathFor(const fs::path& table) {
  std::string extension = table.extension().string();
  bool lower = !extension.empty() && extension == big5::LowerAscii(extension) &&
               extension != big5::UpperAscii(extension);
  fs::path memo = table;
  memo.replace_extension(lower ? ".dbt" : ".DBT");
  return memo;
}

std::string RightAligned(std::string_view value, int width) {
  return std::string(static_cast<size_t>(width) - value.size(), ' ') + std::string(value);
}

}  // namespace

struct DbfWriter::State {
  fs::path path;
  std::vector<DbfFieldSpec> fields;
  std::vector<size_t> offsets;  // of each field in the record (byte 0 is the deletion flag)
  size_t record_length = 1;
  ShapelibDbf handle;
  int record_count = 0;
  bool has_memo = false;
  fs::path memo_path;
  std::ofstream memo;
  uint32_t next_memo_block = 1;

  [[noreturn]] void Fail(const std::string& what) const {
    throw Error(path.string() + ": " + what);
  }

  std::string FormatValue(const DbfFieldSpec& field, std::string_view value);
  uint32_t WriteMemo(std::string_view text);
  void WriteMemoHeader();
};

std::string DbfWriter::State::FormatValue(const DbfFieldSpec& field, std::string_view value) {
  auto too_wide = [&] {
    Fail("value \"" + big5::ToUtf8Escaped(value) + "\" does not fit field " + field.name);
  };
  switch (field.type) {
    case 'C': {
      std::string text = big5::CutBytes(value, static_cast<size_t>(field.width));
      text.resize(static_cast<size_t>(field.width), ' ');
      return text;
    }
    case 'N':
      if (value.size() > static_cast<size_t>(field.width)) too_wide();
      return RightAligned(value, field.width);
    case 'D':
      if (!value.empty() && (value.size() != kDbfDateWidth || !IsDigits(value))) too_wide();
      return value.empty() ? std::string(kDbfDateWidth, ' ') : std::string(value);
    case 'L':
      if (value.size() > kDbfLogicalWidth) too_wide();
      return value.empty() ? std::string(" ") : std::string(value);
    case 'M':
      if (value.empty()) return std::string(kDbfMemoPointerWidth, ' ');
      return RightAligned(std::to_string(WriteMemo(value)), kDbfMemoPointerWidth);
  }
  Fail("field " + field.name + " has the unsupported type " + field.type);
}

uint32_t DbfWriter::State::WriteMemo(std::string_view text) {
  if (text.find(kMemoEndMark) != std::string_view::npos) {
    Fail("a memo must not contain the end mark 0x1A");
  }
  uint32_t block = next_memo_block;
  size_t used = text.size() + 2;
  size_t blocks = (used + kMemoBlockSize - 1) / kMemoBlockSize;
  std::string stored(text);
  stored.append(2, kMemoEndMark);
  stored.resize(blocks * kMemoBlockSize, '\0');
  memo.seekp(static_cast<std::streamoff>(block * kMemoBlockSize));
  memo.write(stored.data(), static_cast<std::streamsize>(stored.size()));
  if (!memo) throw Error("cannot write " + memo_path.string());
  next_memo_block += static_cast<uint32_t>(blocks);
  return block;
}

void DbfWriter::State::WriteMemoHeader() {
  std::string header(kMemoBlockSize, '\0');
  for (size_t i = 0; i < 4; ++i) {
    header[kMemoNextBlockOffset + i] = static_cast<char>(next_memo_block >> (8 * i) & 0xFF);
  }
  header[kMemoVersionOffset] = kMemoVersion;
  memo.seekp(0);
  memo.write(header.data(), static_cast<std::streamsize>(header.size()));
  if (!memo) throw Error("cannot write " + memo_path.string());
}

DbfWriter::DbfWriter(const fs::path& file, std::vector<DbfFieldSpec> fields,
                     uint8_t language_driver)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.path = file;
  for (DbfFieldSpec& field : fields) {
    if (field.name.empty() || field.name.size() > kDbfMaxFieldNameLength) {
      s.Fail("field name \"" + field.name + "\" must have 1 to 10 characters");
    }
    switch (field.type) {
      case 'C':
        if (field.width < 1 || field.width > kDbfMaxTextWidth) s.Fail("bad width of " + field.name);
        field.decimals = 0;
        break;
      case 'N':
        if (field.width < 1 || field.width > kDbfMaxNumberWidth || field.decimals < 0 ||
            field.decimals >= field.width) {
          s.Fail("bad width of " + field.name);
        }
        break;
      case 'D':
        field.width = kDbfDateWidth;
        break;
      case 'L':
        field.width = kDbfLogicalWidth;
        break;
      case 'M':
        field.width = kDbfMemoPointerWidth;
        s.has_memo = true;
        break;
      default:
        s.Fail("field " + field.name + " has the unsupported type " + field.type);
    }
    if (field.type != 'N') field.decimals = 0;
    s.offsets.push_back(s.record_length);
    s.record_length += static_cast<size_t>(field.width);
  }
  s.fields = std::move(fields);

  std::string error;
  s.handle = CreateShapelibDbf(file, language_driver, error);
  if (s.handle == nullptr) s.Fail("cannot create the table" + (error.empty() ? "" : ": " + error));
  for (const DbfFieldSpec& field : s.fields) {
    if (DBFAddNativeFieldType(s.handle.get(), field.name.c_str(), field.type, field.width,
                              field.decimals) < 0) {
      s.Fail("cannot add field " + field.name);
    }
  }
  auto today = std::chrono::year_month_day(
      std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
  DBFSetLastModifiedDate(s.handle.get(), static_cast<int>(today.year()) - 1900,
                         static_cast<int>(static_cast<unsigned>(today.month())),
                         static_cast<int>(static_cast<unsigned>(today.day())));
  if (s.has_memo) {
    s.memo_path = MemoPathFor(file);
    s.memo.open(s.memo_path, std::ios::binary | std::ios::trunc | std::ios::in | std::ios::out);
    if (!s.memo) s.Fail("cannot create the memo file " + s.memo_path.string());
    s.WriteMemoHeader();
  }
}

DbfWriter::~DbfWriter() {
  if (state_->handle == nullptr) return;
  try {
    Close();
  } catch (const Error&) {
    // Reported only by an explicit Close().
  }
}

int DbfWriter::Append(const std::vector<std::string>& values) {
  State& s = *state_;
  if (s.handle == nullptr) s.Fail("the table is closed");
  if (values.size() > s.fields.size()) {
    s.Fail(std::to_string(values.size()) + " values for " + std::to_string(s.fields.size()) +
           " fields");
  }
  std::string record(s.record_length, ' ');
  for (size_t index = 0; index < values.size(); ++index) {
    std::string formatted = s.FormatValue(s.fields[index], values[index]);
    record.replace(s.offsets[index], formatted.size(), formatted);
  }
  if (!DBFWriteTuple(s.handle.get(), s.record_count, record.data())) {
    s.Fail("cannot write record " + std::to_string(s.record_count + 1));
  }
  return ++s.record_count;
}

void DbfWriter::MarkDeleted(int record_number) {
  State& s = *state_;
  if (s.handle == nullptr) s.Fail("the table is closed");
  if (record_number < 1 || record_number > s.record_count ||
      !DBFMarkRecordDeleted(s.handle.get(), record_number - 1, 1)) {
    s.Fail("cannot mark record " + std::to_string(record_number) + " deleted");
  }
}

void DbfWriter::Close() {
  State& s = *state_;
  if (s.handle == nullptr) return;
  size_t header_length = static_cast<size_t>(s.handle->nHeaderLength);
  s.handle.reset();
  if (s.has_memo) {
    s.WriteMemoHeader();
    s.memo.close();
    if (!s.memo) throw Error("cannot write " + s.memo_path.string());
    // shapelib writes dBase III without memo (0x03); the memo file makes it 0x83.
    std::fstream table(s.path, std::ios::binary | std::ios::in | std::ios::out);
    table.put(static_cast<char>(kDbase3WithMemoVersion));
    if (!table) s.Fail("cannot mark the table as having a memo file");
  }
  std::error_code error;
  // Header, records and the end-of-file mark.
  uintmax_t expected = header_length + static_cast<size_t>(s.record_count) * s.record_length + 1;
  if (fs::file_size(s.path, error) != expected || error) {
    s.Fail("the written table does not have the expected size of " + std::to_string(expected) +
           " bytes");
  }
}

}  // namespace zuvo
