// zuvoconv dbf: a first look at a table of any xBase tool — its header, then its records with
// every field read to its value and text decoded by the table's code page (bytes that do not
// decode are shown as \xNN), or RFC 4180 CSV, or the text bytes as stored.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "command.h"
#include "platform/code_page_text.h"
#include "platform/dbf_code_page.h"
#include "platform/dbf_table.h"
#include "platform/error.h"

namespace zuvo::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kBig5CodePage = 950;
constexpr size_t kFlushThreshold = 1 << 20;
// Rows are converted to UTF-8 in batches of this many bytes: one conversion per batch instead
// of one per value, in buffers small enough to stay off fresh pages.
constexpr size_t kConversionBatch = 16 << 10;
// Listing columns of the values whose text is not as wide as the field.
constexpr size_t kDateColumn = 10;      // 2024-01-31
constexpr size_t kDateTimeColumn = 23;  // 2024-01-31T23:59:59.999
constexpr size_t kIntegerColumn = 11;   // -2147483648
constexpr size_t kFractionColumn = 16;  // currency and doubles, as a rule
constexpr std::string_view kNullShown = "NULL";
// A memo whose block cannot be read; the first reason is reported at the end.
constexpr std::string_view kUnreadableMemoShown = "?";

constexpr std::string_view kHelp =
    R"(usage: zuvoconv dbf FILE [--fields A,B,...] [--csv] [--raw] [--encoding NAME]

Shows a dBase table of dBase III/IV/5/7, Clipper, FoxPro or Visual FoxPro: its header and
every record (a deleted one marked *), or its live records as CSV.

options:
  --fields A,B,...  only these fields, in this order (names without regard to case)
  --csv             RFC 4180 CSV of the live records, after a line of field names
  --raw             text as the table stores it, not decoded
  --encoding NAME   decode text as NAME (950, Big5, GBK, UTF-8, windows-1252, CP850, ...)
                    instead of the code page the table declares

Text is decoded by the code page the table declares (a .cpg file beside it, else its language
driver), Big5 when it declares none; a byte that does not decode is shown as \xNN.

Each field type prints as:
  C, V            text (CSV: without trailing blanks)
  M               memo text (listing: line breaks as \r and \n)
  N, F            the number as stored
  I, +            whole number
  Y               currency with four decimals: 12.3400
  B (FoxPro), O   floating-point number, shortest exact form: 2.5
  D               date: 2024-01-31
  T, @            date and time: 2024-01-31T08:30:00, with .mmm when it has milliseconds
  L               T or F
  G, P, W, B (dBase memo), Q, 0 (_NullFlags)
                  bytes in hexadecimal
  no value        empty
  null            NULL in the listing, empty in CSV (nullable Visual FoxPro fields)

A memo whose block cannot be read shows as ?; the command then ends with status 1 and says why.

A table cut short (its file holds fewer whole records than its header states, a record the file
ends inside counting as missing) is shown as far as it goes: "records:" gives the records shown
and the count the header states, and the command ends with status 1 after a line naming both
counts on standard error. The conversion steps refuse such a table.
)";

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

