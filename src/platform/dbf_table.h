#pragma once

// dBase tables (.DBF) of the source systems, read through shapelib's DBF module.
// Text fields come back as the raw Big5 bytes of the record, untrimmed and unconverted; the
// steps trim where their rules say so. Memo fields (.DBT of dBase III/IV, .FPT of FoxPro) are
// read by this adapter, since shapelib returns only the block number.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace zuvo {

struct DbfField {
  std::string name;  // as stored in the header (ASCII)
  char type = 'C';   // 'C', 'N', 'F', 'D', 'L', 'M', 'T', ...
  int width = 0;     // bytes in the record
  int decimals = 0;
  size_t offset = 0;  // offset in the record, after the deletion flag byte
};

// An open dBase table with a cursor on one record. Opening reads the header once; records are
// sliced from the file's bytes, never re-parsed per field. Deleted records are skipped by the
// navigation. All failures throw zuvo::Error naming the file.
class DbfTable {
 public:
  // Opens `name` (for example "CO01M.DBF" or "S/TITLE.DBF") in `folder`, matching every path
  // component without regard to letter case.
  static DbfTable Open(const std::filesystem::path& folder, std::string_view name);
  explicit DbfTable(const std::filesystem::path& file);
  ~DbfTable();
  DbfTable(DbfTable&&) noexcept;
  DbfTable& operator=(DbfTable&&) noexcept;

  const std::filesystem::path& path() const;

  // Records the file really holds (the header's count clamped to the file size), deleted ones
  // included: the progress maximum of a step.
  int RecordCount() const;
  // The record count as the header states it.
  int HeaderRecordCount() const;
  const std::vector<DbfField>& Fields() const;
  // Field position by name, compared without regard to letter case; the first of duplicate
  // names wins. -1 when absent.
  int FieldIndex(std::string_view name) const;
  bool HasField(std::string_view name) const { return FieldIndex(name) >= 0; }
  // Code page the table declares: from a .cpg file beside it, else from the language-driver
  // byte (29); 0 when it declares none. 950 is Big5.
  int DeclaredCodePage() const;
  uint8_t LanguageDriver() const;

  // Cursor. First() moves to the first live record; Next() to the following live record;
  // Eof() is true after the last. RecordNumber() is the 1-based physical record number (dBase's
  // RECNO()) of the current record.
  void First();
  void Next();
  bool Eof() const;
  int RecordNumber() const;
  // Moves to physical record `record_number` (1-based), deleted or not. False when out of range.
  bool Go(int record_number);
  bool IsDeleted() const;

  // Field values of the current record. Throws Error naming the file and field when the field
  // does not exist. Text is the raw bytes; Integer/Number give 0 for a blank or non-numeric
  // value; Currency is in ten-thousandths; Logical is true for T/t/Y/y; Date gives the raw
  // "yyyymmdd" text of a D field.
  std::string Text(std::string_view field) const;
  std::string_view RawField(int index) const;
  int64_t Integer(std::string_view field) const;
  double Number(std::string_view field) const;
  int64_t Currency(std::string_view field) const;
  bool Logical(std::string_view field) const;
  std::string Memo(std::string_view field) const;
  bool IsBlank(std::string_view field) const;

  // Moves to the first live record whose field(s) equal the given value(s), comparing the
  // trimmed field text with the trimmed value. The hash index for a field (pair) is built on
  // first use and kept. False (cursor unchanged) when none matches.
  bool Locate(std::string_view field, std::string_view value);
  bool Locate(std::string_view field1, std::string_view value1, std::string_view field2,
              std::string_view value2);

  // Physical record numbers of the live records ordered by the raw text of `field`, stable for
  // equal keys.
  std::vector<int> OrderBy(std::string_view field) const;

  // Restricts First()/Next() to live records for which `keep` returns true (called with the
  // cursor on the record); an empty function removes the filter.
  void SetFilter(std::function<bool(const DbfTable&)> keep);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zuvo
