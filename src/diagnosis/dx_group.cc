#include "diagnosis/dx_group.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "platform/big5.h"

namespace zuvo {
namespace {

DxRow ReadRow(const RecordSet& rows) {
  DxRow row;
  row.code = rows.Text("ICD10");
  row.listed = rows.Boolean("bList");
  row.common = rows.Boolean("common");
  row.status = rows.Integer("status");
  row.chronic_code = rows.Text("Scode");
  if (!rows.IsNull("Sname")) row.short_name = rows.Text("Sname");
  // Only shown and offered as a short name: a character Big5 lacks shows as "？".
  row.english_name = rows.TextBig5Substituted("Ename", nullptr);
  row.clinic_types = rows.Text("clinicTypes");
  row.keyword = rows.Text("keyword");
  row.rec_time = rows.Number("recTime");
  return row;
}

std::vector<DxRow> ReadRows(RecordSet rows) {
  std::vector<DxRow> result;
  for (rows.First(); !rows.Eof(); rows.Next()) result.push_back(ReadRow(rows));
  return result;
}

// The whole number a person typed: digits with an optional sign; empty otherwise.
std::optional<int> TypedInteger(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return {};
  return value;
}

}  // namespace

std::optional<DxRow> FindDxRow(Database& database, std::string_view code) {
  RecordSet rows = database.Query("select * from DX where ICD10=?", {code});
  rows.First();
  if (rows.Eof()) return std::nullopt;
  return ReadRow(rows);
}

std::vector<DxRow> DxRowsStartingWith(Database& database, std::string_view prefix) {
  if (big5::Trim(prefix).empty()) return {};
  std::vector<DxRow> rows = ReadRows(database.Query(
      "select * from DX where ICD10 like ? order by ICD10", {std::string(prefix) + "%"}));
  // "_" and "%" in the prefix are wildcards to LIKE; only a true prefix counts.
  std::string wanted = big5::UpperAscii(prefix);
  std::erase_if(rows, [&](const DxRow& row) {
    return big5::UpperAscii(row.code).compare(0, wanted.size(), wanted) != 0;
  });
  return rows;
}

std::vector<DxRow> DxRowsNamed(Database& database, std::string_view short_name) {
  return ReadRows(database.Query("select * from DX where Sname=? order by ICD10", {short_name}));
}

std::optional<std::string_view> CheckDxGroup(const DxEditorFields& fields) {
  if (fields.lines.size() > 1 &&
      std::count_if(fields.lines.begin(), fields.lines.end(),
                    [](const DxSelectionLine& line) { return line.listed; }) != 1) {
    return kOneListedMessage;
  }
  if (std::none_of(fields.departments.begin(), fields.departments.end(),
                   [](bool ticked) { return ticked; })) {
    return kNoDepartmentMessage;
  }
  std::string code = big5::Trim(fields.chronic_code);
  if (fields.chronic && code.empty()) return kChronicWithoutCodeMessage;
  if (!fields.chronic && !code.empty()) return kCodeWithoutChronicMessage;
  if (fields.chronic) {
    std::optional<int> value = TypedInteger(code);
    if (!value || *value < 1 || *value > 99) return kChronicCodeRangeMessage;
  }
  return std::nullopt;
}

DxGroupSaved SaveDxGroup(Database& database, DxEditorFields& fields, DateTime now) {
  DxGroupSaved saved;
  saved.refusal = CheckDxGroup(fields);
  if (saved.refusal) return saved;
  const std::string departments = DepartmentText(fields.departments);
  const std::string keywords = KeywordText(fields.keywords);
  const std::string short_name = big5::Trim(fields.short_name);
  const std::string chronic_code = fields.chronic ? big5::Trim(fields.chronic_code) : "";
  Transaction transaction(database);
  for (const DxSelectionLine& line : fields.lines) {
    saved.rows += static_cast<int>(database.Execute(
        "update DX set bList=?, common=?, Sname=?, status=?, Scode=?, clinicTypes=?, keyword=?, "
        "recTime=? where ICD10=?",
        {line.listed, fields.common, short_name, fields.chronic ? 1 : 0, chronic_code, departments,
         keywords, now, line.code}));
  }
  transaction.Commit();
  for (const std::string& keyword : fields.keywords) {
    std::string trimmed = big5::Trim(keyword);
    if (!trimmed.empty()) saved.keywords.push_back(trimmed);
  }
  ClearSelection(fields);
  return saved;
}

std::vector<std::string> ReadKeywordList(Database& database) {
  std::set<std::string> keywords;
  RecordSet rows = database.Query("select keyword from DX where keyword is not null");
  for (rows.First(); !rows.Eof(); rows.Next()) {
    for (std::string& keyword : SplitKeywords(rows.Text("keyword"))) {
      keywords.insert(std::move(keyword));
    }
  }
  return {keywords.begin(), keywords.end()};
}

PreviewDepartment ChoosePreviewDepartment(const DepartmentTicks& ticks) {
  PreviewDepartment choice;
  auto first = std::find(ticks.begin(), ticks.end(), true);
  if (first == ticks.end()) {
    choice.message = kNoDepartmentMessage;
    return choice;
  }
  choice.department = static_cast<size_t>(first - ticks.begin());
  if (std::count(ticks.begin(), ticks.end(), true) > 1) {
    choice.message = "選擇超過一科,只顯示" + std::string(DepartmentNames[*choice.department]);
  }
  return choice;
}

std::vector<std::string> ReadPreviewNames(Database& database, std::string_view department_code) {
  std::vector<std::string> names;
  RecordSet rows =
      database.Query("select Sname from DX where bList=1 and common=1 and clinicTypes like ?",
                     {"%" + std::string(department_code) + "%"});
  for (rows.First(); !rows.Eof(); rows.Next()) names.push_back(big5::Trim(rows.Text("Sname")));
  return names;
}

}  // namespace zuvo
