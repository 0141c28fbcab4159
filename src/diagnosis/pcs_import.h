#pragma once

// The NHI's ICD-10-PCS publications into the diagnosis database: the Chinese edition workbook
// into ICD10PCS ("將[1.2 中文版ICD-10-PCS(106.07.19更新).xls]轉入資料庫") and the text that maps
// ICD-10-PCS codes to NHI order codes into PCS
// ("將[全民健康保險ICD-10-PCS代碼與醫令對應檔_10608更新.txt] 轉入資料庫"). Each reads its source
// whole first and then replaces its table in one transaction: a bad code, a source with nothing
// to write or any error leaves the table as it was.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/step_context.h"
#include "core/step_result.h"
#include "diagnosis/workbook_rows.h"
#include "platform/table_store.h"

namespace zuvo {

inline constexpr std::string_view kPcsWorkbookName = "1.2 中文版ICD-10-PCS(106.07.19更新).xls";
inline constexpr std::string_view kPcsMappingName =
    "全民健康保險ICD-10-PCS代碼與醫令對應檔_10608更新.txt";

// Letters A–Z and digits only. The import requires it of a 7-byte code; codes of other lengths
// are not checked.
bool IsPcsCode(std::string_view upper_code);

// This publication's rules for ICD10PCS: every sheet whose name holds no "_", heading rows up to
// the first whose trimmed first cell is shorter than 9 bytes and holds no "代碼"; codes
// upper-cased; a 7-byte code failing IsPcsCode shows "錯誤ICD: " + code and stops; a code with a
// blank name is listed (code + "  Ename空白" / "  Cname空白") and not written.
CodeWorkbookRules PcsWorkbookRules();
// ImportCodeWorkbook with these rules.
WorkbookImported ImportPcsWorkbook(Database& database, const std::filesystem::path& workbook,
                                   StepContext& context);

// One row of PCS.
struct PcsMapping {
  std::string code;        // Big5, as the text holds it
  std::string order_code;  // Big5
  std::string english;     // UTF-8, from ICD10PCS
  std::string chinese;     // UTF-8, from ICD10PCS
};

struct PcsMappingRows {
  StepResult result = StepResult::kDone;
  std::vector<PcsMapping> rows;  // in the order of the lines (kDone: at least one)
  std::string refusal;           // UTF-8, when kStopped
};

// Reads the mapping text, one mapping a line of Big5 text: ICD-10-PCS code, a tab, NHI order
// code; nothing is written. Each code is looked up in ICD10PCS for its names; one not found is
// listed as "找不到" + code. The count shows the lines read. A text that yields no row to write
// (an empty file, or no code ICD10PCS knows) would leave PCS empty: it is refused, shown and
// returned as "沒有讀到任何對應,資料表PCS未變更:" + file (kStopped). A missing file or a line
// that is no Big5 text throws Error naming the file (and line).
PcsMappingRows ReadPcsMapping(Database& database, const std::filesystem::path& text_file,
                              StepContext& context);

// Replaces the rows of PCS with `rows` in one transaction; the end shows "完成". Returns the
// rows written.
long WritePcsMapping(Database& database, const std::vector<PcsMapping>& rows, StepContext& context);

}  // namespace zuvo
