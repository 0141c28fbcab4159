#pragma once

// Field positions of source tables, found once per table.

#include <string_view>

namespace zuvo {

class DbfTable;

// The position of `name` in `table`; throws Error naming the table and the field when it lacks
// the field.
int RequiredFieldIndex(const DbfTable& table, std::string_view name);

}  // namespace zuvo
