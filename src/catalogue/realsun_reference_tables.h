#pragma once

// Tables of the reference catalogue MX.MDB held in memory for a pass over a clinic's catalogue:
// each table is read once, on its first use, and its rows are found by INSUcode through a hash
// index, so a look-up costs no query.

#include <map>
#include <string>
#include <string_view>

#include "platform/record_set.h"

namespace zuvo {

class Database;

class ReferenceTables {
 public:
  // `mx_reference` must outlive this object.
  explicit ReferenceTables(Database& mx_reference) : mx_reference_(mx_reference) {}

  // The row of `code` in `table` ("medicine", "OPD", "material", "Vaccine", "QuitSmoke"),
  // with the set's cursor on it; the first such row, codes compared without regard to letter
  // case. Null for an empty code and when the table has no row for it. The pointer stays valid
  // while this object lives. Throws Error for a table the reference catalogue lacks.
  RecordSet* Find(std::string_view table, std::string_view code);

 private:
  Database& mx_reference_;
  std::map<std::string, RecordSet, std::less<>> tables_;
};

}  // namespace zuvo
