#include "workspace/source_table.h"

#include <system_error>

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMemoExtensions[] = {".DBT", ".FPT"};

void DeleteCopy(const fs::path& work_tree, const std::string& name) {
  if (std::optional<fs::path> old = ResolvePath(work_tree, name)) {
    if (!DeleteFileWithRetry(*old)) {
      throw Error("無法刪除舊檔,請關閉使用它的程式: " + PathToUtf8(*old));
    }
  }
}

// Copies `source` into `work_tree` under its own name, replacing an older copy in any letter
// case. Returns the copy.
fs::path CopyInto(const fs::path& source, const fs::path& work_tree) {
  const std::string name = PathToUtf8(source.filename());
  DeleteCopy(work_tree, name);
  const fs::path copy = work_tree / source.filename();
  CopyFileTo(source, copy, false);
  return copy;
}

// An error's message naming the source table where it named the work copy (or before it, when
// it named neither).
std::string NamingTheSource(std::string message, const fs::path& copy, const fs::path& source) {
  const std::string copy_text = PathToUtf8(copy);
  const std::string source_text = PathToUtf8(source);
  if (copy.empty() || message.find(copy_text) == std::string::npos) {
    return message.find(source_text) == std::string::npos ? source_text + ": " + message : message;
  }
  for (size_t at = message.find(copy_text); at != std::string::npos;
       at = message.find(copy_text, at + source_text.size())) {
    message.replace(at, copy_text.size(), source_text);
  }
  return message;
}

void ListOddities(const fs::path& source, const DbfTable& table, StepContext& context) {
  const std::string shown = PathToUtf8(source);
  if (table.HeaderRecordCount() < table.RecordsInFile()) {
    context.AddLine("資料表表頭記錄數少於檔案所含:" + shown + " 表頭" +
                    std::to_string(table.HeaderRecordCount()) + "筆,檔案" +
                    std::to_string(table.RecordsInFile()) + "筆,只讀表頭所記的筆數");
  }
  const int code_page = table.DeclaredCodePage();
  if (code_page != 0 && code_page != kBig5CodePage) {
    context.AddLine("資料表宣告的字碼不是Big5:" + shown + " 字碼頁" + std::to_string(code_page) +
                    ",仍以Big5讀取");
  }
}

}  // namespace

std::optional<SourceTable> SourceTable::OpenIfPresent(const fs::path& source_folder,
                                                      std::string_view name,
                                                      const fs::path& work_tree,
                                                      StepContext& context) {
  std::optional<fs::path> source = ResolvePath(source_folder, name);
  if (!source) return std::nullopt;
  return Open(source_folder, name, work_tree, context);
}

SourceTable SourceTable::Open(const fs::path& source_folder, std::string_view name,
                              const fs::path& work_tree, StepContext& context) {
  std::optional<fs::path> source = ResolvePath(source_folder, name);
  if (!source) {
    throw Error("找不到來源資料表: " + PathToUtf8(source_folder / PathFromUtf8(name)));
  }
  if (IsSameOrInside(source_folder, work_tree)) {
    throw Error("來源資料夾就是工作資料夾,不能複製資料表: " + PathToUtf8(*source));
  }
  fs::path copy;
  try {
    copy = CopyInto(*source, work_tree);
    const std::string stem = PathToUtf8(source->stem());
    for (std::string_view extension : kMemoExtensions) {
      const std::string memo_name = stem + std::string(extension);
      DeleteCopy(work_tree, memo_name);
      if (std::optional<fs::path> memo = ResolvePath(source->parent_path(), memo_name)) {
        CopyInto(*memo, work_tree);
      }
    }
    DbfTable table(copy);
    table.NameInMessages(*source);
    table.RefuseShortTable();
    ListOddities(*source, table, context);
    return SourceTable(*source, std::move(table));
  } catch (const Error& error) {
    throw Error(NamingTheSource(error.what(), copy, *source));
  }
}

std::string SourceTable::StorableText(std::string_view field, StepContext& context) const {
  const int index = table_.FieldIndex(field);
  const bool memo = index >= 0 && table_.Fields()[static_cast<size_t>(index)].type == 'M';
  std::string text = big5::Trim(memo ? table_.Memo(field) : table_.Text(field));
  if (big5::TryToUtf8(text)) return text;
  context.AddLine("字碼錯誤:" + RecordPlace(table_.RecordNumber()) + " " + std::string(field) +
                  ":'" + big5::ToUtf8Escaped(text) + "'");
  return big5::ReplaceUndecodable(text);
}

std::string SourceTable::RecordPlace(int record_number) const {
  return PathToUtf8(source_) + " 第" + std::to_string(record_number) + "筆";
}

}  // namespace zuvo
