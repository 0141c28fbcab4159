#include "platform/record_set.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/big5.h"
#include "platform/table_store_connection.h"
#include "platform/table_store_text.h"

namespace zuvo {
namespace {

using table_store::Connection;
using table_store::QueryResult;

constexpr size_t kNoPosition = static_cast<size_t>(-1);
constexpr std::string_view kUniqueFailure = "UNIQUE constraint failed: ";

struct Column {
  std::string name_utf8;
  std::string folded;  // for look-ups by name
  ColumnKind kind;
};

struct Row {
  int64_t rowid = 0;
  std::vector<StoredValue> values;
  bool deleted = false;
};

// Rows by the values of some columns; each list holds row indexes in ascending order.
struct Index {
  std::vector<size_t> columns;
  std::unordered_map<std::string, std::vector<size_t>> rows;
};

enum class Mode { kBrowse, kEdit, kAppend };

std::string QuotedName(std::string_view utf8_name) {
  std::string quoted = "\"";
  for (char c : utf8_name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// The part of a key that one value contributes: equal for values a Locate treats as equal.
std::string KeyPart(ColumnKind kind, const StoredValue& value) {
  std::string part;
  if (std::holds_alternative<std::monostate>(value)) {
    part = "0";
  } else if (const auto* integer = std::get_if<int64_t>(&value)) {
    part = kind == ColumnKind::kBoolean ? (*integer != 0 ? "N1" : "N0")
                                        : "N" + std::to_string(*integer);
  } else if (const auto* real = std::get_if<double>(&value)) {
    if (kind == ColumnKind::kBoolean) {
      part = *real != 0 ? "N1" : "N0";
    } else if (std::nearbyint(*real) == *real && std::fabs(*real) < 9.2e18) {
      part = "N" + std::to_string(static_cast<int64_t>(*real));
    } else {
      part = "R" + table_store::FormatNumber(*real);
    }
  } else if (const auto* text = std::get_if<std::string>(&value)) {
    part = "T" + table_store::FoldAsciiCase(*text);
  } else {
    part = "B" + std::get<StoredBlob>(value).bytes;
  }
  return std::to_string(part.size()) + ":" + part;
}

}  // namespace

struct RecordSet::State {
  std::shared_ptr<Connection> connection;
  std::string table;  // UTF-8; empty when read only
  std::vector<Column> columns;
  std::unordered_map<std::string, size_t> column_by_name;
  std::vector<Row> rows;
  std::vector<size_t> visible;          // row indexes the cursor walks
  std::vector<size_t> position_of_row;  // position in `visible`, kNoPosition when hidden
  size_t cursor = 0;
  Mode mode = Mode::kBrowse;
  std::vector<std::optional<StoredValue>> pending;
  std::map<std::vector<size_t>, Index> indexes;

  bool writable() const { return !table.empty(); }
  std::string TableLabel() const {
    return connection->display_name() + ": table " + (table.empty() ? "(query)" : table);
  }

  size_t ColumnIndex(std::string_view big5_name) const {
    std::string folded;
    try {
      folded = table_store::FoldAsciiCase(big5::ToUtf8(big5_name));
    } catch (const big5::ConversionError&) {
      folded = big5::ToUtf8Escaped(big5_name);
    }
    auto found = column_by_name.find(folded);
    if (found == column_by_name.end()) {
      throw Error(TableLabel() + ": no column " + big5::ToUtf8Escaped(big5_name));
    }
    return found->second;
  }

  std::string RowLabel() const {
    if (mode == Mode::kAppend) return "new row";
    if (cursor >= visible.size()) return "no row";
    const Row& row = rows[visible[cursor]];
    return writable() ? "row " + std::to_string(row.rowid) : "row " + std::to_string(cursor + 1);
  }
  std::string FieldLabel(size_t column) const {
    return TableLabel() + ", column " + columns[column].name_utf8 + ", " + RowLabel();
  }

  const StoredValue& Value(size_t column) const {
    static const StoredValue kNull;
    if (mode != Mode::kBrowse && pending[column]) return *pending[column];
    if (mode == Mode::kAppend) return kNull;
    if (cursor >= visible.size()) {
      throw Error(TableLabel() + ": no current row (end of table) reading " +
                  columns[column].name_utf8);
    }
    return rows[visible[cursor]].values[column];
  }

  void RebuildPositions() {
    position_of_row.assign(rows.size(), kNoPosition);
    for (size_t i = 0; i < visible.size(); ++i) position_of_row[visible[i]] = i;
  }

  void RequireWritable(const char* operation) const {
    if (!writable()) {
      throw Error(TableLabel() + ": " + operation +
                  " needs a record set over one table (this query is read only)");
    }
  }

  std::string Key(const std::vector<size_t>& key_columns, const Row& row) const {
    std::string key;
    for (size_t column : key_columns) key += KeyPart(columns[column].kind, row.values[column]);
    return key;
  }

  void IndexInsert(size_t row_index) {
    for (auto& [key_columns, index] : indexes) {
      auto& list = index.rows[Key(key_columns, rows[row_index])];
      list.insert(std::lower_bound(list.begin(), list.end(), row_index), row_index);
    }
  }
  void IndexErase(size_t row_index) {
    for (auto& [key_columns, index] : indexes) {
      auto found = index.rows.find(Key(key_columns, rows[row_index]));
      if (found == index.rows.end()) continue;
      auto& list = found->second;
      auto at = std::lower_bound(list.begin(), list.end(), row_index);
      if (at != list.end() && *at == row_index) list.erase(at);
    }
  }

  StoredValue Coerce(size_t column, const Param& param) const;
  void Set(std::string_view name, const Param& value);
  void PostIfEditing() {
    if (mode != Mode::kBrowse) Post();
  }
  void Post();
  [[noreturn]] void ThrowDuplicateKey(const ConstraintError& error) const;
  void ReadBack(size_t row_index);
};

RecordSet::RecordSet(std::shared_ptr<Connection> connection, std::string table_utf8,
                     QueryResult result)
    : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.connection = std::move(connection);
  s.table = std::move(table_utf8);
  size_t first = s.writable() ? 1 : 0;  // column 0 of a writable set is the rowid
  for (size_t i = first; i < result.columns.size(); ++i) {
    Column column{result.columns[i].name_utf8,
                  table_store::FoldAsciiCase(result.columns[i].name_utf8), result.columns[i].kind};
    s.column_by_name.emplace(column.folded, s.columns.size());  // the first of equal names wins
    s.columns.push_back(std::move(column));
  }
  s.rows.reserve(result.rows.size());
  for (auto& values : result.rows) {
    Row row;
    if (s.writable()) {
      row.rowid = std::get<int64_t>(values[0]);
      values.erase(values.begin());
    }
    row.values = std::move(values);
    s.rows.push_back(std::move(row));
  }
  s.visible.resize(s.rows.size());
  for (size_t i = 0; i < s.rows.size(); ++i) s.visible[i] = i;
  s.RebuildPositions();
}

RecordSet::~RecordSet() = default;
RecordSet::RecordSet(RecordSet&&) noexcept = default;
RecordSet& RecordSet::operator=(RecordSet&&) noexcept = default;

void RecordSet::First() {
  state_->PostIfEditing();
  state_->cursor = 0;
}

void RecordSet::Next() {
  state_->PostIfEditing();
  if (state_->cursor < state_->visible.size()) ++state_->cursor;
}

bool RecordSet::Eof() const {
  return state_->mode != Mode::kAppend && state_->cursor >= state_->visible.size();
}

size_t RecordSet::RecordCount() const { return state_->visible.size(); }

bool RecordSet::HasField(std::string_view name) const {
  try {
    state_->ColumnIndex(name);
    return true;
  } catch (const Error&) {
    return false;
  }
}

std::vector<std::string> RecordSet::FieldNames() const {
  std::vector<std::string> names;
  for (const Column& column : state_->columns) names.push_back(big5::FromUtf8(column.name_utf8));
  return names;
}

bool RecordSet::IsNull(std::string_view name) const {
  return std::holds_alternative<std::monostate>(state_->Value(state_->ColumnIndex(name)));
}

std::string RecordSet::TextUtf8(std::string_view name) const {
  size_t column = state_->ColumnIndex(name);
  const StoredValue& value = state_->Value(column);
  ColumnKind kind = state_->columns[column].kind;
  if (std::holds_alternative<std::monostate>(value)) return "";
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (std::holds_alternative<StoredBlob>(value)) {
    throw Error(state_->FieldLabel(column) + ": binary data cannot be read as text");
  }
  if (kind == ColumnKind::kBoolean) return Boolean(name) ? "True" : "False";
  if (kind == ColumnKind::kCurrency) return table_store::FormatCurrency(Currency(name));
  if (const auto* integer = std::get_if<int64_t>(&value)) return std::to_string(*integer);
  return table_store::FormatNumber(std::get<double>(value));
}

std::string RecordSet::Text(std::string_view name) const {
  std::string utf8 = TextUtf8(name);
  try {
    return big5::FromUtf8(utf8);
  } catch (const big5::ConversionError& error) {
    throw Error(state_->FieldLabel(state_->ColumnIndex(name)) +
                ": the text has a character that Big5 cannot hold (UTF-8 byte " +
                std::to_string(error.offset()) + "): " + utf8);
  }
}

std::string RecordSet::TextBig5Substituted(std::string_view name, bool* substituted) const {
  std::string utf8 = TextUtf8(name);
  bool replaced = false;
  std::string big5 = table_store::Utf8ToBig5Substituting(utf8, kBig5Substitute, &replaced);
  if (substituted) *substituted = replaced;
  return big5;
}

int64_t RecordSet::Integer(std::string_view name) const {
  size_t column = state_->ColumnIndex(name);
  const StoredValue& value = state_->Value(column);
  ColumnKind kind = state_->columns[column].kind;
  if (kind == ColumnKind::kCurrency) {
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(Currency(name)) / 10000.0));
  }
  if (kind == ColumnKind::kBoolean) return Boolean(name) ? 1 : 0;
  if (std::holds_alternative<std::monostate>(value)) return 0;
  if (const auto* integer = std::get_if<int64_t>(&value)) return *integer;
  if (const auto* real = std::get_if<double>(&value)) {
    return static_cast<int64_t>(std::nearbyint(*real));
  }
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (auto parsed = table_store::ParseInteger(*text)) return *parsed;
    if (auto parsed = table_store::ParseNumber(*text)) {
      return static_cast<int64_t>(std::nearbyint(*parsed));
    }
    if (table_store::IsBlank(*text)) return 0;
    throw Error(state_->FieldLabel(column) + ": \"" + *text + "\" is not a number");
  }
  throw Error(state_->FieldLabel(column) + ": binary data cannot be read as a number");
}

