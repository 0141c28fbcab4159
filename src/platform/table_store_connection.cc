#include "platform/table_store_connection.h"

#include <sqlite3.h>

#include "platform/big5.h"

namespace zuvo::table_store {
namespace {

// Prepared statements are kept per statement text; a program that builds statement texts with
// values pasted in would grow the cache without end, so it is emptied at this size.
constexpr size_t kStatementCacheLimit = 256;
constexpr int kBusyTimeoutMs = 5000;

std::string PathText(const std::filesystem::path& file) { return file.string(); }

sqlite3* OpenHandle(const std::filesystem::path& file, int flags, const std::string& name) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(PathText(file).c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    throw Error("cannot open database " + name + ": " + message);
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  return db;
}

}  // namespace

Connection::Connection(sqlite3* db, std::string display_name)
    : db_(db), display_name_(std::move(display_name)) {}

std::shared_ptr<Connection> Connection::OpenFile(const std::filesystem::path& file, OpenMode mode) {
  std::error_code error;
  auto status = std::filesystem::status(file, error);
  if (!std::filesystem::exists(status)) {
    throw Error("cannot open database " + PathText(file) + ": the file does not exist");
  }
  if (!std::filesystem::is_regular_file(status)) {
    throw Error("cannot open database " + PathText(file) + ": not a file");
  }
  std::shared_ptr<Connection> connection(new Connection(
      OpenHandle(file, mode == OpenMode::kReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                 PathText(file)),
      PathText(file)));
  // Reading the schema is what finds out whether the file is a database at all.
  if (sqlite3_exec(connection->db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr,
                   nullptr) != SQLITE_OK) {
    throw Error("cannot open database " + PathText(file) + ": " + sqlite3_errmsg(connection->db_));
  }
  if (!sqlite3_db_readonly(connection->db_, "main")) {
    // While open, the write-ahead log makes each commit cheap (no sync per commit) and still
    // atomic; a crash loses at most the last commits, never half of one. On close the file is
    // switched back to a rollback journal, so that it is one self-contained file again.
    connection->Run("PRAGMA journal_mode=WAL");
    connection->Run("PRAGMA synchronous=NORMAL");
  }
  return connection;
}

std::shared_ptr<Connection> Connection::CreateFile(const std::filesystem::path& file) {
  std::error_code error;
  if (std::filesystem::exists(file, error)) {
    throw Error("cannot create database " + PathText(file) + ": the file already exists");
  }
  std::shared_ptr<Connection> connection(
      new Connection(OpenHandle(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, PathText(file)),
                     PathText(file)));
  connection->Run("PRAGMA journal_mode=WAL");
  connection->Run("PRAGMA synchronous=NORMAL");
  return connection;
}

std::shared_ptr<Connection> Connection::OpenMemory(std::string display_name) {
  return std::shared_ptr<Connection>(new Connection(
      OpenHandle(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, display_name),
      display_name));
}

Connection::~Connection() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  if (savepoint_depth_ > 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  if (!sqlite3_db_readonly(db_, "main")) {
    sqlite3_busy_timeout(db_, 0);  // never wait here for other connections to close
    // Best effort: when another connection still has the file open the log stays until that
    // one closes; the data is complete either way.
    sqlite3_exec(db_, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
  }
  sqlite3_close_v2(db_);
}

void Connection::Fail(std::string_view sql) const {
  std::string message = display_name_ + ": " + sqlite3_errmsg(db_);
  if (!sql.empty()) message += "; statement: " + std::string(sql);
  int code = sqlite3_errcode(db_) & 0xFF;
  if (code == SQLITE_CONSTRAINT) throw ConstraintError(message, sqlite3_errmsg(db_));
  throw Error(message);
}

sqlite3_stmt* Connection::Prepare(const std::string& sql, std::string_view shown_sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) return found->second;
  if (statements_.size() >= kStatementCacheLimit) {
    for (auto& [text, statement] : statements_) sqlite3_finalize(statement);
    statements_.clear();
  }
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                         &statement, &tail) != SQLITE_OK) {
    Fail(shown_sql.empty() ? sql : shown_sql);
  }
  if (statement == nullptr) throw Error(display_name_ + ": empty statement");
  for (; tail != nullptr && *tail != '\0'; ++tail) {
    if (*tail != ' ' && *tail != ';' && *tail != '\n' && *tail != '\r' && *tail != '\t') {
      sqlite3_finalize(statement);
      throw Error(display_name_ + ": more than one statement in one call; statement: " + sql);
    }
  }
  statements_.emplace(sql, statement);
  return statement;
}

