#include "diagnosis/icd10_cm_import.h"

#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr size_t kMaxHeadingLength = 8;
constexpr size_t kCodeStemLength = 3;

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsIcd10CmHeading(std::string_view first_cell) {
  return Big5Length(first_cell) > kMaxHeadingLength ||
         (Contains(first_cell, "第") &&
          (Contains(first_cell, "冊") || Contains(first_cell, "章"))) ||
         Contains(first_cell, "代碼");
}

bool IsIcd10CmCode(std::string_view cell) {
  if (cell.size() < kCodeStemLength) return false;
  if (!IsUpperLetter(cell[0]) || !IsDigit(cell[1])) return false;
  if (!IsDigit(cell[2]) && cell[2] != 'A' && cell[2] != 'B') return false;
  return cell.size() == kCodeStemLength || cell[3] == '.';
}

std::string WithoutRemark(std::string_view chinese_name) {
  size_t blanks = chinese_name.find("   ");
  if (blanks == std::string_view::npos) return std::string(chinese_name);
  return big5::Trim(chinese_name.substr(0, blanks));
}

CodeWorkbookRules Icd10CmWorkbookRules() {
  return {"ICD10",
          "insert into ICD10 (ICDcode, Ename, Cname) values (?, ?, ?)",
          "FilterDatabase",
          IsIcd10CmHeading,
          [](std::string_view first_cell) { return std::string(first_cell); },
          [](std::string_view code) -> std::optional<std::string> {
            if (IsIcd10CmCode(code)) return std::nullopt;
            return "錯誤ICD" + std::string(code);
          },
          [](std::string& code, CodeRowNames& names, StepContext&) {
            if (names.english.empty() || names.chinese.empty()) return false;
            if (size_t dot = code.find('.'); dot != std::string::npos) code.erase(dot, 1);
            names.chinese = WithoutRemark(names.chinese);
            return true;
          }};
}

WorkbookImported ImportIcd10CmWorkbook(Database& database, const std::filesystem::path& workbook,
                                       StepContext& context) {
  return ImportCodeWorkbook(database, workbook, Icd10CmWorkbookRules(), context);
}

}  // namespace zuvo