double RecordSet::Number(std::string_view name) const {
  size_t column = state_->ColumnIndex(name);
  const StoredValue& value = state_->Value(column);
  ColumnKind kind = state_->columns[column].kind;
  if (kind == ColumnKind::kCurrency) return static_cast<double>(Currency(name)) / 10000.0;
  if (kind == ColumnKind::kBoolean) return Boolean(name) ? 1 : 0;
  if (std::holds_alternative<std::monostate>(value)) return 0;
  if (const auto* integer = std::get_if<int64_t>(&value)) return static_cast<double>(*integer);
  if (const auto* real = std::get_if<double>(&value)) return *real;
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (auto parsed = table_store::ParseNumber(*text)) return *parsed;
    if (table_store::IsBlank(*text)) return 0;
    throw Error(state_->FieldLabel(column) + ": \"" + *text + "\" is not a number");
  }
  throw Error(state_->FieldLabel(column) + ": binary data cannot be read as a number");
}

int64_t RecordSet::Currency(std::string_view name) const {
  size_t column = state_->ColumnIndex(name);
  const StoredValue& value = state_->Value(column);
  // A currency column counts ten-thousandths; any other column holds the amount itself.
  double scale = state_->columns[column].kind == ColumnKind::kCurrency ? 1 : 10000;
  if (std::holds_alternative<std::monostate>(value)) return 0;
  if (const auto* integer = std::get_if<int64_t>(&value)) {
    return *integer * static_cast<int64_t>(scale);
  }
  if (const auto* real = std::get_if<double>(&value)) {
    return static_cast<int64_t>(std::nearbyint(*real * scale));
  }
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (auto parsed = table_store::ParseCurrency(*text)) return *parsed;
    if (table_store::IsBlank(*text)) return 0;
    throw Error(state_->FieldLabel(column) + ": \"" + *text + "\" is not an amount");
  }
  throw Error(state_->FieldLabel(column) + ": binary data cannot be read as an amount");
}

