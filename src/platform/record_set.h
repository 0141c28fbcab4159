#pragma once

// Rows of a table store table or query, held in memory, with a cursor and the row operations of
// the conversion steps: read fields by name, append/edit/post/delete, locate and filter.
//
// Contract:
// - A record set reads all its rows when it is opened (tables hold at most some 100,000 rows).
//   Rows written by other statements later are not seen; rows it posts itself are written
//   through to the database at once and stay in the set (an appended row at the end).
// - It can write when it is a whole-table open or a query "select * | col, … from TABLE …" over
//   one table; other queries (DISTINCT, joins, expressions) are read only.
// - Field names are compared without regard to ASCII letter case. A missing field throws an
//   Error naming the table and the field.
// - Texts are Big5 in and out; Text() throws an Error naming table, column and row for a text
//   that Big5 cannot hold (use TextUtf8 or TextBig5Substituted there).
// - Moving the cursor (First, Next, Locate) while a row is being edited or appended
//   posts it first, as the data-aware controls of the old system did.
// - It keeps the connection open while it lives. Rows posted inside a transaction that is then
//   rolled back are still shown: open the set again after a rollback.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/table_store_value.h"

namespace zuvo {

namespace table_store {
class Connection;
struct QueryResult;
}  // namespace table_store

// Replaces each character that Big5 cannot hold: ？ (full-width question mark).
inline constexpr std::string_view kBig5Substitute = "\xA1\x48";

class RecordSet {
 public:
  // Used by Database; `table_utf8` is the table rows are written to (empty: read only). When
  // writable, column 0 of `result` is the rowid.
  RecordSet(std::shared_ptr<table_store::Connection> connection, std::string table_utf8,
            table_store::QueryResult result);
  ~RecordSet();
  RecordSet(RecordSet&&) noexcept;
  RecordSet& operator=(RecordSet&&) noexcept;

  // --- cursor over the visible rows (all rows, or those the filter keeps)
  void First();
  void Next();
  bool Eof() const;
  size_t RecordCount() const;

  // --- fields of the current row
  bool HasField(std::string_view name) const;
  std::vector<std::string> FieldNames() const;  // Big5, in the set's column order
  bool IsNull(std::string_view name) const;
  // Big5 text; NULL gives "". Numbers come as decimal text, currency as "12.3456" without
  // trailing zeros, booleans as "True"/"False".
  std::string Text(std::string_view name) const;
  std::string TextUtf8(std::string_view name) const;
  // As Text, but each character Big5 cannot hold becomes kBig5Substitute; `*substituted` tells
  // whether that happened.
  std::string TextBig5Substituted(std::string_view name, bool* substituted) const;
  // Whole number; reals are rounded to the nearest (ties to even), text must be a whole number.
  int64_t Integer(std::string_view name) const;
  double Number(std::string_view name) const;     // a currency column gives 12.3456
  int64_t Currency(std::string_view name) const;  // ten-thousandths
  bool Boolean(std::string_view name) const;      // any non-zero number is true (Jet's −1)

  // --- writing (throws for a read-only set)
  void Append();  // a new row of NULLs (the table's defaults after Post), the cursor on it
  void Edit();
  // Values are converted to the column's kind: text into a number column must be a number,
  // a number into a currency column becomes ten-thousandths, booleans are stored 0/1.
  void SetText(std::string_view name, std::string_view big5);
  void SetTextUtf8(std::string_view name, std::string_view utf8);
  void SetInteger(std::string_view name, int64_t value);
  void SetNumber(std::string_view name, double value);
  void SetCurrency(std::string_view name, int64_t ten_thousandths);
  void SetBoolean(std::string_view name, bool value);
  void SetNull(std::string_view name);
  // Writes the row being edited or appended (INSERT, or UPDATE by rowid of the changed columns)
  // and reads an appended row back, so generated keys and defaults are seen. A duplicate key
  // throws an Error naming the table, the key columns and their values.
  void Post();
  void Cancel();
  // Deletes the current row from the table; the cursor moves to the row after it.
  void Delete();

  // Moves to the first visible row whose fields equal the values (text without regard to ASCII
  // letter case, numbers by value, NULL only to NULL); false leaves the cursor where it was.
  // Look-ups go through a hash index per field list, built on first use and kept up to date.
  bool Locate(const std::vector<std::string_view>& names, const std::vector<Param>& values);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zuvo
