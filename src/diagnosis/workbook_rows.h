#pragma once

// The NHI's ICD-10 workbooks as the imports read them. Each sheet starts with heading rows; then
// every code takes two rows: the code in the first column with the English name in the second,
// then the Chinese name in the second column of the next row.
//
// Cell texts are UTF-8 as the workbook holds them (the published names contain characters Big5
// lacks, and the diagnosis database keeps them exactly); the rules of the publications that
// count bytes count them as the Big5 text would (Big5Length).

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/step_context.h"
#include "core/step_result.h"
#include "diagnosis/utf8_text.h"
#include "platform/table_store.h"

namespace zuvo {

struct CodeRowNames {
  std::string english;  // trimmed
  std::string chinese;  // trimmed
};

// What tells one publication's workbook from the other's.
struct CodeWorkbookRules {
  std::string_view table;          // emptied first
  std::string_view insert;         // "insert into T (code, english, chinese) values (?, ?, ?)"
  std::string_view skipped_sheet;  // a sheet whose name holds this is not read
  std::function<bool(std::string_view first_cell)> is_heading;  // trimmed first cell
  // The code of a trimmed first cell of at least 3 (Big5) bytes.
  std::function<std::string(std::string_view first_cell)> code_of;
  // The message that stops the import for a code that is none; empty for a good code.
  std::function<std::optional<std::string>(std::string_view code)> refusal;
  // Decides whether the code with its names is written (and may list why not, or change them);
  // `code` is what is written.
  std::function<bool(std::string& code, CodeRowNames& names, StepContext& context)> accept;
};

struct WorkbookImported {
  StepResult result = StepResult::kDone;
  long rows = 0;        // rows appended (none stay when the import is refused)
  long duplicates = 0;  // rows listed and skipped
  std::string refusal;  // UTF-8: the message that refused the import; empty when it was not
};

// One code as the import writes it.
struct CodeRow {
  std::string code;
  CodeRowNames names;
};

// What a workbook holds for the import: the rows to write, or why there is nothing to write.
struct CodeWorkbookRows {
  StepResult result = StepResult::kDone;
  std::vector<CodeRow> rows;  // in workbook order (kDone: at least one)
  std::string refusal;        // UTF-8, when kStopped
};

// Reads the codes of the workbook `file` by `rules`; nothing is written. A refused code shows
// its message and gives kStopped with it. A workbook that yields no row to write (only heading
// rows, say) would leave the table empty: it is refused the same way with
// "沒有讀到任何代碼,資料表" + table + "未變更:" + file. A workbook that cannot be read throws
// Error naming it.
CodeWorkbookRows ReadCodeWorkbook(const std::filesystem::path& file, const CodeWorkbookRules& rules,
                                  StepContext& context);

// Replaces the rows of `rules.table` with `rows` in one transaction. A code the table holds
// already is listed ("ConstraintError error raised, with message : …") and skipped. The count
// shows the rows appended; the end shows "轉檔完成".
WorkbookImported WriteCodeRows(Database& database, const CodeWorkbookRules& rules,
                               const std::vector<CodeRow>& rows, StepContext& context);

// ReadCodeWorkbook, then WriteCodeRows when it found rows: all or nothing, a refused workbook
// leaves the table as it was.
WorkbookImported ImportCodeWorkbook(Database& database, const std::filesystem::path& file,
                                    const CodeWorkbookRules& rules, StepContext& context);

}  // namespace zuvo
