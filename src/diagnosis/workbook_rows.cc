#include "diagnosis/workbook_rows.h"

#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/table_store_connection.h"
#include "platform/xls_workbook.h"

namespace zuvo {
namespace {

constexpr size_t kMinCodeLength = 3;
// The window shows every count at once; events are let through every so many rows.
constexpr long kEventInterval = 64;

std::string TrimmedCell(const XlsWorkbook& workbook, size_t row, size_t column) {
  // The bytes Trim removes (0x00..0x20) never occur inside a UTF-8 character either.
  return big5::Trim(workbook.Text(row, column));
}

}  // namespace

CodeWorkbookRows ReadCodeWorkbook(const std::filesystem::path& file, const CodeWorkbookRules& rules,
                                  StepContext& context) {
  CodeWorkbookRows read;
  XlsWorkbook workbook = XlsWorkbook::Open(file);
  auto refuse = [&](std::string refusal) {
    context.ShowMessage(refusal, MessageKind::kError);
    return CodeWorkbookRows{StepResult::kStopped, {}, std::move(refusal)};
  };
  for (size_t sheet = 0; sheet < workbook.SheetNames().size(); ++sheet) {
    if (workbook.SheetNames()[sheet].find(rules.skipped_sheet) != std::string::npos) continue;
    workbook.SelectSheet(sheet);
    size_t row = 0;
    while (row < workbook.RowCount() && rules.is_heading(TrimmedCell(workbook, row, 0))) ++row;
    for (; row < workbook.RowCount(); ++row) {
      std::string first_cell = TrimmedCell(workbook, row, 0);
      if (Big5Length(first_cell) < kMinCodeLength) continue;
      std::string code = rules.code_of(first_cell);
      if (std::optional<std::string> refusal = rules.refusal(code)) return refuse(*refusal);
      CodeRowNames names{TrimmedCell(workbook, row, 1), TrimmedCell(workbook, row + 1, 1)};
      ++row;  // each code takes its two rows
      if (!rules.accept(code, names, context)) continue;
      read.rows.push_back({std::move(code), std::move(names)});
      if (read.rows.size() % kEventInterval == 0) context.ProcessEvents();
    }
  }
  if (read.rows.empty()) {
    // Replacing the table by nothing would lose the whole publication.
    return refuse("沒有讀到任何代碼,資料表" + std::string(rules.table) +
                  "未變更:" + PathToUtf8(file));
  }
  return read;
}

WorkbookImported WriteCodeRows(Database& database, const CodeWorkbookRules& rules,
                               const std::vector<CodeRow>& rows, StepContext& context) {
  WorkbookImported imported;
  Transaction transaction(database);
  database.Execute("delete from " + std::string(rules.table));
  for (const CodeRow& row : rows) {
    try {
      database.Execute(rules.insert, {Param::Utf8(row.code), Param::Utf8(row.names.english),
                                      Param::Utf8(row.names.chinese)});
    } catch (const ConstraintError& error) {
      ++imported.duplicates;
      context.AddLine("ConstraintError error raised, with message : " + error.sqlite_message() +
                      " (" + row.code + ")");
      continue;
    }
    context.SetDone(++imported.rows);
    if (imported.rows % kEventInterval == 0) context.ProcessEvents();
  }
  transaction.Commit();
  context.ShowMessage("轉檔完成");
  return imported;
}

WorkbookImported ImportCodeWorkbook(Database& database, const std::filesystem::path& file,
                                    const CodeWorkbookRules& rules, StepContext& context) {
  CodeWorkbookRows read = ReadCodeWorkbook(file, rules, context);
  if (read.result != StepResult::kDone) return {read.result, 0, 0, read.refusal};
  return WriteCodeRows(database, rules, read.rows, context);
}

}  // namespace zuvo
