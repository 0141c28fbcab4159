#pragma once

// Excel 97 workbooks (.xls, BIFF8 inside a compound file), read through FreeXL. The NHI
// publishes its ICD-10 code lists in this form.
//
// Contract:
// - Open reads the workbook's structure; a missing file, a file that is no workbook, a
//   password-protected or otherwise unreadable one throws zuvo::Error naming the file and
//   FreeXL's reason.
// - Sheets are listed in workbook order (the order of their tabs), by their names in UTF-8.
// - SelectSheet loads one sheet's cells; only one sheet is loaded at a time. Cells outside the
//   sheet read as empty, so callers may look one row past the end.
// - Cell texts are UTF-8 exactly as the workbook holds them (untrimmed). A number cell reads
//   as its shortest decimal text ("1", "2.5"); dates and times as FreeXL formats them
//   ("2016-02-26", "2016-02-26 10:00:00"); a formula, error or empty cell reads as "".

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace zuvo {

class XlsWorkbook {
 public:
  static XlsWorkbook Open(const std::filesystem::path& file);
  ~XlsWorkbook();
  XlsWorkbook(XlsWorkbook&& other) noexcept;
  XlsWorkbook& operator=(XlsWorkbook&& other) noexcept;
  XlsWorkbook(const XlsWorkbook&) = delete;
  XlsWorkbook& operator=(const XlsWorkbook&) = delete;

  const std::filesystem::path& file() const { return file_; }
  const std::vector<std::string>& SheetNames() const { return sheet_names_; }

  // Loads sheet `index` (0-based, workbook order). Throws Error naming the file and the sheet.
  void SelectSheet(size_t index);
  // Size of the selected sheet: rows and columns up to the last that holds a cell (0 for an
  // empty sheet).
  size_t RowCount() const { return rows_; }
  size_t ColumnCount() const { return columns_; }
  // The cell of the selected sheet at 0-based `row` and `column`, as text.
  std::string Text(size_t row, size_t column) const;

 private:
  XlsWorkbook(std::filesystem::path file, const void* handle);
  std::string Where() const;

  std::filesystem::path file_;
  const void* handle_ = nullptr;
  std::vector<std::string> sheet_names_;
  size_t selected_ = 0;
  size_t rows_ = 0;
  size_t columns_ = 0;
};

}  // namespace zuvo
