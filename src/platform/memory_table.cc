#include "platform/memory_table.h"

#include <set>

#include "platform/table_store.h"
#include "platform/table_store_text.h"

namespace zuvo {
namespace {

std::string Quoted(std::string_view name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

RecordSet OpenEmptyTable(std::string_view name, const std::vector<MemoryColumn>& columns,
                         std::string_view key) {
  std::string label = "memory table " + std::string(name);
  if (columns.empty()) throw Error(label + ": no columns");
  std::set<std::string> seen;
  bool key_found = false;
  std::string definition = "CREATE TABLE " + Quoted(name) + " (";
  for (size_t i = 0; i < columns.size(); ++i) {
    const MemoryColumn& column = columns[i];
    if (!seen.insert(table_store::FoldAsciiCase(column.name)).second) {
      throw Error(label + ": the column " + column.name + " is defined twice");
    }
    bool is_key = table_store::FoldAsciiCase(column.name) == table_store::FoldAsciiCase(key);
    key_found = key_found || is_key;
    definition += (i ? ", " : "") + Quoted(column.name) + " " + DeclaredTypeOf(column.kind) +
                  (is_key ? " NOT NULL UNIQUE" : "");
  }
  if (!key_found) throw Error(label + ": the key " + std::string(key) + " is not a column");
  Database database = Database::CreateInMemory(label);
  database.ExecuteScript(definition + ")");
  // The record set keeps the in-memory database alive.
  return database.OpenTable(name);
}

}  // namespace

MemoryTable::MemoryTable(std::string_view name, const std::vector<MemoryColumn>& columns,
                         std::string_view key)
    : RecordSet(OpenEmptyTable(name, columns, key)) {}

}  // namespace zuvo
