#include "platform/table_store.h"

#include <algorithm>

#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/single_table_select.h"

namespace zuvo {
namespace {

std::string QuotedName(std::string_view utf8_name) {
  std::string quoted = "\"";
  for (char c : utf8_name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string StatementToUtf8(const table_store::Connection& connection, std::string_view big5) {
  try {
    return big5::ToUtf8(big5);
  } catch (const big5::ConversionError&) {
    throw Error(connection.display_name() +
                ": the statement is not Big5 text: " + big5::ToUtf8Escaped(big5));
  }
}

std::string NameToUtf8(const table_store::Connection& connection, std::string_view big5) {
  return StatementToUtf8(connection, big5);
}

std::string NameToBig5(const table_store::Connection& connection, const std::string& utf8) {
  try {
    return big5::FromUtf8(utf8);
  } catch (const big5::ConversionError&) {
    throw Error(connection.display_name() + ": the name " + utf8 + " has no Big5 form");
  }
}

}  // namespace

Database Database::Open(const std::filesystem::path& file) {
  return Database(table_store::Connection::OpenFile(file));
}

Database Database::OpenReadOnly(const std::filesystem::path& file) {
  return Database(table_store::Connection::OpenFile(file, table_store::OpenMode::kReadOnly));
}

bool DeleteDatabaseFile(const std::filesystem::path& file) {
  bool gone = DeleteFileWithRetry(file);
  for (const char* suffix : {"-wal", "-shm", "-journal"}) {
    std::filesystem::path journal = file;
    journal += suffix;
    gone = DeleteFileWithRetry(journal) && gone;
  }
  return gone;
}

Database Database::Create(const std::filesystem::path& file) {
  return Database(table_store::Connection::CreateFile(file));
}

Database Database::CreateInMemory(std::string display_name) {
  return Database(table_store::Connection::OpenMemory(std::move(display_name)));
}

const std::string& Database::display_name() const { return connection_->display_name(); }

int64_t Database::Execute(std::string_view big5_statement, const std::vector<Param>& params) {
  const std::string sql = StatementToUtf8(*connection_, big5_statement);
  return connection_->Write(sql, connection_->StoreAll(params, sql));
}

RecordSet Database::Query(std::string_view big5_statement, const std::vector<Param>& params) {
  const std::string sql = StatementToUtf8(*connection_, big5_statement);
  std::vector<StoredValue> values = connection_->StoreAll(params, sql);
  std::optional<SingleTableSelect> single = FindSingleTableSelect(sql);
  if (!single) return RecordSet(connection_, "", connection_->Query(sql, values));
  // The rowid goes first, so that posted rows find their way back to the table.
  std::string with_rowid = sql;
  with_rowid.insert(single->select_list_start, " _rowid_,");
  return RecordSet(connection_, single->table, connection_->Query(with_rowid, values, sql));
}

RecordSet Database::OpenTable(std::string_view big5_table) {
  std::string table = NameToUtf8(*connection_, big5_table);
  std::string quoted = QuotedName(table);
  return RecordSet(
      connection_, table,
      connection_->Query("SELECT _rowid_, * FROM " + quoted + " ORDER BY _rowid_", {}));
}

std::vector<std::string> Database::TableNames() {
  table_store::QueryResult result = connection_->Query(
      "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' "
      "ESCAPE '\\' ORDER BY name COLLATE NOCASE",
      {});
  std::vector<std::string> names;
  for (const auto& row : result.rows) {
    names.push_back(NameToBig5(*connection_, std::get<std::string>(row[0])));
  }
  return names;
}

std::vector<std::string> Database::ColumnNames(std::string_view big5_table) {
  std::string table = NameToUtf8(*connection_, big5_table);
  table_store::QueryResult result =
      connection_->Query("SELECT name FROM pragma_table_info(?) ORDER BY cid", {table});
  if (result.rows.empty()) {
    throw Error(connection_->display_name() + ": no such table: " + table);
  }
  std::vector<std::string> names;
  for (const auto& row : result.rows) {
    names.push_back(NameToBig5(*connection_, std::get<std::string>(row[0])));
  }
  return names;
}

void Database::ExecuteScript(std::string_view utf8_sql) { connection_->Script(utf8_sql); }

Transaction::Transaction(Database& database) : connection_(database.connection_) {
  connection_->BeginSavepoint();
}

Transaction::~Transaction() {
  if (!open_) return;
  try {
    connection_->RollbackSavepoint();
  } catch (const Error&) {
    // A failed rollback leaves SQLite's own rollback on close; nothing more can be done here.
  }
}

void Transaction::Commit() {
  if (!open_) throw Error(connection_->display_name() + ": the transaction is already ended");
  connection_->ReleaseSavepoint();  // on failure the destructor rolls back
  open_ = false;
}

}  // namespace zuvo
