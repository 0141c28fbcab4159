#pragma once

// Brings a vendor's Access (Jet 3 or Jet 4) .mdb file into the table store: every user table and
// every live row, read through mdbtools' library (read only). Column kinds:
//   Text, Memo, Replication ID          -> TEXT COLLATE NOCASE (UTF-8)
//   Byte, Integer, Long Integer         -> INTEGER (a Long autonumber becomes the table's
//                                          INTEGER PRIMARY KEY AUTOINCREMENT, so that appended
//                                          rows still get generated numbers)
//   Boolean                             -> BOOLEAN, 0/1
//   Currency                            -> CURRENCY, whole ten-thousandths, exact
//   Single, Double, Decimal             -> REAL
//   Date/Time                           -> DATETIME, real days since 1899-12-30 as Jet keeps it
//   Binary                              -> BLOB
// OLE objects are refused (the import stops naming the column). An empty text and a NULL text
// both arrive as NULL: mdbtools' row reader does not tell them apart.
// not copied. Indexes (the primary key and unique ones as UNIQUE) are rebuilt on the same
// columns, so look-ups by key stay fast; relationships are not copied. Jet 3 (Access 97) text is
// read in code page 950.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/table_store_value.h"

namespace zuvo {

struct MdbImportedTable {
  std::string name_utf8;
  int64_t rows = 0;
};

struct MdbColumnSpec {
  std::string name_utf8;
  ColumnKind kind = ColumnKind::kText;
  bool autonumber = false;
};

struct MdbIndexSpec {
  std::string name_utf8;
  bool unique = false;  // the primary key and unique indexes
  std::vector<std::string> columns_utf8;
};

// The CREATE INDEX statements for a table's indexes (named "table.index"); empty for none.
std::string MdbIndexStatements(std::string_view table_utf8,
                               const std::vector<MdbIndexSpec>& indexes);

// The CREATE TABLE statement for an imported table (UTF-8, names quoted).
std::string MdbCreateTableStatement(std::string_view table_utf8,
                                    const std::vector<MdbColumnSpec>& columns);

// Copies `source` into a new table store file `target` inside one transaction, building it
// beside the target and renaming it into place only when every row is in. An existing target is
// an error unless `replace_existing`; the source itself is never a valid target. Throws
// zuvo::Error naming the file (and table/column) on any failure; the target is then untouched.
std::vector<MdbImportedTable> ImportMdb(const std::filesystem::path& source,
                                        const std::filesystem::path& target, bool replace_existing);

}  // namespace zuvo
