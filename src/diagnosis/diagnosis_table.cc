#include "diagnosis/diagnosis_table.h"

#include "platform/big5.h"
#include "platform/file_ops.h"

namespace zuvo {

std::filesystem::path DiagnosisDatabaseFile(const std::filesystem::path& program_folder) {
  return ResolvePath(program_folder, kDiagnosisDatabaseName)
      .value_or(program_folder / PathFromUtf8(kDiagnosisDatabaseName));
}

Database OpenDiagnosisDatabase(const std::filesystem::path& program_folder) {
  return Database::Open(DiagnosisDatabaseFile(program_folder));
}

TableSnapshot ReadDiagnosisGrid(const std::filesystem::path& program_folder) {
  Database database = OpenDiagnosisDatabase(program_folder);
  RecordSet rows = database.Query(kDiagnosisGridQuery);
  TableSnapshot snapshot;
  std::vector<std::string> names = rows.FieldNames();
  for (const std::string& name : names) snapshot.columns.push_back(big5::ToUtf8Escaped(name));
  snapshot.rows.reserve(rows.RecordCount());
  for (rows.First(); !rows.Eof(); rows.Next()) {
    std::vector<std::string>& row = snapshot.rows.emplace_back();
    row.reserve(names.size());
    for (const std::string& name : names) row.push_back(rows.TextUtf8(name));
  }
  return snapshot;
}

}  // namespace zuvo
