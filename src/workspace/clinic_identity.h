#pragma once

// The clinic's name and NHI institution code as the source system records them. Both are Big5
// text. Opening a table that is missing or damaged throws Error naming the file.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "workspace/source_system.h"

namespace zuvo {

struct ClinicIdentity {
  std::string name;  // Big5
  std::string code;  // Big5
};

// The text without its blanks: RealSun names are often typed with blanks between the
// characters.
std::string WithoutBlanks(std::string_view big5_text);

// VISPARA.DBF, first record: CNAME and CCO_NO0, trimmed. Empty texts when the table has no
// record.
ClinicIdentity ReadVisionIdentity(const std::filesystem::path& source_folder);

// S\TITLE.DBF, first record: H_NAME trimmed with every blank removed (names are often typed
// with blanks between the characters), H_NO trimmed.
ClinicIdentity ReadRealSunIdentity(const std::filesystem::path& source_folder);

// The identity of a Vision or RealSun folder, as the two functions above read it; empty texts for
// another system.
ClinicIdentity ReadClinicIdentity(SourceSystem system, const std::filesystem::path& source_folder);

// MAINDATA\BASICSET.DBF keeps its settings as rows: C_FIELD of the row whose MEMO is "診所名稱"
// is the name, of the row whose MEMO is "診所健保代號" the code (both trimmed). A missing row
// gives an empty optional.
struct ChangChengIdentity {
  std::optional<std::string> name;
  std::optional<std::string> code;
};
ChangChengIdentity ReadChangChengIdentity(const std::filesystem::path& source_folder);

}  // namespace zuvo
