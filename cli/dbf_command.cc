// zuvoconv dbf: a first look at a source table — its header, then its records, Big5 shown as
// UTF-8 (bytes that do not decode are shown as \xNN), or RFC 4180 CSV, or the raw bytes.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/error.h"

namespace zuvo::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kBig5CodePage = 950;
constexpr size_t kFlushThreshold = 1 << 20;
// Rows are converted to UTF-8 in batches of this many Big5 bytes: one conversion per batch
// instead of one per value, in buffers small enough to stay off fresh pages.
constexpr size_t kConversionBatch = 16 << 10;

// stdout in large writes: a table of a few hundred megabytes prints without a write per value.
class BufferedOutput {
 public:
  BufferedOutput() { buffer_.reserve(kFlushThreshold + 4096); }
  // What is still buffered when an error ends the command is dropped: the error is what counts.
  ~BufferedOutput() = default;
  BufferedOutput(const BufferedOutput&) = delete;
  BufferedOutput& operator=(const BufferedOutput&) = delete;

  void Append(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kFlushThreshold) Flush();
  }
  void Append(char c) { buffer_.push_back(c); }
  void Flush() {
    if (!buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size())
      throw Error("cannot write to standard output");
    buffer_.clear();
  }

 private:
  std::string buffer_;
};

// Trailing bytes 0x00..0x20 removed; trail bytes of Big5 characters are never in that range, so
// no character is cut. A view, so that printing allocates nothing per value.
std::string_view WithoutTrailingBlanks(std::string_view value) {
  while (!value.empty() && static_cast<unsigned char>(value.back()) <= ' ') value.remove_suffix(1);
  return value;
}
std::string_view WithoutBlanks(std::string_view value) {
  value = WithoutTrailingBlanks(value);
  while (!value.empty() && static_cast<unsigned char>(value.front()) <= ' ') value.remove_prefix(1);
  return value;
}

