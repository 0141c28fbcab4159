#pragma once

// The diagnosis editor's group being edited: the selection list and the editing fields of the
// page, as plain data (Big5 texts). The page copies its widgets into DxEditorFields, calls these
// functions and shows the fields again.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/code_tables.h"
#include "core/roc_date.h"

namespace zuvo {

inline constexpr size_t kDepartmentCount = DepartmentCodes.size();
// Ticks by position in DepartmentCodes, as the department check list holds them.
using DepartmentTicks = std::array<bool, kDepartmentCount>;

// One row of DX as the editor reads it.
struct DxRow {
  std::string code;  // ICD10
  bool listed = false;
  bool common = false;
  int64_t status = 0;
  std::string chronic_code;               // Scode; "" for null
  std::optional<std::string> short_name;  // Sname; empty for null
  std::string english_name;               // Ename
  std::string clinic_types;               // "01,05,"
  std::string keyword;                    // "[胃][胃痛]"
  DateTime rec_time = 0;                  // recTime; 0 for null

  bool chronic() const { return (status & 1) != 0; }
};

// A line of the selection list CselList.
struct DxSelectionLine {
  bool listed = false;       // the check box "列"
  std::string code;          // "ICD10碼"
  bool chronic = false;      // "慢" shows "Y"
  std::string chronic_code;  // "慢性病碼"
  std::string short_name;    // "短診斷名"
  std::string english_name;  // "英文名"
};

struct DxEditorFields {
  std::vector<DxSelectionLine> lines;  // CselList
  std::string short_name;              // Cdxsname
  bool common = false;                 // CDXcommon
  bool chronic = false;                // CDXlongCheck
  std::string chronic_code;            // CDXlongCode
  DepartmentTicks departments{};       // CclinicTypesList
  std::vector<std::string> keywords;   // CkeywordSel
  DateTime edit_time = 0;              // CDXeditTime; 0 shows nothing
};

// How a row comes into the selection: a click on the grid also takes the row's chronic mark,
// departments and keywords into the editing fields; the two "帶入" buttons do not.
enum class DxAddSource { kGridClick, kBringIn };

// Adds `row` as the last line unless a line has its code already (then nothing changes and the
// result is false). Ticks CDXcommon for a common row, fills a blank short name from the row's
// Sname (its Ename when Sname is null), and shows the row's recTime when it is later than the
// time shown.
bool AddToSelection(DxEditorFields& fields, const DxRow& row, DxAddSource source);
// True when the selection holds both chronic lines and lines that are not.
bool MixesChronicAndOther(const DxEditorFields& fields);
inline constexpr std::string_view kMixedChronicMessage = "慢性病與非慢性病不要放在同一組診斷群內";

// Empties the selection and the editing fields; the department ticks stay.
void ClearSelection(DxEditorFields& fields);
// Removes line `index` (nothing for an index past the end); when no line is left, clears.
void RemoveSelectionLine(DxEditorFields& fields, size_t index);

// The keywords of a keyword text: split at "]", each part trimmed of blanks and its leading "[",
// parts of fewer than `min_bytes` bytes left out. A "]" that is the second byte of a Chinese
// character does not split.
std::vector<std::string> SplitKeywords(std::string_view keyword_text, size_t min_bytes = 1);
// "[胃][胃痛]" from 胃 and 胃痛 (blank keywords left out, each trimmed).
std::string KeywordText(const std::vector<std::string>& keywords);
// Adds the trimmed input to the keywords unless it is blank or there already. A keyword that
// contains "[" or "]" is refused: the result is then kKeywordBracketMessage.
std::optional<std::string_view> AddKeyword(DxEditorFields& fields, std::string_view input);
inline constexpr std::string_view kKeywordBracketMessage = "關鍵字不可含 [  或  ]  字元";

// "01,05," from the ticked departments, in list order.
std::string DepartmentText(const DepartmentTicks& ticks);
// Ticks every department whose code is one of the ","-separated (trimmed) parts of `text`.
void TickDepartments(DepartmentTicks& ticks, std::string_view clinic_types);

// The short name's length: bytes of the trimmed Big5 text; above kShortNameLimit it shows red.
inline constexpr size_t kShortNameLimit = 24;
size_t ShortNameLength(std::string_view short_name);
// "字數:" + length + "(上限24字)" (UTF-8).
std::string ShortNameLengthText(size_t length);

// True when `text` holds the single-byte character `c` itself, not as the second byte of a
// Chinese character.
bool ContainsCharacter(std::string_view text, char c);

// "yyyy/mm/dd hh:nn:ss" of a date-time value (UTF-8); "" for 0.
std::string EditTimeText(DateTime value);

}  // namespace zuvo