bool RecordSet::Boolean(std::string_view name) const {
  size_t column = state_->ColumnIndex(name);
  const StoredValue& value = state_->Value(column);
  if (std::holds_alternative<std::monostate>(value)) return false;
  if (const auto* integer = std::get_if<int64_t>(&value)) return *integer != 0;
  if (const auto* real = std::get_if<double>(&value)) return *real != 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    if (auto parsed = table_store::ParseBoolean(*text)) return *parsed;
    throw Error(state_->FieldLabel(column) + ": \"" + *text + "\" is not true or false");
  }
  throw Error(state_->FieldLabel(column) + ": binary data cannot be read as true or false");
}

// --- writing

StoredValue RecordSet::State::Coerce(size_t column, const Param& param) const {
  using Type = Param::Type;
  ColumnKind kind = columns[column].kind;
  std::string label = FieldLabel(column);
  StoredValue stored = connection->Store(param, label);
  if (std::holds_alternative<std::monostate>(stored)) return stored;
  const auto* text = std::get_if<std::string>(&stored);
  if (text && kind != ColumnKind::kText && kind != ColumnKind::kOther &&
      table_store::IsBlank(*text)) {
    return std::monostate{};  // a blank into a number column leaves it empty
  }
  auto not_a = [&](const char* what) -> Error {
    return Error(label + ": \"" + (text ? *text : std::string("?")) + "\" is not " + what);
  };
  switch (kind) {
    case ColumnKind::kText:
      if (param.type() == Type::kBoolean) return std::string(param.integer() ? "True" : "False");
      if (param.type() == Type::kCurrency) return table_store::FormatCurrency(param.integer());
      if (param.type() == Type::kInteger) return std::to_string(param.integer());
      if (param.type() == Type::kNumber) return table_store::FormatNumber(param.number());
      return stored;
    case ColumnKind::kInteger:
      if (param.type() == Type::kCurrency) {
        return static_cast<int64_t>(std::nearbyint(static_cast<double>(param.integer()) / 1e4));
      }
      if (param.type() == Type::kNumber) {
        return static_cast<int64_t>(std::nearbyint(param.number()));
      }
      if (text) {
        if (auto parsed = table_store::ParseInteger(*text)) return *parsed;
        if (auto parsed = table_store::ParseNumber(*text)) {
          return static_cast<int64_t>(std::nearbyint(*parsed));
        }
        throw not_a("a number");
      }
      return stored;
    case ColumnKind::kReal:
    case ColumnKind::kDateTime:
      if (param.type() == Type::kCurrency) return static_cast<double>(param.integer()) / 1e4;
      if (param.type() == Type::kInteger) return static_cast<double>(param.integer());
      if (text) {
        if (auto parsed = table_store::ParseNumber(*text)) return *parsed;
        throw not_a("a number");
      }
      return stored;
    case ColumnKind::kCurrency:
      if (param.type() == Type::kCurrency) return param.integer();
      if (param.type() == Type::kInteger) return param.integer() * 10000;
      if (param.type() == Type::kNumber) {
        return static_cast<int64_t>(std::nearbyint(param.number() * 10000));
      }
      if (text) {
        if (auto parsed = table_store::ParseCurrency(*text)) return *parsed;
        throw not_a("an amount");
      }
      throw Error(label + ": true or false is not an amount");
    case ColumnKind::kBoolean:
      if (text) {
        if (auto parsed = table_store::ParseBoolean(*text)) return int64_t{*parsed ? 1 : 0};
        throw not_a("true or false");
      }
      if (param.type() == Type::kNumber) return int64_t{param.number() != 0 ? 1 : 0};
      return int64_t{param.integer() != 0 ? 1 : 0};
    case ColumnKind::kBlob:
      throw Error(label + ": binary columns are not written by this program");
    case ColumnKind::kOther:
      return stored;
  }
  return stored;
}

