#include "diagnosis/workbook_rows.h"

#include "platform/big5.h"
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

WorkbookImported ImportCodeWorkbook(Database& database, const std::filesystem::path& file,
                                    const CodeWorkbookRules& rules, StepContext& context) {
  WorkbookImported imported;
  XlsWorkbook workbook = XlsWorkbook::Open(file);
  Transaction transaction(database);
  database.Execute("delete * from " + std::string(rules.table));
  for (size_t sheet = 0; sheet < workbook.SheetNames().size(); ++sheet) {
    if (workbook.SheetNames()[sheet].find(rules.skipped_sheet) != std::string::npos) continue;
    workbook.SelectSheet(sheet);
    size_t row = 0;
    while (row < workbook.RowCount() && rules.is_heading(TrimmedCell(workbook, row, 0))) ++row;
    for (; row < workbook.RowCount(); ++row) {
      std::string first_cell = TrimmedCell(workbook, row, 0);
      if (Big5Length(first_cell) < kMinCodeLength) continue;
      std::string code = rules.code_of(first_cell);
      if (std::optional<std::string> refusal = rules.refusal(code)) {
        context.ShowMessage(*refusal, MessageKind::kError);
        // The transaction rolls back: the table keeps its former rows and none of these.
        return {StepResult::kStopped, 0, 0, *refusal};
      }
      CodeRowNames names{TrimmedCell(workbook, row, 1), TrimmedCell(workbook, row + 1, 1)};
      ++row;  // each code takes its two rows
      if (!rules.accept(code, names, context)) continue;
      try {
        database.Execute(rules.insert, {Param::Utf8(code), Param::Utf8(names.english),
                                        Param::Utf8(names.chinese)});
      } catch (const ConstraintError& error) {
        ++imported.duplicates;
        context.AddLine("ConstraintError error raised, with message : " + error.sqlite_message() +
                        " (" + code + ")");
        continue;
      }
      context.SetDone(++imported.rows);
      if (imported.rows % kEventInterval == 0) context.ProcessEvents();
    }
  }
  transaction.Commit();
  context.ShowMessage("轉檔完成");
  return imported;
}

}  // namespace zuvo
