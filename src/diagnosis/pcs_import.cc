#include "diagnosis/pcs_import.h"

#include <unordered_map>
#include <utility>
#include <vector>

#include "diagnosis/workbook_rows.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

constexpr size_t kPcsCodeLength = 7;
constexpr size_t kMaxHeadingLength = 8;
constexpr long kEventInterval = 64;

bool IsPcsHeading(std::string_view first_cell) {
  return Big5Length(first_cell) > kMaxHeadingLength ||
         first_cell.find("代碼") != std::string_view::npos;
}

// The lines of a text file without their line ends; a last line end starts no line.
std::vector<std::string> TextLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    std::string line =
        bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

}  // namespace

bool IsPcsCode(std::string_view upper_code) {
  for (char c : upper_code) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

CodeWorkbookRules PcsWorkbookRules() {
  return {"ICD10PCS",
          "insert into ICD10PCS (ICD10, Ename, Cname) values (?, ?, ?)",
          "_",
          IsPcsHeading,
          UpperAsciiUtf8,
          [](std::string_view code) -> std::optional<std::string> {
            // Bytes as Big5 counts them: a code with Chinese in it is no 7-byte
            // code.
            if (Big5Length(code) != kPcsCodeLength || IsPcsCode(code)) return std::nullopt;
            return "錯誤ICD: " + std::string(code);
          },
          [](std::string& code, CodeRowNames& names, StepContext& context) {
            if (names.english.empty()) context.AddLine(code + "  Ename空白");
            if (names.chinese.empty()) context.AddLine(code + "  Cname空白");
            return !names.english.empty() && !names.chinese.empty();
          }};
}

WorkbookImported ImportPcsWorkbook(Database& database, const std::filesystem::path& workbook,
                                   StepContext& context) {
  return ImportCodeWorkbook(database, workbook, PcsWorkbookRules(), context);
}

PcsMappingRows ReadPcsMapping(Database& database, const std::filesystem::path& text_file,
                              StepContext& context) {
  std::vector<std::string> lines = TextLines(ReadWholeFile(text_file));
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!big5::TryToUtf8(lines[i])) {
      throw Error(PathToUtf8(text_file) + ", line " + std::to_string(i + 1) +
                  ": the text is no Big5");
    }
  }
  // ICD10PCS by code, letters folded as the table compares them.
  std::unordered_map<std::string, std::pair<std::string, std::string>> names;
  RecordSet pcs = database.Query("select ICD10, Ename, Cname from ICD10PCS");
  for (pcs.First(); !pcs.Eof(); pcs.Next()) {
    names.try_emplace(big5::LowerAscii(pcs.TextUtf8("ICD10")), pcs.TextUtf8("Ename"),
                      pcs.TextUtf8("Cname"));
  }

  PcsMappingRows read;
  context.SetDone(0);
  long count = 0;
  for (const std::string& line : lines) {
    size_t tab = line.find('\t');
    // Without a tab the code is empty and the whole line is the order code.
    std::string code = tab == std::string::npos ? std::string() : line.substr(0, tab);
    std::string order_code = tab == std::string::npos ? line : line.substr(tab + 1);
    auto found = names.find(big5::ToUtf8(big5::LowerAscii(code)));
    if (found == names.end()) {
      context.AddLine("找不到" + big5::ToUtf8(code));
    } else {
      read.rows.push_back({code, order_code, found->second.first, found->second.second});
    }
    context.SetDone(++count);
    if (count % kEventInterval == 0) context.ProcessEvents();
  }
  if (read.rows.empty()) {
    // Replacing PCS by nothing would lose every mapping.
    read.result = StepResult::kStopped;
    read.refusal = "沒有讀到任何對應,資料表PCS未變更:" + PathToUtf8(text_file);
    context.ShowMessage(read.refusal, MessageKind::kError);
  }
  return read;
}

long WritePcsMapping(Database& database, const std::vector<PcsMapping>& rows,
                     StepContext& context) {
  Transaction transaction(database);
  database.Execute("delete from PCS");
  long written = 0;
  for (const PcsMapping& row : rows) {
    database.Execute(
        "insert into PCS (ICD10, ENAME, CNAME, INSUcode) values (?, ?, ?, ?)",
        {row.code, Param::Utf8(row.english), Param::Utf8(row.chinese), row.order_code});
    if (++written % kEventInterval == 0) context.ProcessEvents();
  }
  transaction.Commit();
  context.ShowMessage("完成");
  return written;
}

}  // namespace zuvo