bool IsAscii(std::string_view value) {
  return std::all_of(value.begin(), value.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// RFC 4180 quoting; the bytes tested are never Big5 trail bytes.
bool NeedsQuotes(std::string_view value) {
  return std::any_of(value.begin(), value.end(),
                     [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; });
}

bool IsMemo(const DbfField& field) {
  return field.kind == DbfFieldKind::kMemoText || field.kind == DbfFieldKind::kMemoBinary;
}
bool IsRightAligned(const DbfField& field) {
  switch (field.kind) {
    case DbfFieldKind::kNumber:
    case DbfFieldKind::kInteger:
    case DbfFieldKind::kOrderedInteger:
    case DbfFieldKind::kCurrency:
    case DbfFieldKind::kDouble:
    case DbfFieldKind::kOrderedDouble:
      return true;
    default:
      return false;
  }
}

// Width of a field's values in the listing, as a rule.
size_t ShownWidth(const DbfField& field) {
  switch (field.kind) {
    case DbfFieldKind::kDate:
      return kDateColumn;
    case DbfFieldKind::kDateTime:
    case DbfFieldKind::kTimestamp:
      return kDateTimeColumn;
    case DbfFieldKind::kInteger:
    case DbfFieldKind::kOrderedInteger:
      return kIntegerColumn;
    case DbfFieldKind::kCurrency:
    case DbfFieldKind::kDouble:
    case DbfFieldKind::kOrderedDouble:
      return kFractionColumn;
    case DbfFieldKind::kVarBinary:
    case DbfFieldKind::kNullFlags:
      return 2 * static_cast<size_t>(field.width);
    default:
      return static_cast<size_t>(field.width);
  }
}

struct Options {
  bool csv = false;
  bool raw = false;
  std::vector<int> fields;  // indexes, in the order to show
};

class TablePrinter {
 public:
  TablePrinter(DbfTable& table, Options options, CodePageDecoder decoder,
               std::vector<std::string> warnings)
      : table_(table),
        options_(std::move(options)),
        decoder_(std::move(decoder)),
        warnings_(std::move(warnings)) {}

  void PrintHeader();
  void PrintRecords();
  void PrintCsv();
  // Writes what is left; false when a memo could not be read or the table was cut short (each
  // reported on standard error).
  bool Finish() {
    ConvertRows();
    out_.Flush();
    if (unreadable_memos_ == 0 && !table_.IsShort()) return true;
    std::fflush(stdout);  // the records first, then what is wrong with them
    if (unreadable_memos_ > 0) {
      std::cerr << "zuvoconv dbf: " << unreadable_memos_ << " memo value(s) could not be read and "
                << "show as " << kUnreadableMemoShown << "; the first: " << first_unreadable_memo_
                << "\n";
    }
    if (table_.IsShort()) {
      std::cerr << "zuvoconv dbf: the table is cut short: its header states "
                << table_.HeaderRecordCount() << " records, the file holds only "
                << table_.RecordCount() << " (shown above); a conversion refuses it\n";
    }
    return false;
  }

 private:
  // The value of a field of the current record; a memo that cannot be read is counted and
  // shows as kUnreadableMemoShown.
  DbfValue ValueOf(int index);
  // The text of a field's value; C fields and memo text as stored (untrimmed).
  std::string_view Shown(const DbfValue& value);
  // Record lines are gathered as the table's bytes and converted a batch at a time; a batch
  // ends only at the end of a line, so no character is split.
  void AppendShown(std::string_view bytes) { rows_.append(bytes); }
  void AppendCsvCell(std::string_view bytes);
  void EndLine(std::string_view line_end);
  void ConvertRows();
  std::string Decoded(std::string_view bytes) const {
    return options_.raw ? std::string(bytes) : decoder_.ToUtf8Escaped(bytes);
  }
  size_t ColumnWidth(const DbfField& field) const {
    return std::max(field.name.size(), ShownWidth(field));
  }

  DbfTable& table_;
  Options options_;
  CodePageDecoder decoder_;
  std::vector<std::string> warnings_;
  BufferedOutput out_;
  std::string rows_;
  std::string shown_;
  int unreadable_memos_ = 0;
  std::string first_unreadable_memo_;
};

DbfValue TablePrinter::ValueOf(int index) {
  try {
    return table_.Value(index);
  } catch (const Error& error) {
    if (!IsMemo(table_.Fields()[static_cast<size_t>(index)])) throw;
    if (unreadable_memos_++ == 0) first_unreadable_memo_ = error.what();
    return DbfMalformed{kUnreadableMemoShown, false};
  }
}

std::string_view TablePrinter::Shown(const DbfValue& value) {
  if (const auto* text = std::get_if<DbfText>(&value)) return text->bytes;
  shown_ = DbfValueText(value);
  return shown_;
}

void TablePrinter::EndLine(std::string_view line_end) {
  rows_.append(line_end);
  if (rows_.size() >= kConversionBatch) ConvertRows();
}

void TablePrinter::ConvertRows() {
  out_.Append(options_.raw || IsAscii(rows_) ? rows_ : decoder_.ToUtf8Escaped(rows_));
  rows_.clear();
}

void TablePrinter::AppendCsvCell(std::string_view bytes) {
  if (!NeedsQuotes(bytes)) return AppendShown(bytes);
  rows_.push_back('"');
  for (char c : bytes) {
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
  if (!options_.raw && decoder_.code_page() != (code_page == 0 ? kBig5CodePage : code_page)) {
    out_.Append("text shown as code page " + std::to_string(decoder_.code_page()) + "\n");
  }
  for (const std::string& warning : warnings_) out_.Append("warning: " + warning + "\n");
  int deleted = 0;
  for (int record = 1; table_.Go(record); ++record) deleted += table_.IsDeleted() ? 1 : 0;
  out_.Append("records: " + std::to_string(table_.RecordCount()));
  if (table_.HeaderRecordCount() != table_.RecordCount()) {
    out_.Append(" (the header states " + std::to_string(table_.HeaderRecordCount()) + ")");
  } else if (table_.RecordsInFile() != table_.RecordCount()) {
    out_.Append(" (the file holds " + std::to_string(table_.RecordsInFile()) + ")");
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
    std::string name = Decoded(field.name);
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
      DbfValue value = ValueOf(index);
      if (IsMemo(field) && !std::holds_alternative<DbfNull>(value)) {
        // A memo may span lines; its line breaks are shown as \r and \n.
        for (char c : Shown(value)) {
          if (c == '\r' || c == '\n') {
            rows_.append(c == '\r' ? "\\r" : "\\n");
          } else {
            rows_.push_back(c);
          }
        }
        continue;
      }
      // Raw width: a double-byte character takes two columns, as two bytes.
      std::string_view shown = std::holds_alternative<DbfNull>(value) ? kNullShown : Shown(value);
      size_t pad = ColumnWidth(field) - std::min(ColumnWidth(field), shown.size());
      if (IsRightAligned(field)) rows_.append(pad, ' ');
      AppendShown(shown);
      if (!IsRightAligned(field)) rows_.append(pad, ' ');
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
      if (i > 0) rows_.push_back(',');
      DbfValue value = ValueOf(index);
      if (std::holds_alternative<DbfText>(value)) {
        AppendCsvCell(WithoutTrailingBlanks(std::get<DbfText>(value).bytes));
      } else {
        AppendCsvCell(Shown(value));
      }
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

// The code page text is shown in: --encoding, else the declared one, else Big5. A declared code
// page this program cannot decode falls back to Big5 with a warning.
int ShownCodePage(const DbfTable& table, const std::optional<std::string>& encoding,
                  std::vector<std::string>& warnings) {
  if (encoding) {
    int named = CodePageFromCpgText(*encoding);
    if (named == 0 || !CanDecodeCodePage(named)) {
      throw UsageError("unknown encoding " + *encoding);
    }
    return named;
  }
  int declared = table.DeclaredCodePage();
  if (declared == 0) return kBig5CodePage;
  if (!CanDecodeCodePage(declared)) {
    warnings.push_back("the table declares code page " + std::to_string(declared) +
                       ", which this program cannot decode; its text is shown as Big5");
    return kBig5CodePage;
  }
  return declared;
}

int RunDbf(Invocation& invocation) {
  Args& args = invocation.args;
  std::string file = args.RequiredPositional(0, "FILE");
  std::optional<std::string> fields = args.Option("fields");
  std::optional<std::string> encoding = args.Option("encoding");
  Options options;
  options.csv = args.Flag("csv");
  options.raw = args.Flag("raw");
  args.Finish(1);
  DbfTable table = OpenTable(file);
  options.fields = ChosenFields(table, fields);
  std::vector<std::string> warnings = table.Warnings();
  CodePageDecoder decoder(ShownCodePage(table, encoding, warnings));
  bool csv = options.csv;
  if (csv) {
    for (const std::string& warning : warnings) std::cerr << "warning: " << warning << "\n";
    warnings.clear();
  }
  TablePrinter printer(table, std::move(options), std::move(decoder), std::move(warnings));
  if (csv) {
    printer.PrintCsv();
  } else {
    printer.PrintHeader();
    printer.PrintRecords();
  }
  return printer.Finish() ? kExitOk : kExitError;
}

const bool dbf_help = RegisterOptionsHelp("dbf", std::string(kHelp));
ZUVO_COMMAND("dbf", "FILE [--fields A,B,...] [--csv] [--raw] [--encoding NAME] | --help",
             "show a dBase table: header and records decoded by its code page, or CSV, or raw "
             "bytes (dbf --help: options and how each field type prints)",
             RunDbf);

}  // namespace
}  // namespace zuvo::cli
