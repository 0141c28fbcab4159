#pragma once

// Writes small dBase III tables (with an optional .DBT memo file) for tests, the demo clinic
// and benchmarks: the same layout as the source systems' tables, values given as raw Big5 bytes.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

// Language-driver byte 0x78: Big5 (code page 950).
constexpr uint8_t kBig5LanguageDriver = 0x78;
// dBase III allows 10 characters in a field name, 254 bytes in a C field, 19 digits in N.
constexpr size_t kDbfMaxFieldNameLength = 10;
constexpr int kDbfMaxTextWidth = 254;
constexpr int kDbfMaxNumberWidth = 19;
constexpr int kDbfDateWidth = 8;
constexpr int kDbfLogicalWidth = 1;
constexpr int kDbfMemoPointerWidth = 10;

struct DbfFieldSpec {
  std::string name;  // ASCII, at most kDbfMaxFieldNameLength characters
  char type = 'C';   // 'C', 'N', 'D', 'L' or 'M'
  int width = 0;     // C and N only: D, L and M fields have their fixed widths
  int decimals = 0;  // N only
};

class DbfWriter {
 public:
  // Creates `file` (replacing it) with `fields`. A table with an M field gets version 0x83 and
  // a memo file beside it named with the table's stem and ".DBT" (".dbt" when the table's own
  // extension is lower case). Throws Error for a field that dBase III cannot hold and when the
  // files cannot be created.
  DbfWriter(const std::filesystem::path& file, std::vector<DbfFieldSpec> fields,
            uint8_t language_driver = kBig5LanguageDriver);
  // Closes the table if Close() was not called; a failure then goes unreported, so call Close().
  ~DbfWriter();
  DbfWriter(const DbfWriter&) = delete;
  DbfWriter& operator=(const DbfWriter&) = delete;

  // Appends a live record; `values` (raw Big5) in field order, missing ones blank.
  //  C: cut to the width without splitting a double-byte character, padded with blanks;
  //  N: right-aligned as given; D: "yyyymmdd" or empty; L: one character or empty;
  //  M: stored in the memo file (must not contain the end mark 0x1A), the field holding its
  //     block number. Throws Error for a value that does not fit (an N value wider than its
  //     field, a malformed date) and for more values than fields. Returns the record number.
  int Append(const std::vector<std::string>& values);
  // Marks record `record_number` (1-based) deleted.
  void MarkDeleted(int record_number);
  // Finishes the table (header record count, end-of-file mark) and the memo file, and checks
  // the table's size. Throws Error naming the file on failure.
  void Close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zuvo
