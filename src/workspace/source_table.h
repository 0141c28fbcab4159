#pragma once

// A source system's table as the conversion steps read it: copied from the source folder into
// the work tree (older copies deleted first, its memo file with it) and opened there, so that the
// source folder is never written and never held open. What is odd about the table is listed
// once, naming the file in the source folder, which is the one support staff can open.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/step_context.h"
#include "platform/dbf_table.h"

namespace zuvo {

inline constexpr int kBig5CodePage = 950;

class SourceTable {
 public:
  // Copies the table `name` ("CO09D.DBF"; found without regard to letter case) and its memo
  // file (.DBT or .FPT of the same stem) from `source_folder` into `work_tree` and opens the
  // copy. Lists on `context`:
  // - a header that counts fewer records than the file holds (the table is read as its header
  //   says): "資料表表頭記錄數少於檔案所含:" + source file + both counts;
  // - a declared code page other than Big5 (the table is read as Big5 all the same):
  //   "資料表宣告的字碼不是Big5:" + source file + the code page.
  // Throws Error naming the source file when it is missing, when the source folder is the work
  // tree (the copy would delete its own source), when the copy cannot be made or opened (with
  // the reason after the name), or when the file holds fewer records than its header states
  // (DbfTable::RefuseShortTable: source file + ": 資料表不完整,表頭宣告 224 筆,檔案只有 100 筆").
  static SourceTable Open(const std::filesystem::path& source_folder, std::string_view name,
                          const std::filesystem::path& work_tree, StepContext& context);
  // The same for a table the source may lack: empty when it does (no copy is left behind).
  static std::optional<SourceTable> OpenIfPresent(const std::filesystem::path& source_folder,
                                                  std::string_view name,
                                                  const std::filesystem::path& work_tree,
                                                  StepContext& context);

  DbfTable& table() { return table_; }
  const DbfTable& table() const { return table_; }
  // The file in the source folder.
  const std::filesystem::path& source() const { return source_; }
  // Where a record lies, for a message line: source file + " 第" + record number + "筆".
  std::string RecordPlace(int record_number) const;
  // The trimmed text of `field` in the current record (of a memo field, the memo's text), ready
  // to be stored as text: a character that is no Big5 becomes "？" and the field is listed with
  // its place and bytes,
  // "字碼錯誤:" + RecordPlace + " " + field + ":'" + text with \xNN for the bad bytes + "'".
  std::string StorableText(std::string_view field, StepContext& context) const;

 private:
  SourceTable(std::filesystem::path source, DbfTable table)
      : source_(std::move(source)), table_(std::move(table)) {}

  std::filesystem::path source_;
  DbfTable table_;
};

}  // namespace zuvo
