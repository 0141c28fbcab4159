#pragma once

// A table that lives only in memory (the staff table between loading and saving the staff
// file): defined columns, one unique key column, rows in the order they were appended. It is a
// RecordSet over a private in-memory database, so it reads, appends, edits, posts, deletes and
// locates exactly as a table of a database file does.

#include <string>
#include <string_view>
#include <vector>

#include "platform/record_set.h"
#include "platform/table_store_value.h"

namespace zuvo {

struct MemoryColumn {
  std::string name;  // ASCII
  ColumnKind kind = ColumnKind::kText;
};

class MemoryTable : public RecordSet {
 public:
  // An empty table. `key` must name one of `columns`; its values must be present and unique
  // (text compared without regard to ASCII letter case): posting a row whose key another row
  // already has throws an Error naming the table, the key and the value, and leaves the table
  // unchanged. Throws for an empty column list, a key that is not a column, or repeated names.
  MemoryTable(std::string_view name, const std::vector<MemoryColumn>& columns,
              std::string_view key);
};

}  // namespace zuvo
