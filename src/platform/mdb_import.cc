#include "platform/mdb_import.h"

#include <mdbtools.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/error.h"
#include "platform/table_store_connection.h"
#include "platform/table_store_text.h"

namespace zuvo {
namespace {

// Largest text or memo value read; a value that fills the buffer is reported, never cut.
constexpr size_t kBindSize = 1 << 20;
// MdbIndex::index_type: 1 the primary key, 2 the far side of a relationship (not an index of
// this table's own).
constexpr unsigned char kPrimaryKeyIndex = 1;
constexpr unsigned char kForeignKeyIndex = 2;

struct MdbCloser {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableCloser {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

std::string Quoted(std::string_view name) {
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// Little-endian integer of `size` bytes at `bytes`.
uint64_t ReadLittleEndian(const unsigned char* bytes, size_t size) {
  uint64_t value = 0;
  for (size_t i = size; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

ColumnKind KindOf(const MdbColumn& column, const std::string& label) {
  switch (column.col_type) {
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID:
      return ColumnKind::kText;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
      return ColumnKind::kInteger;
    case MDB_BOOL:
      return ColumnKind::kBoolean;
    case MDB_MONEY:
      return ColumnKind::kCurrency;
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
      return ColumnKind::kReal;
    case MDB_DATETIME:
      return ColumnKind::kDateTime;
    case MDB_BINARY:
      return ColumnKind::kBlob;
    default:
      throw Error(label + ": the column type " + std::to_string(column.col_type) +
                  " (OLE object or other) is not imported");
  }
}

// One column of the table being copied, bound to mdbtools' row reader.
struct BoundColumn {
  MdbColumn* column = nullptr;
  std::string label;
  std::vector<char> text;
  int length = 0;
};

StoredValue ReadValue(MdbHandle* mdb, BoundColumn& bound) {
  const MdbColumn& column = *bound.column;
  if (column.col_type == MDB_BOOL) {
    // Jet keeps a boolean in the row's null mask; mdbtools hands it over as "1"/"0".
    return int64_t{bound.text[0] == '1' ? 1 : 0};
  }
  if (column.cur_value_len <= 0) return std::monostate{};
  const unsigned char* raw = mdb->pg_buf + column.cur_value_start;
  size_t raw_length = static_cast<size_t>(column.cur_value_len);
  auto need = [&](size_t size) {
    if (raw_length < size) throw Error(bound.label + ": a value is shorter than its type");
  };
  switch (column.col_type) {
    case MDB_BYTE:
      need(1);
      return int64_t{raw[0]};
    case MDB_INT:
      need(2);
      return int64_t{static_cast<int16_t>(ReadLittleEndian(raw, 2))};
    case MDB_LONGINT:
      need(4);
      return int64_t{static_cast<int32_t>(ReadLittleEndian(raw, 4))};
    case MDB_MONEY:
      need(8);
      return static_cast<int64_t>(ReadLittleEndian(raw, 8));
    case MDB_FLOAT: {
      need(4);
      uint32_t bits = static_cast<uint32_t>(ReadLittleEndian(raw, 4));
      float value;
      std::memcpy(&value, &bits, sizeof value);
      return static_cast<double>(value);
    }
    case MDB_DOUBLE:
    case MDB_DATETIME: {
      need(8);
      uint64_t bits = ReadLittleEndian(raw, 8);
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    case MDB_BINARY:
      return StoredBlob{std::string(reinterpret_cast<const char*>(raw), raw_length)};
    case MDB_NUMERIC: {
      std::string text(bound.text.data());
      if (auto value = table_store::ParseNumber(text)) return *value;
      throw Error(bound.label + ": the decimal value " + text + " cannot be read");
    }
    default: {
      size_t length = std::strlen(bound.text.data());
      if (length + 1 >= kBindSize) {
        throw Error(bound.label + ": a text reaches the import limit of " +
                    std::to_string(kBindSize - 2) + " bytes");
      }
      return std::string(bound.text.data(), length);
    }
  }
}

std::vector<MdbIndexSpec> IndexSpecsOf(const MdbTableDef& table) {
  std::vector<MdbIndexSpec> specs;
  for (unsigned int i = 0; table.indices && i < table.num_idxs; ++i) {
    const auto* index = static_cast<const MdbIndex*>(g_ptr_array_index(table.indices, i));
    if (index->index_type == kForeignKeyIndex) continue;
    MdbIndexSpec spec{
        index->name, index->index_type == kPrimaryKeyIndex || (index->flags & MDB_IDX_UNIQUE), {}};
    for (unsigned int k = 0; k < index->num_keys; ++k) {
      int number = index->key_col_num[k];
      if (number < 1 || static_cast<unsigned int>(number) > table.num_cols) continue;
      const auto* column =
          static_cast<const MdbColumn*>(g_ptr_array_index(table.columns, number - 1));
      spec.columns_utf8.push_back(column->name);
    }
    if (!spec.columns_utf8.empty()) specs.push_back(std::move(spec));
  }
  return specs;
}

int64_t CopyTable(MdbHandle* mdb, MdbCatalogEntry* entry, table_store::Connection& target,
                  const std::string& source_name) {
  std::string table_name = entry->object_name;
  std::string label = source_name + ": table " + table_name;
  std::unique_ptr<MdbTableDef, TableCloser> table(mdb_read_table(entry));
  if (!table) throw Error(label + ": cannot read the table definition");
  mdb_read_columns(table.get());
  mdb_read_indices(table.get());
  mdb_rewind_table(table.get());

  std::vector<BoundColumn> bound(table->num_cols);
  std::vector<MdbColumnSpec> specs;
  for (unsigned int i = 0; i < table->num_cols; ++i) {
    BoundColumn& column = bound[i];
    column.column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    column.label = label + ", column " + column.column->name;
    column.text.assign(kBindSize, '\0');
    mdb_bind_column(table.get(), static_cast<int>(i) + 1, column.text.data(), &column.length);
    specs.push_back({column.column->name, KindOf(*column.column, column.label),
                     column.column->is_long_auto != 0});
  }
  target.Script(MdbCreateTableStatement(table_name, specs));

  std::string insert = "INSERT INTO " + Quoted(table_name) + " VALUES (";
  for (size_t i = 0; i < bound.size(); ++i) insert += i ? ", ?" : "?";
  insert += ")";
  int64_t rows = 0;
  std::vector<StoredValue> values(bound.size());
  while (mdb_fetch_row(table.get())) {
    for (size_t i = 0; i < bound.size(); ++i) values[i] = ReadValue(mdb, bound[i]);
    target.Write(insert, values);
    ++rows;
  }
  // Indexes after the rows: faster, and a duplicate in a unique key stops the import here.
  target.Script(MdbIndexStatements(table_name, IndexSpecsOf(*table)));
  return rows;
}

}  // namespace

std::string MdbCreateTableStatement(std::string_view table_utf8,
                                    const std::vector<MdbColumnSpec>& columns) {
  std::string statement = "CREATE TABLE " + Quoted(table_utf8) + " (";
  bool key_given = false;
  for (size_t i = 0; i < columns.size(); ++i) {
    const MdbColumnSpec& column = columns[i];
    statement += (i ? ", " : "") + Quoted(column.name_utf8) + " ";
    // Jet allows one autonumber per table; it becomes the rowid so new rows are numbered.
    if (column.autonumber && column.kind == ColumnKind::kInteger && !key_given) {
      statement += "INTEGER PRIMARY KEY AUTOINCREMENT";
      key_given = true;
    } else {
      statement += DeclaredTypeOf(column.kind);
    }
  }
  return statement + ")";
}

std::string MdbIndexStatements(std::string_view table_utf8,
                               const std::vector<MdbIndexSpec>& indexes) {
  std::string statements;
  for (const MdbIndexSpec& index : indexes) {
    // Index names are one name space per SQLite file, but one per table in Jet.
    statements += std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX " +
                  Quoted(std::string(table_utf8) + "." + index.name_utf8) + " ON " +
                  Quoted(table_utf8) + " (";
    for (size_t i = 0; i < index.columns_utf8.size(); ++i) {
      statements += (i ? ", " : "") + Quoted(index.columns_utf8[i]);
    }
    statements += ");\n";
  }
  return statements;
}

std::vector<MdbImportedTable> ImportMdb(const std::filesystem::path& source,
                                        const std::filesystem::path& target,
                                        bool replace_existing) {
  std::string source_name = source.string();
  std::error_code error;
  if (!std::filesystem::is_regular_file(source, error)) {
    throw Error("cannot open Access file " + source_name + ": no such file");
  }
  if (std::filesystem::exists(target, error)) {
    if (std::filesystem::equivalent(source, target, error)) {
      throw Error("cannot import " + source_name + " into itself");
    }
    if (!replace_existing) {
      throw Error("cannot import into " + target.string() + ": the file already exists");
    }
  }
  // Access 97 files keep text in the code page of the machine that wrote them.
  setenv("MDB_JET3_CHARSET", "CP950", 1);
  std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(source_name.c_str(), MDB_NOFLAGS));
  if (!mdb) throw Error("cannot open Access file " + source_name + ": not a Jet database");
  mdb_set_bind_size(mdb.get(), kBindSize);
  mdb_set_boolean_fmt_numbers(mdb.get());
  if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
    throw Error("cannot read the table list of Access file " + source_name);
  }

  std::filesystem::path building = target;
  building += ".importing";
  std::filesystem::remove(building, error);
  std::vector<MdbImportedTable> imported;
  try {
    auto connection = table_store::Connection::CreateFile(building);
    connection->BeginSavepoint();
    for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
      auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
      if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
      imported.push_back(
          {entry->object_name, CopyTable(mdb.get(), entry, *connection, source_name)});
    }
    connection->ReleaseSavepoint();
  } catch (...) {
    std::filesystem::remove(building, error);
    throw;
  }
  std::filesystem::rename(building, target, error);
  if (error) {
    std::filesystem::remove(building, error);
    throw Error("cannot move the imported database into place as " + target.string() + ": " +
                error.message());
  }
  return imported;
}

}  // namespace zuvo