void RecordSet::Append() {
  State& s = *state_;
  s.RequireWritable("Append");
  s.PostIfEditing();
  s.mode = Mode::kAppend;
  s.pending.assign(s.columns.size(), std::nullopt);
}

void RecordSet::Edit() {
  State& s = *state_;
  s.RequireWritable("Edit");
  if (s.mode != Mode::kBrowse) return;
  if (Eof()) throw Error(s.TableLabel() + ": Edit without a current row (end of table)");
  s.mode = Mode::kEdit;
  s.pending.assign(s.columns.size(), std::nullopt);
}

void RecordSet::SetText(std::string_view name, std::string_view big5) {
  state_->Set(name, Param(big5));
}
void RecordSet::SetTextUtf8(std::string_view name, std::string_view utf8) {
  state_->Set(name, Param::Utf8(std::string(utf8)));
}
void RecordSet::SetInteger(std::string_view name, int64_t value) {
  state_->Set(name, Param(value));
}
void RecordSet::SetNumber(std::string_view name, double value) { state_->Set(name, Param(value)); }
void RecordSet::SetCurrency(std::string_view name, int64_t ten_thousandths) {
  state_->Set(name, Param(zuvo::Currency{ten_thousandths}));
}
void RecordSet::SetBoolean(std::string_view name, bool value) { state_->Set(name, Param(value)); }
void RecordSet::SetNull(std::string_view name) { state_->Set(name, Param()); }