bool IsAscii(std::string_view value) {
  return std::all_of(value.begin(), value.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// RFC 4180 quoting; the bytes tested are never Big5 trail bytes.
bool NeedsQuotes(std::string_view value) {
  return std::any_of(value.begin(), value.end(),
                     [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
}

bool IsMemo(const DbfField& field) { return field.type == 'M'; }
bool IsNumeric(const DbfField& field) {
  return field.type == 'N' || field.type == 'F' || field.type == 'D' || field.type == 'L';
}

struct Options {
  bool csv = false;
  bool raw = false;
  std::vector<int> fields;  // indexes, in the order to show
};

class TablePrinter {
 public:
  TablePrinter(DbfTable& table, Options options) : table_(table), options_(std::move(options)) {}

  void PrintHeader();
  void PrintRecords();
  void PrintCsv();
  void Finish() {
    ConvertRows();
    out_.Flush();
  }

 private:
  // The value shown for a field of the current record: memo text for memo fields.
  std::string_view Value(int index);
  // Record lines are gathered as Big5 and converted a batch at a time; a batch ends only at
  // the end of a line, so no character is split.
  void AppendShown(std::string_view big5) { rows_.append(big5); }
  void AppendCsvCell(std::string_view big5);
  void EndLine(std::string_view line_end);
  void ConvertRows();
  size_t ColumnWidth(const DbfField& field) const {
    return std::max(field.name.size(), static_cast<size_t>(field.width));
  }

  DbfTable& table_;
  Options options_;
  BufferedOutput out_;
  std::string rows_;
  std::string memo_;
};

std::string_view TablePrinter::Value(int index) {
  const DbfField& field = table_.Fields()[static_cast<size_t>(index)];
  if (!IsMemo(field)) return table_.RawField(index);
  memo_ = table_.Memo(field.name);
  return memo_;
}

void TablePrinter::EndLine(std::string_view line_end) {
  rows_.append(line_end);
  if (rows_.size() >= kConversionBatch) ConvertRows();
}

void TablePrinter::ConvertRows() {
  out_.Append(options_.raw || IsAscii(rows_) ? rows_ : big5::ToUtf8Escaped(rows_));
  rows_.clear();
}

void TablePrinter::AppendCsvCell(std::string_view big5) {
  if (!NeedsQuotes(big5)) return AppendShown(big5);
  rows_.push_back('"');
  for (char c : big5) {
    if (c == '"') rows_.push_back('"');
    rows_.push_back(c);
  }
  rows_.push_back('"');
}

void TablePrinter::PrintHeader() {
  char line[160];
  std::snprintf(line, sizeof line, "version 0x%02X, language driver 0x%02X\n", table_.Version(),
                table_.LanguageDriver());
  out_.Append("table: " + table_.path().string() + "\n");
  out_.Append(line);
  int code_page = table_.DeclaredCodePage();
  out_.Append("declared code page: " +
              (code_page == 0 ? std::string("none (read as Big5)") : std::to_string(code_page)) +
              "\n");
  if (code_page != 0 && code_page != kBig5CodePage) {
    out_.Append("warning: the table declares code page " + std::to_string(code_page) +
                ", not 950 (Big5); its text is shown as Big5\n");
  }
  int deleted = 0;
  for (int record = 1; table_.Go(record); ++record) deleted += table_.IsDeleted() ? 1 : 0;
  out_.Append("records: " + std::to_string(table_.RecordCount()));
  if (table_.HeaderRecordCount() != table_.RecordCount()) {
    out_.Append(" (the header states " + std::to_string(table_.HeaderRecordCount()) + ")");
  }
  out_.Append(", deleted: " + std::to_string(deleted) + "\n");
  const auto& fields = table_.Fields();
  if (std::any_of(fields.begin(), fields.end(), IsMemo)) {
    std::optional<fs::path> memo = table_.MemoPath();
    out_.Append(
        "memo file: " + (memo ? memo->string() : std::string("missing (memos read empty)")) + "\n");
  }
  out_.Append("fields: " + std::to_string(fields.size()) + "\n");
  for (size_t index = 0; index < fields.size(); ++index) {
    const DbfField& field = fields[index];
    std::string name = options_.raw ? field.name : big5::ToUtf8Escaped(field.name);
    std::snprintf(line, sizeof line, "  %3zu %-11s %c %3d", index + 1, name.c_str(), field.type,
                  field.width);
    out_.Append(line);
    if (field.decimals > 0) out_.Append("." + std::to_string(field.decimals));
    out_.Append('\n');
  }
  out_.Append('\n');
}

void TablePrinter::PrintRecords() {
  const auto& fields = table_.Fields();
  rows_.append("  recno ");
  for (int index : options_.fields) {
    const DbfField& field = fields[static_cast<size_t>(index)];
    rows_.push_back(' ');
    rows_.append(field.name);
    rows_.append(ColumnWidth(field) - field.name.size(), ' ');
  }
  EndLine("\n");
  char number[24];
  for (int record = 1; table_.Go(record); ++record) {
    std::snprintf(number, sizeof number, "%7d%c", record, table_.IsDeleted() ? '*' : ' ');
    rows_.append(number);
    for (int index : options_.fields) {
      const DbfField& field = fields[static_cast<size_t>(index)];
      rows_.push_back(' ');
      std::string_view value = Value(index);
      if (IsMemo(field)) {
        // A memo may span lines; its line breaks are shown as \r and \n.
        for (char c : value) {
          if (c == '\r' || c == '\n') {
            rows_.append(c == '\r' ? "\\r" : "\\n");
          } else {
            rows_.push_back(c);
          }
        }
      } else {
        AppendShown(value);  // raw width: Big5 characters take two columns, as two bytes
        rows_.append(ColumnWidth(field) - static_cast<size_t>(field.width), ' ');
      }
    }
    EndLine("\n");
  }
}

void TablePrinter::PrintCsv() {
  const auto& fields = table_.Fields();
  for (size_t i = 0; i < options_.fields.size(); ++i) {
    if (i > 0) rows_.push_back(',');
    AppendCsvCell(fields[static_cast<size_t>(options_.fields[i])].name);
  }
  EndLine("\r\n");
  for (table_.First(); !table_.Eof(); table_.Next()) {
    for (size_t i = 0; i < options_.fields.size(); ++i) {
      int index = options_.fields[i];
      const DbfField& field = fields[static_cast<size_t>(index)];
      if (i > 0) rows_.push_back(',');
      std::string_view value = Value(index);
      AppendCsvCell(IsNumeric(field) ? WithoutBlanks(value) : WithoutTrailingBlanks(value));
    }
    EndLine("\r\n");
  }
}

std::vector<int> ChosenFields(const DbfTable& table, const std::optional<std::string>& list) {
  std::vector<int> chosen;
  if (!list) {
    for (size_t index = 0; index < table.Fields().size(); ++index) {
      chosen.push_back(static_cast<int>(index));
    }
    return chosen;
  }
  std::string_view rest = *list;
  while (!rest.empty()) {
    size_t comma = rest.find(',');
    std::string_view name = rest.substr(0, comma);
    int index = table.FieldIndex(name);
    if (index < 0) {
      throw UsageError("no field " + std::string(name) + " in " + table.path().string());
    }
    chosen.push_back(index);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return chosen;
}

DbfTable OpenTable(const std::string& name) {
  fs::path file(name);
  if (fs::exists(file)) return DbfTable(file);
  fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  return DbfTable::Open(folder, file.filename().string());
}

int RunDbf(Invocation& invocation) {
  Args& args = invocation.args;
  std::string file = args.RequiredPositional(0, "FILE");
  std::optional<std::string> fields = args.Option("fields");
  Options options;
  options.csv = args.Flag("csv");
  options.raw = args.Flag("raw");
  args.Finish(1);
  DbfTable table = OpenTable(file);
  options.fields = ChosenFields(table, fields);
  int code_page = table.DeclaredCodePage();
  if (options.csv && code_page != 0 && code_page != kBig5CodePage) {
    std::cerr << "warning: " << table.path().string() << " declares code page " << code_page
              << ", not 950 (Big5); its text is shown as Big5\n";
  }
  bool csv = options.csv;
  TablePrinter printer(table, std::move(options));
  if (csv) {
    printer.PrintCsv();
  } else {
    printer.PrintHeader();
    printer.PrintRecords();
  }
  printer.Finish();
  return kExitOk;
}

ZUVO_COMMAND("dbf", "FILE [--fields A,B,...] [--csv] [--raw]",
             "show a dBase table: header and records (Big5 as UTF-8), or CSV, or raw bytes",
             RunDbf);

}  // namespace
}  // namespace zuvo::cli
