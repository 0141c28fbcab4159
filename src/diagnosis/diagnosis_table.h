#pragma once

// The diagnosis database of the program folder (ICD10CM.MDB): where it lies, and its table DX
// as the main window's grid shows it.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/table_store.h"

namespace zuvo {

inline constexpr std::string_view kDiagnosisDatabaseName = "ICD10CM.MDB";
inline constexpr std::string_view kDiagnosisGridQuery = "select * from DX order by ICD10";

// The database file in `program_folder` (found without regard to letter case; the delivered
// name when there is none yet).
std::filesystem::path DiagnosisDatabaseFile(const std::filesystem::path& program_folder);
// Opens it for reading and writing. Throws Error naming the file when it is missing or no
// database.
Database OpenDiagnosisDatabase(const std::filesystem::path& program_folder);

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