void RecordSet::State::Set(std::string_view name, const Param& value) {
  size_t column = ColumnIndex(name);
  if (mode == Mode::kBrowse) {
    throw Error(TableLabel() + ": setting " + columns[column].name_utf8 +
                " needs Edit or Append first");
  }
  pending[column] = Coerce(column, value);
}

void RecordSet::Post() {
  if (state_->mode == Mode::kBrowse) {
    throw Error(state_->TableLabel() + ": Post without Edit or Append");
  }
  state_->Post();
}

void RecordSet::State::Post() {
  std::vector<size_t> changed;
  std::vector<StoredValue> values;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (pending[i]) {
      changed.push_back(i);
      values.push_back(*pending[i]);
    }
  }
  std::string quoted_table = QuotedName(table);
  try {
    if (mode == Mode::kEdit) {
      if (!changed.empty()) {
        size_t row_index = visible[cursor];
        std::string sql = "UPDATE " + quoted_table + " SET ";
        for (size_t i = 0; i < changed.size(); ++i) {
          sql += (i ? ", " : "") + QuotedName(columns[changed[i]].name_utf8) + " = ?";
        }
        sql += " WHERE _rowid_ = ?";
        values.push_back(rows[row_index].rowid);
        if (connection->Write(sql, values) != 1) {
          throw Error(TableLabel() + ": " + RowLabel() + " is no longer in the table");
        }
        IndexErase(row_index);
        for (size_t column : changed) rows[row_index].values[column] = *pending[column];
        IndexInsert(row_index);
      }
    } else {
      std::string sql = "INSERT INTO " + quoted_table;
      if (changed.empty()) {
        sql += " DEFAULT VALUES";
      } else {
        std::string names, marks;
        for (size_t i = 0; i < changed.size(); ++i) {
          names += (i ? ", " : "") + QuotedName(columns[changed[i]].name_utf8);
          marks += i ? ", ?" : "?";
        }
        sql += " (" + names + ") VALUES (" + marks + ")";
      }
      connection->Write(sql, values);
      Row row;
      row.rowid = connection->LastInsertRowid();
      rows.push_back(std::move(row));
      ReadBack(rows.size() - 1);
      visible.push_back(rows.size() - 1);
      position_of_row.push_back(visible.size() - 1);
      cursor = visible.size() - 1;
      IndexInsert(rows.size() - 1);
    }
  } catch (const ConstraintError& error) {
    ThrowDuplicateKey(error);
  }
  mode = Mode::kBrowse;
  pending.clear();
}

