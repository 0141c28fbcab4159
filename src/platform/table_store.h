#pragma once

// The table store: the catalogue, diagnosis and work databases (OPD.mdb, ICD10CM.MDB, …), one
// SQLite file each under the database's own file name.
//
// - Text is kept as UTF-8 in the file and is Big5 at this interface: statements, parameters,
//   names and field values are Big5 bytes (ASCII is the same in both). Text columns compare
//   without regard to ASCII letter case (COLLATE NOCASE in the schema), so `=`, ORDER BY and
//   LIKE ('%' any run, '_' one character, Chinese included) behave as Jet's do.
// - Currency columns (declared CURRENCY) hold whole ten-thousandths; booleans (BOOLEAN) hold
//   0/1, any non-zero reads as true; dates (DATETIME) hold real days since 1899-12-30.
// - Statements are SQLite's own (names bare, "quoted" or [bracketed]; yes/no compared with 1
//   and 0); every value from data goes in as a `?` parameter.
// - Every failure throws zuvo::Error with the database file, SQLite's message and the
//   statement (never the bound values).
// - While a file is open its journal is a write-ahead log with synchronous=NORMAL: commits are
//   atomic and cheap; closing turns the file back into a single self-contained file. Bulk writes
//   belong inside one Transaction.
// - The file is closed when the Database and every record set opened from it are gone.
// - Text columns have no index unless the schema declares one: a statement that looks rows up
//   by a column many times wants an index on it (imported Access files bring theirs along).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/record_set.h"
#include "platform/table_store_connection.h"
#include "platform/table_store_value.h"

namespace zuvo {

class Database {
 public:
  // Opens an existing database file; never creates one. Throws naming the file when it is
  // missing, unreadable or not a database.
  static Database Open(const std::filesystem::path& file);
  // Opens an existing database file for reading only: nothing of the file is ever written (the
  // reference databases of the program folder are opened so). Writes through it throw.
  static Database OpenReadOnly(const std::filesystem::path& file);
  // Creates a new empty database file; throws when the file already exists.
  static Database Create(const std::filesystem::path& file);
  // A private database that lives in memory until the last object using it goes;
  // `display_name` names it in messages.
  static Database CreateInMemory(std::string display_name);

  const std::string& display_name() const;

  // UPDATE, DELETE or INSERT; returns the number of rows it changed.
  int64_t Execute(std::string_view big5_statement, const std::vector<Param>& params = {});
  // A SELECT, read into a record set.
  RecordSet Query(std::string_view big5_statement, const std::vector<Param>& params = {});
  // The whole table in stored order (rowid order), writable.
  RecordSet OpenTable(std::string_view big5_table);

  // User tables, sorted by name without regard to letter case (Big5 names).
  std::vector<std::string> TableNames();
  // Columns of a table in their defined order (Big5); throws for a missing table.
  std::vector<std::string> ColumnNames(std::string_view big5_table);
  // Runs a schema or data script of the program's own (UTF-8, several statements).
  void ExecuteScript(std::string_view utf8_sql);

 private:
  friend class Transaction;
  explicit Database(std::shared_ptr<table_store::Connection> connection)
      : connection_(std::move(connection)) {}
  std::shared_ptr<table_store::Connection> connection_;
};

// Deletes the database file `file` with the journal files SQLite may keep beside it
// (file + "-wal", "-shm", "-journal"): a journal left by a killed process would otherwise be
// replayed into whatever file is put under that name next. True when all of them are gone
// afterwards (also when none existed); a file another program holds is retried a few times.
bool DeleteDatabaseFile(const std::filesystem::path& file);

// A transaction on a database: everything done through the database and its record sets
// between construction and Commit() is written as a whole or not at all. Destroying it without
// Commit() (an exception, an early return) rolls the changes back. Transactions nest.
class Transaction {
 public:
  explicit Transaction(Database& database);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  std::shared_ptr<table_store::Connection> connection_;
  bool open_ = true;
};

}  // namespace zuvo