void Connection::Bind(sqlite3_stmt* statement, std::string_view sql,
                      const std::vector<StoredValue>& values) {
  if (sqlite3_bind_parameter_count(statement) != static_cast<int>(values.size())) {
    throw Error(display_name_ + ": the statement has " +
                std::to_string(sqlite3_bind_parameter_count(statement)) + " parameters but " +
                std::to_string(values.size()) +
                " values were given; statement: " + std::string(sql));
  }
  for (size_t i = 0; i < values.size(); ++i) {
    int index = static_cast<int>(i) + 1;
    int rc = std::visit(
        [&](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, std::monostate>) {
            return sqlite3_bind_null(statement, index);
          } else if constexpr (std::is_same_v<T, int64_t>) {
            return sqlite3_bind_int64(statement, index, value);
          } else if constexpr (std::is_same_v<T, double>) {
            return sqlite3_bind_double(statement, index, value);
          } else if constexpr (std::is_same_v<T, std::string>) {
            return sqlite3_bind_text64(statement, index, value.data(), value.size(), SQLITE_STATIC,
                                       SQLITE_UTF8);
          } else {
            return sqlite3_bind_blob64(statement, index, value.bytes.data(), value.bytes.size(),
                                       SQLITE_STATIC);
          }
        },
        values[i]);
    if (rc != SQLITE_OK) Fail(sql);
  }
}

namespace {

// Resets a cached statement however its use ends.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
  ~StatementUse() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  sqlite3_stmt* statement_;
};

StoredValue ColumnValue(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return int64_t{sqlite3_column_int64(statement, column)};
    case SQLITE_FLOAT:
      return sqlite3_column_double(statement, column);
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      return std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)));
    }
    case SQLITE_BLOB: {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
      return StoredBlob{
          std::string(bytes, static_cast<size_t>(sqlite3_column_bytes(statement, column)))};
    }
    default:
      return std::monostate{};
  }
}

}  // namespace

QueryResult Connection::Query(const std::string& sql, const std::vector<StoredValue>& values,
                              std::string_view shown_sql) {
  if (shown_sql.empty()) shown_sql = sql;
  sqlite3_stmt* statement = Prepare(sql, shown_sql);
  StatementUse use(statement);
  Bind(statement, shown_sql, values);
  QueryResult result;
  int count = sqlite3_column_count(statement);
  for (int i = 0; i < count; ++i) {
    const char* declared = sqlite3_column_decltype(statement, i);
    result.columns.push_back(
        {sqlite3_column_name(statement, i), ColumnKindOfDeclaredType(declared ? declared : "")});
  }
  while (true) {
    int rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) Fail(shown_sql);
    std::vector<StoredValue>& row = result.rows.emplace_back();
    row.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) row.push_back(ColumnValue(statement, i));
  }
  return result;
}

int64_t Connection::Write(const std::string& sql, const std::vector<StoredValue>& values) {
  sqlite3_stmt* statement = Prepare(sql, sql);
  StatementUse use(statement);
  Bind(statement, sql, values);
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) Fail(sql);
  return sqlite3_changes64(db_);
}

int64_t Connection::LastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }

void Connection::Run(const std::string& sql) { Query(sql, {}); }

void Connection::Script(std::string_view utf8_sql) {
  std::string script(utf8_sql);
  if (sqlite3_exec(db_, script.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail("script");
}

StoredValue Connection::Store(const Param& param, std::string_view context) const {
  switch (param.type()) {
    case Param::Type::kNull:
      return std::monostate{};
    case Param::Type::kInteger:
    case Param::Type::kBoolean:
    case Param::Type::kCurrency:
      return param.integer();
    case Param::Type::kNumber:
      return param.number();
    case Param::Type::kUtf8Text:
      return param.text();
    case Param::Type::kBig5Text:
      try {
        return big5::ToUtf8(param.text());
      } catch (const big5::ConversionError& error) {
        throw Error(display_name_ + ": a text value is not Big5 (byte " +
                    std::to_string(error.offset()) + ": " + big5::ToUtf8Escaped(param.text()) +
                    ") for " + std::string(context));
      }
  }
  return std::monostate{};
}

std::vector<StoredValue> Connection::StoreAll(const std::vector<Param>& params,
                                              std::string_view statement) const {
  std::vector<StoredValue> values;
  values.reserve(params.size());
  const std::string context = "statement: " + std::string(statement);
  for (const Param& param : params) values.push_back(Store(param, context));
  return values;
}

void Connection::BeginSavepoint() {
  Run("SAVEPOINT zuvo_" + std::to_string(savepoint_depth_));
  ++savepoint_depth_;
}

void Connection::ReleaseSavepoint() {
  Run("RELEASE zuvo_" + std::to_string(savepoint_depth_ - 1));
  --savepoint_depth_;
}

void Connection::RollbackSavepoint() {
  std::string name = "zuvo_" + std::to_string(--savepoint_depth_);
  Run("ROLLBACK TO " + name);
  Run("RELEASE " + name);
}

}  // namespace zuvo::table_store
