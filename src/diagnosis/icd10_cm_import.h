#pragma once

// The NHI's Chinese edition of ICD-10-CM (an Excel 97 workbook, laid out as workbook_rows.h
// describes) into the table ICD10 of the diagnosis database ("將ICD10.xls檔轉入資料庫"). A
// sheet whose name holds "FilterDatabase" is skipped.

#include <filesystem>
#include <string>
#include <string_view>

#include "diagnosis/workbook_rows.h"

namespace zuvo {

// A heading row's trimmed first cell: longer than 8 bytes, or holding "第" with "冊" or "章",
// or holding "代碼" (UTF-8).
bool IsIcd10CmHeading(std::string_view first_cell);
// A code cell of the publication: an upper-case letter, a digit, a digit or "A" or "B", and when
// longer, "." as the fourth character ("A00.0", "C7A.0", "M1A").
bool IsIcd10CmCode(std::string_view cell);
// The Chinese name without a remark: the trimmed text before three blanks in a row, if any.
std::string WithoutRemark(std::string_view chinese_name);

// This publication's rules for ICD10: a cell failing IsIcd10CmCode shows "錯誤ICD" + the cell
// and stops; a code is written without its dot, with both names non-blank and the Chinese one
// WithoutRemark.
CodeWorkbookRules Icd10CmWorkbookRules();
// ImportCodeWorkbook with these rules.
WorkbookImported ImportIcd10CmWorkbook(Database& database, const std::filesystem::path& workbook,
                                       StepContext& context);

}  // namespace zuvo
