#pragma once

// The diagnosis database of the program folder (ICD10CM.MDB, table DX) as the main window's grid
// shows it.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zuvo {

inline constexpr std::string_view kDiagnosisDatabaseName = "ICD10CM.MDB";
inline constexpr std::string_view kDiagnosisGridQuery = "select * from DX order by ICD10";

// A query result held in memory: the field names in stored order and every row's values as
// UTF-8 text (empty for null).
struct TableSnapshot {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

// Opens the diagnosis database and reads kDiagnosisGridQuery. Throws Error naming the file when
// the database is missing or cannot be read.
TableSnapshot ReadDiagnosisGrid(const std::filesystem::path& program_folder);

}  // namespace zuvo
