#pragma once

// The SQLite connection under a Database and its record sets: opening, the statement cache,
// binding, reading results and turning every SQLite failure into a zuvo::Error that names the
// database file and the statement (never the bound values). Internal to the table store.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/error.h"
#include "platform/table_store_value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace zuvo {

// A statement broke a constraint of the schema (a duplicate key, a missing required value).
class ConstraintError : public Error {
 public:
  ConstraintError(const std::string& what, std::string sqlite_message)
      : Error(what), sqlite_message_(std::move(sqlite_message)) {}
  // SQLite's own text, for example "UNIQUE constraint failed: staff.ID".
  const std::string& sqlite_message() const { return sqlite_message_; }

 private:
  std::string sqlite_message_;
};

namespace table_store {

struct ResultColumn {
  std::string name_utf8;
  ColumnKind kind = ColumnKind::kOther;
};

struct QueryResult {
  std::vector<ResultColumn> columns;
  std::vector<std::vector<StoredValue>> rows;
};

enum class OpenMode { kReadWrite, kReadOnly };

class Connection {
 public:
  // Opens an existing SQLite file; throws when it is missing, not a file or not a database.
  static std::shared_ptr<Connection> OpenFile(const std::filesystem::path& file,
                                              OpenMode mode = OpenMode::kReadWrite);
  // Creates a new, empty SQLite file; throws when the file already exists.
  static std::shared_ptr<Connection> CreateFile(const std::filesystem::path& file);
  // A private database in memory, named `display_name` in messages.
  static std::shared_ptr<Connection> OpenMemory(std::string display_name);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& display_name() const { return display_name_; }

  // Runs one SQLite statement (UTF-8) with `values` bound to its `?` in order. Errors show
  // `shown_sql` when given (the statement as the caller wrote it), else `sql`.
  QueryResult Query(const std::string& sql, const std::vector<StoredValue>& values,
                    std::string_view shown_sql = {});
  int64_t Write(const std::string& sql, const std::vector<StoredValue>& values);
  int64_t LastInsertRowid() const;
  // Runs several statements without parameters (a schema file).
  void Script(std::string_view utf8_sql);

  // The values for the `?` of `statement` (UTF-8, named in errors), as Store makes them.
  std::vector<StoredValue> StoreAll(const std::vector<Param>& params,
                                    std::string_view statement) const;
  // `param` as SQLite will hold it; Big5 text is converted to UTF-8 (`context` names the
  // statement or column in the error).
  StoredValue Store(const Param& param, std::string_view context) const;

  // Savepoints nest; the outermost one is the transaction.
  void BeginSavepoint();
  void ReleaseSavepoint();
  void RollbackSavepoint();

  [[noreturn]] void Fail(std::string_view sql) const;

 private:
  Connection(sqlite3* db, std::string display_name);
  sqlite3_stmt* Prepare(const std::string& sql, std::string_view shown_sql);
  void Bind(sqlite3_stmt* statement, std::string_view sql, const std::vector<StoredValue>& values);
  void Run(const std::string& sql);

  sqlite3* db_;
  std::string display_name_;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
  int savepoint_depth_ = 0;
};

}  // namespace table_store
}  // namespace zuvo
