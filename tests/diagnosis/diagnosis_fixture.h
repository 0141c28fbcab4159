#pragma once

// Diagnosis databases for the tests: the delivered schema without its data, rows put in by the
// test. Texts are UTF-8 here; the store keeps them so.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/big5.h"
#include "platform/embedded_resources.h"
#include "platform/table_store.h"

namespace zuvo::testing {

inline Database CreateDiagnosisDatabase(const std::filesystem::path& file) {
  Database database = Database::Create(file);
  for (const EmbeddedResource& resource : EmbeddedResources()) {
    if (resource.name == ":schema/ICD10CM.sql") database.ExecuteScript(resource.bytes);
  }
  EXPECT_EQ(database.ColumnNames("DX").size(), 15u) << "the delivered schema was not found";
  return database;
}

// Designated initializers name only what a test needs; every member has its default here.
// A statement written in UTF-8 (the store takes Big5).
inline void ExecuteUtf8(Database& database, std::string_view utf8_statement) {
  database.Execute(big5::FromUtf8(utf8_statement));
}

struct DxFixtureRow {
  std::string code = {};
  bool listed = false;
  bool common = false;
  int status = 0;
  std::string chronic_code = {};
  std::optional<std::string> short_name = {};
  std::string english_name = {};
  std::string clinic_types = {};
  std::string keyword = {};
  double rec_time = 0;
};

inline void InsertDx(Database& database, const DxFixtureRow& row) {
  auto text = [](const std::string& utf8) { return utf8.empty() ? Param() : Param::Utf8(utf8); };
  database.Execute(
      "insert into DX (ICD10, bList, common, status, Scode, Sname, Ename, clinicTypes, keyword, "
      "recTime) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {Param::Utf8(row.code), row.listed, row.common, row.status, text(row.chronic_code),
       row.short_name ? Param::Utf8(*row.short_name) : Param(), text(row.english_name),
       text(row.clinic_types), text(row.keyword),
       row.rec_time == 0 ? Param() : Param(row.rec_time)});
}

inline void InsertDxCodes(Database& database, const std::vector<std::string>& codes) {
  for (const std::string& code : codes) InsertDx(database, {.code = code, .english_name = code});
}

// A field of a row as UTF-8 text ("" for null); "<no row>" when the query finds none.
inline std::string FieldOf(Database& database, const std::string& table,
                           const std::string& key_field, const std::string& key,
                           const std::string& field) {
  RecordSet rows =
      database.Query("select * from " + table + " where " + key_field + "=?", {Param::Utf8(key)});
  rows.First();
  return rows.Eof() ? "<no row>" : rows.TextUtf8(field);
}
inline std::string DxField(Database& database, const std::string& code, const std::string& field) {
  return FieldOf(database, "DX", "ICD10", code, field);
}

// Every value of one column, in the order of `order_by`.
inline std::vector<std::string> ColumnValues(Database& database, const std::string& table,
                                             const std::string& field,
                                             const std::string& order_by) {
  std::vector<std::string> values;
  RecordSet rows = database.Query("select " + field + " from " + table + " order by " + order_by);
  for (rows.First(); !rows.Eof(); rows.Next()) values.push_back(rows.TextUtf8(field));
  return values;
}

}  // namespace zuvo::testing