// An appended row as the table now holds it, with generated keys and defaults.
void RecordSet::State::ReadBack(size_t row_index) {
  std::string names;
  for (size_t i = 0; i < columns.size(); ++i) {
    names += (i ? ", " : "") + QuotedName(columns[i].name_utf8);
  }
  QueryResult result =
      connection->Query("SELECT " + names + " FROM " + QuotedName(table) + " WHERE _rowid_ = ?",
                        {rows[row_index].rowid});
  if (result.rows.size() != 1) {
    throw Error(TableLabel() + ": the appended row cannot be read back");
  }
  rows[row_index].values = std::move(result.rows[0]);
}

void RecordSet::State::ThrowDuplicateKey(const ConstraintError& error) const {
  const std::string& message = error.sqlite_message();
  if (message.rfind(kUniqueFailure, 0) != 0) throw error;
  // SQLite names the key as "table.column, table.column".
  std::string described;
  std::string_view list = std::string_view(message).substr(kUniqueFailure.size());
  while (!list.empty()) {
    size_t comma = list.find(", ");
    std::string_view qualified = list.substr(0, comma);
    std::string column_name(qualified.substr(qualified.find('.') + 1));
    described += described.empty() ? "" : ", ";
    described += column_name;
    auto found = column_by_name.find(table_store::FoldAsciiCase(column_name));
    if (found != column_by_name.end()) {
      const StoredValue& value = Value(found->second);
      if (const auto* text = std::get_if<std::string>(&value)) {
        described += " = " + *text;
      } else if (const auto* integer = std::get_if<int64_t>(&value)) {
        described += " = " + std::to_string(*integer);
      }
    }
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 2);
  }
  throw Error(TableLabel() + ": duplicate key " + described + " (" + message + ")");
}

void RecordSet::Cancel() {
  state_->mode = Mode::kBrowse;
  state_->pending.clear();
}

void RecordSet::Delete() {
  State& s = *state_;
  s.RequireWritable("Delete");
  if (s.mode == Mode::kAppend) {
    Cancel();
    return;
  }
  Cancel();
  if (Eof()) throw Error(s.TableLabel() + ": Delete without a current row (end of table)");
  size_t row_index = s.visible[s.cursor];
  if (s.connection->Write("DELETE FROM " + QuotedName(s.table) + " WHERE _rowid_ = ?",
                          {s.rows[row_index].rowid}) != 1) {
    throw Error(s.TableLabel() + ": " + s.RowLabel() + " is no longer in the table");
  }
  s.IndexErase(row_index);
  s.rows[row_index].deleted = true;
  s.rows[row_index].values.clear();
  s.visible.erase(s.visible.begin() + static_cast<ptrdiff_t>(s.cursor));
  s.RebuildPositions();
}

bool RecordSet::Locate(const std::vector<std::string_view>& names,
                       const std::vector<Param>& values) {
  State& s = *state_;
  if (names.empty() || names.size() != values.size()) {
    throw Error(s.TableLabel() + ": Locate needs as many values as field names");
  }
  s.PostIfEditing();
  std::vector<size_t> key_columns;
  for (std::string_view name : names) key_columns.push_back(s.ColumnIndex(name));
  std::string key;
  for (size_t i = 0; i < key_columns.size(); ++i) {
    key += KeyPart(s.columns[key_columns[i]].kind, s.Coerce(key_columns[i], values[i]));
  }
  auto [entry, created] = s.indexes.try_emplace(key_columns);
  Index& index = entry->second;
  if (created) {
    index.columns = key_columns;
    for (size_t i = 0; i < s.rows.size(); ++i) {
      if (!s.rows[i].deleted) index.rows[s.Key(key_columns, s.rows[i])].push_back(i);
    }
  }
  auto found = index.rows.find(key);
  if (found == index.rows.end()) return false;
  for (size_t row_index : found->second) {
    if (s.position_of_row[row_index] != kNoPosition) {
      s.cursor = s.position_of_row[row_index];
      return true;
    }
  }
  return false;
}

}  // namespace zuvo
