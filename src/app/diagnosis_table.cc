#include "app/diagnosis_table.h"

#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "workspace/path_text.h"

namespace zuvo {

TableSnapshot ReadDiagnosisGrid(const std::filesystem::path& program_folder) {
  std::filesystem::path file = ResolvePath(program_folder, kDiagnosisDatabaseName)
                                   .value_or(program_folder / PathFromUtf8(kDiagnosisDatabaseName));
  Database database = Database::Open(file);
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
