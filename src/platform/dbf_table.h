#pragma once

// dBase tables (.DBF) of the source systems and of any xBase tool: dBase III/IV/5/7, Clipper,
// FoxPro and Visual FoxPro. The header is read once (dbf_header.h); the records are sliced
// straight from the memory-mapped file. Text fields come back as the raw bytes of the record
// (Big5 in the source systems' tables), untrimmed and unconverted; the steps trim where their
// rules say so. Value() reads any field to its typed value, binary Visual FoxPro and dBase 7
// fields included. Memo fields (.DBT of dBase III/IV/7, .FPT of FoxPro) are read by this adapter.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dbf_field_value.h"
#include "platform/dbf_header.h"
#include "platform/error.h"

namespace zuvo {

// An open dBase table with a cursor on one record. Opening reads the header once and maps the
// file; records are sliced from the file's bytes, never re-parsed per field. Deleted records
// are skipped by the navigation. All failures throw zuvo::Error naming the file.
//
// Damaged files: a table whose file holds fewer whole records than its header states was cut
// short (a record the file ends inside is one of the missing). It opens, so that what is left can
// be looked at, and reads its whole records; IsShort() tells, and RefuseShortTable() is how a
// conversion refuses it. The header faults ReadDbfHeader lists are refused when opening. A 0x00
// byte where the header terminator 0x0D belongs is accepted. A 0x1A inside the last record is
// data and is returned as it is (trimming removes it).
class DbfTable {
 public:
  // Opens `name` (for example "CO01M.DBF" or "S/TITLE.DBF") in `folder`, matching every path
  // component without regard to letter case. Throws Error when it does not exist.
  static DbfTable Open(const std::filesystem::path& folder, std::string_view name);
  // Opens `file` as named, and positions the cursor as First() does.
  explicit DbfTable(const std::filesystem::path& file);
  ~DbfTable();
  DbfTable(DbfTable&&) noexcept;
  DbfTable& operator=(DbfTable&&) noexcept;

  const std::filesystem::path& path() const;
  // The file that errors name from now on instead of path(): the source table a work copy was
  // made of, which is the one the user can open.
  void NameInMessages(const std::filesystem::path& shown);

  // Records the file really holds (the header's count clamped to the file's whole records),
  // deleted ones included: the progress maximum of a step.
  int RecordCount() const;
  // The record count as the header states it.
  int HeaderRecordCount() const;
  // True when the file holds fewer whole records than the header states: the table was cut short.
  bool IsShort() const;
  // Throws Error naming the file (the one NameInMessages gave) and both counts when IsShort():
  // "資料表不完整,表頭宣告 224 筆,檔案只有 100 筆". A conversion step never reads a cut table as
  // if it were whole.
  void RefuseShortTable() const;
  // Whole records the file's data area holds, whatever the header states: the records the
  // header counts, as far as the file holds them, and every whole record after them that starts
  // with a deletion flag (' ' or '*'), up to the first that does not. The end-of-file mark
  // (0x1A) and stray bytes after the last record are not counted. More than HeaderRecordCount()
  // when the header was not updated for records added after it.
  int RecordsInFile() const;
  // Drops the table's mapped pages from the resident set (see DbfMappedFile); a pass over a
  // large table calls it now and then. Field views taken before stay valid.
  void ReleaseResidentPages() const;
  const std::vector<DbfField>& Fields() const;
  // Field position by name, compared without regard to letter case; the first of duplicate
  // names wins. -1 when absent.
  int FieldIndex(std::string_view name) const;
  bool HasField(std::string_view name) const { return FieldIndex(name) >= 0; }
  // Code page the table declares: from a .cpg file beside it (found without regard to case, its
  // text compared without regard to case) when that names a known code page, else from the
  // language-driver byte (29), else from a dBase 7 table's language driver name ("DB866RU0");
  // 0 when it declares none. 950 is Big5.
  int DeclaredCodePage() const;
  uint8_t LanguageDriver() const;
  // Header byte 0 (0x03 dBase III, 0x83 dBase III with memo, 0x8B dBase IV with memo, 0x30
  // Visual FoxPro, 0x8C dBase 7 with memo, ...).
  uint8_t Version() const;
  // What opening met and went past, one sentence each (a .cpg file that cannot be read or names
  // no known code page, which is then ignored).
  const std::vector<std::string>& Warnings() const;
  // The memo file in use (.DBT or .FPT beside the table with the same stem, found without
  // regard to case); empty when the table has no memo field or the file is missing.
  std::optional<std::filesystem::path> MemoPath() const;

  // Cursor. First() moves to the first live record; Next() to the following live record;
  // Eof() is true after the last. RecordNumber() is the 1-based physical record number (dBase's
  // RECNO()) of the current record; RecordCount() + 1 at the end.
  void First();
  void Next();
  bool Eof() const;
  int RecordNumber() const;
  // Moves to physical record `record_number` (1-based), deleted or not, whatever the filter.
  // False (cursor unchanged) when out of range.
  bool Go(int record_number);
  bool IsDeleted() const;

  // Field values of the current record. Throws Error naming the file and field when the field
  // does not exist or the cursor is past the last record. Text is the raw bytes (a D field
  // gives its "yyyymmdd" text); Integer is the whole part of a decimal and Number the decimal
  // or floating value, both 0 for a blank or non-numeric value; Currency is in ten-thousandths,
  // computed exactly from the digits; Logical is true for T/t/Y/y. Integer, Number and Currency
  // read the binary numbers (I, +, Y, B, O) by their values, 0 when null.
  std::string Text(std::string_view field) const;
  // The raw bytes as a view into the mapped file, valid while the table is open: the fast path
  // for readers of every field.
  std::string_view RawField(int index) const;
  std::string_view RawField(std::string_view field) const;
  int64_t Integer(std::string_view field) const;
  double Number(std::string_view field) const;
  int64_t Currency(std::string_view field) const;
  bool Logical(std::string_view field) const;
  // Bytes of a memo field (M text; G, P, W and dBase's B binary) from the memo file; empty when
  // the field holds no block number or the memo file is missing. Throws Error for a field that
  // is not a memo field, for a pointer that is no block number and for a block number or memo
  // length that points past the end of the memo file.
  std::string Memo(std::string_view field) const;
  // True when the field holds only bytes 0x00..0x20; for the binary kinds (I, +, Y, T, B, O, @,
  // Q, _NullFlags), when Value() is blank or null.
  bool IsBlank(std::string_view field) const;
  // The typed value of a field of the current record (see DbfValue), null bits and memo files
  // included; views point into the mapped table or memo file and stay valid while the table
  // is open. Throws Error as Text() does, and as Memo() does for a memo field.
  DbfValue Value(int index) const;
  DbfValue Value(std::string_view field) const;

  // Moves to the first live record whose field(s) equal the given value(s), comparing the
  // trimmed field bytes with the trimmed value bytes exactly. The hash index for a field (pair)
  // is built on first use and kept. The filter does not apply. False (cursor unchanged) when
  // none matches.
  bool Locate(std::string_view field, std::string_view value);
  bool Locate(std::string_view field1, std::string_view value1, std::string_view field2,
              std::string_view value2);

  // Physical record numbers of the live records ordered by the raw bytes of `field` (compared
  // as unsigned bytes), stable for equal keys. The filter does not apply.
  std::vector<int> OrderBy(std::string_view field) const;

  // Restricts First()/Next() to live records for which `keep` returns true (called with the
  // cursor on the record); an empty function removes the filter. Takes effect at the next
  // First()/Next().
  void SetFilter(std::function<bool(const DbfTable&)> keep);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zuvo
