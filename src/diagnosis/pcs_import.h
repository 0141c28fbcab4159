#pragma once

// The NHI's ICD-10-PCS publications into the diagnosis database: the Chinese edition workbook
// into ICD10PCS ("將[1.2 中文版ICD-10-PCS(106.07.19更新).xls]轉入資料庫") and the text that maps
// ICD-10-PCS codes to NHI order codes into PCS
// ("將[全民健康保險ICD-10-PCS代碼與醫令對應檔_10608更新.txt] 轉入資料庫"). Each replaces its table
// in one transaction: a bad code or any error leaves the table as it was.

#include <filesystem>
#include <string_view>

#include "core/step_context.h"
#include "diagnosis/workbook_rows.h"
#include "platform/table_store.h"

namespace zuvo {

inline constexpr std::string_view kPcsWorkbookName = "1.2 中文版ICD-10-PCS(106.07.19更新).xls";
inline constexpr std::string_view kPcsMappingName =
    "全民健康保險ICD-10-PCS代碼與醫令對應檔_10608更新.txt";

// Letters A–Z and digits only. The import requires it of a 7-byte code; codes of other lengths
// are not checked.
bool IsPcsCode(std::string_view upper_code);

// ImportCodeWorkbook with this publication's rules: every sheet whose name holds no "_",
// heading rows up to the first whose trimmed first cell is shorter than 9 bytes and holds no
// "代碼"; codes upper-cased; a 7-byte code failing IsPcsCode shows "錯誤ICD: " + code and stops;
// a code with a blank name is listed (code + "  Ename空白" / "  Cname空白") and not written.
WorkbookImported ImportPcsWorkbook(Database& database, const std::filesystem::path& workbook,
                                   StepContext& context);

// One mapping a line of the Big5 text: ICD-10-PCS code, a tab, NHI order code. Each code is
// looked up in ICD10PCS for its names; one not found is listed as "找不到" + code and not
// written. The count shows the lines read; the end shows "完成". A missing file or a line that
// is no Big5 text throws Error naming the file (and line). Returns the rows written.
long ImportPcsMapping(Database& database, const std::filesystem::path& text_file,
                      StepContext& context);

}  // namespace zuvo
