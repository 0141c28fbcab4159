#pragma once

// Translation of the Access (Jet) statement forms the conversion steps write into statements that
// SQLite accepts. This is a token rewriter, not a parser: it knows quoted literals, bracketed
// names, words and a handful of operators, and leaves everything else as written.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo::jet_sql {

// Where the value of one `?` of the translated statement comes from: the caller's parameter
// with index `caller_index` (0-based), or a double-quoted literal of the original statement.
struct ParameterSource {
  bool is_literal = false;
  size_t caller_index = 0;
  std::string literal_utf8;
  bool operator==(const ParameterSource&) const = default;
};

struct Translation {
  std::string sql;                          // UTF-8, SQLite dialect
  std::vector<ParameterSource> parameters;  // one per `?` of `sql`, in order
  size_t caller_parameter_count = 0;        // how many `?` the original statement held
};

// Rewrites a UTF-8 statement:
//   delete * from T        -> delete from T
//   x <> null, x != null   -> x IS NOT NULL        x = null -> x IS NULL
//   True / False           -> 1 / 0
//   [name]                 -> "name"
//   "abc" (a Jet string)   -> ? bound to abc       ("" inside stands for one ")
// Single-quoted literals are copied unchanged ('' inside stands for one '). Words are matched
// without regard to letter case. Throws zuvo::Error for an unterminated literal or bracket.
Translation Translate(std::string_view utf8_statement);

// A translated SELECT whose rows are rows of one table, so that they can be written back.
struct SingleTableSelect {
  std::string table;             // UTF-8, unquoted
  size_t select_list_start = 0;  // offset just after the word SELECT
};

// Recognises "select * from T …" and "select a, b from T …" where the rest holds no join, set
// operation or grouping; nullopt for anything else (DISTINCT, expressions, several tables).
std::optional<SingleTableSelect> FindSingleTableSelect(std::string_view sqlite_statement);

}  // namespace zuvo::jet_sql
