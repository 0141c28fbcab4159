#pragma once

// Whether a SELECT's rows are rows of one table, so that a record set can write them back.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zuvo {

struct SingleTableSelect {
  std::string table;             // UTF-8, unquoted
  size_t select_list_start = 0;  // offset just after the word SELECT
};

// Recognises "select * from T …" and "select a, b from T …" (names bare, "quoted" or
// [bracketed]) where the rest holds no join, set operation or grouping; nullopt for anything
// else (DISTINCT, expressions, several tables, an alias).
std::optional<SingleTableSelect> FindSingleTableSelect(std::string_view statement);

}  // namespace zuvo
