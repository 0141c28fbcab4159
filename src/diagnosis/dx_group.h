#pragma once

// What the diagnosis editor reads from and writes to the table DX of ICD10CM.MDB: the rows it
// adds to a group, the group's save with its checks, the keyword list and the preview list.
// Texts are Big5; database errors throw zuvo::Error naming the file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnosis/dx_selection.h"
#include "platform/table_store.h"

namespace zuvo {

// The row of `code`; empty when DX has none.
std::optional<DxRow> FindDxRow(Database& database, std::string_view code);
// Rows whose ICD10 starts with `prefix` (letters without regard to case), in code order. A blank
// prefix gives none (it would bring in the whole table).
std::vector<DxRow> DxRowsStartingWith(Database& database, std::string_view prefix);
// Rows whose Sname equals `short_name`, in code order.
std::vector<DxRow> DxRowsNamed(Database& database, std::string_view short_name);

// The checks of "確定", first failing one first; empty when the group may be saved.
std::optional<std::string_view> CheckDxGroup(const DxEditorFields& fields);
inline constexpr std::string_view kOneListedMessage = "一群診斷必選只能一個被列出項目";
inline constexpr std::string_view kNoDepartmentMessage = "沒有選擇使用科別";
inline constexpr std::string_view kChronicWithoutCodeMessage =
    "勾選慢性病沒有填慢性病碼,慢性病碼請參見檔案[慢性病代碼10412XX.pdf]";
inline constexpr std::string_view kCodeWithoutChronicMessage = "有填慢性病碼卻沒勾選慢性病設定";
inline constexpr std::string_view kChronicCodeRangeMessage =
    "慢性病碼要設在01到99間,慢性病碼請參見檔案[慢性病代碼10412XX.pdf]";

struct DxGroupSaved {
  std::optional<std::string_view> refusal;  // the check that failed; nothing was written
  int rows = 0;                             // rows of DX written
  std::vector<std::string> keywords;        // the group's keywords, for the keyword list
};

// "確定": checks the group and writes every line whose code is in DX (listed = the line's tick,
// common, trimmed short name, chronic status and code, departments, keywords, recTime = `now`)
// in one transaction; codes no longer in DX are skipped. Then clears the selection (the
// department ticks stay). A refused group is left as it was.
DxGroupSaved SaveDxGroup(Database& database, DxEditorFields& fields, DateTime now);

// The keyword list: every keyword of DX, once each, in byte order.
std::vector<std::string> ReadKeywordList(Database& database);

// The department the preview shows: the first ticked one. None ticked gives
// kNoDepartmentMessage and no department; more than one gives the notice
// "選擇超過一科,只顯示" + the first one's name.
struct PreviewDepartment {
  std::optional<size_t> department;  // position in DepartmentCodes
  std::string message;               // UTF-8; empty when there is nothing to say
};
PreviewDepartment ChoosePreviewDepartment(const DepartmentTicks& ticks);
// The pick list of a department as the clinic front end offers it: the trimmed Sname of every
// listed, common row whose clinicTypes holds the code.
std::vector<std::string> ReadPreviewNames(Database& database, std::string_view department_code);

}  // namespace zuvo
