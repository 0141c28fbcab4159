#pragma once

// The ICD-10 tools of the settings page and the chronic ranges, as the buttons run them on the
// program folder's diagnosis database: each asks for its file where it needs one (through the
// context; a cancelled choice ends the tool without change), opens the database, runs and
// closes it.
//
// A tool whose source gives it nothing to write (a workbook of heading rows only, an empty
// mapping text, an empty ICD10, another DX without short names) is refused: its message names
// the file or table and is shown, the tool returns kStopped with it in `refusal`, and no table is
// touched. A tool that replaces a table (ICD10, ICD10PCS, PCS, DX) first keeps a dated copy of the
// database beside it (BackUpDiagnosisDatabase), lists it as "已備份診斷資料庫:" + path and returns
// it in `backup`.

#include <filesystem>
#include <string>

#include "core/step_context.h"
#include "core/step_result.h"
#include "core/workplace.h"

namespace zuvo {

// What a tool did. Each tool returns kStopped when the choice was cancelled, the operator
// declined, or a message box stopped it: nothing was changed then, and `rows` says nothing of
// the table.
struct DiagnosisToolRun {
  long rows = 0;                 // rows written (merge: other rows read)
  long duplicates = 0;           // rows listed and skipped
  std::filesystem::path backup;  // the copy kept before a table was replaced
  std::string refusal;           // UTF-8: the message that stopped the tool, when one did
};

inline constexpr std::string_view kIcd10ToDxQuestion =
    "將轉檔ICD10瑱入診斷資料庫會重建DX:"
    "原有的列出、常用、短診斷名、科別、關鍵字及慢性病設定全部清除。"
    "執行前會先備份ICD10CM.MDB。要繼續嗎?";

// "將ICD10.xls檔轉入資料庫": the ICD-10-CM workbook into ICD10.
StepResult ImportIcd10CmWorkbook(DiagnosisToolRun& run, const Workplace& workplace,
                                 StepContext& context);
// "將轉檔ICD10瑱入診斷資料庫": refuses an empty ICD10 ("資料表ICD10沒有任何代碼,DX未變更:" +
// database file), asks kIcd10ToDxQuestion (OK/Cancel), keeps a dated copy of the database
// beside it, rebuilds DX from ICD10 and ends with "轉檔完成" naming the copy.
StepResult RebuildDiagnosisList(DiagnosisToolRun& run, const Workplace& workplace,
                                StepContext& context);
// "將它檔ICD10融入診斷資料庫": another copy's DX (table store file or Access .mdb) merged in; one
// without a row with a short name is refused ("它檔DX沒有任何有短診斷名的資料,DX未變更:" + file).
StepResult MergeOtherDiagnosisList(DiagnosisToolRun& run, const Workplace& workplace,
                                   StepContext& context);
// "將[1.2 中文版ICD-10-PCS(106.07.19更新).xls]轉入資料庫": the ICD-10-PCS workbook into ICD10PCS.
StepResult ImportIcd10PcsWorkbook(DiagnosisToolRun& run, const Workplace& workplace,
                                  StepContext& context);
// "將[全民健康保險ICD-10-PCS代碼與醫令對應檔_10608更新.txt]轉入資料庫": the mapping into PCS.
StepResult ImportPcsOrderMapping(DiagnosisToolRun& run, const Workplace& workplace,
                                 StepContext& context);
// "輸入慢性病碼": DXlong applied to DX.
StepResult ApplyChronicDiagnosisRanges(DiagnosisToolRun& run, const Workplace& workplace,
                                       StepContext& context);

}  // namespace zuvo
