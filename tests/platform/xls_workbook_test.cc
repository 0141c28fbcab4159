// Excel 97 workbooks read through FreeXL: real workbooks of other projects read in place from
// shared/external/xls (values as its README gives them), and workbooks written by the tests'
// own writer (tests/support/xls_writer.h), which the ICD-10 import tests rely on.
#include "platform/xls_workbook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "support/temp_dir.h"
#include "support/xls_writer.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::ExternalDir;
using testing::TempDir;
using testing::XlsSheet;

fs::path External(const std::string& relative) { return ExternalDir() / "xls" / relative; }

std::vector<std::string> Row(const XlsWorkbook& workbook, size_t row) {
  std::vector<std::string> cells;
  for (size_t column = 0; column < workbook.ColumnCount(); ++column) {
    cells.push_back(workbook.Text(row, column));
  }
  return cells;
}

using Cells = std::vector<std::string>;

TEST(XlsWorkbookRealFiles, RaggedRowsAndEmptySheetsInWorkbookOrder) {
  ZUVO_REQUIRE_EXTERNAL();
  XlsWorkbook workbook = XlsWorkbook::Open(External("xlrd/ragged.xls"));
  EXPECT_EQ(workbook.SheetNames(), (Cells{"Sheet1", "Sheet2", "Sheet3"}));
  workbook.SelectSheet(0);
  EXPECT_EQ(workbook.RowCount(), 5u);
  EXPECT_EQ(workbook.ColumnCount(), 4u);
  EXPECT_EQ(Row(workbook, 0), (Cells{"a", "b", "c", ""}));
  EXPECT_EQ(Row(workbook, 1), (Cells{"d", "e", "", ""}));
  EXPECT_EQ(Row(workbook, 3), (Cells{"g", "h", "I", "j"}));
  EXPECT_EQ(Row(workbook, 4), (Cells{"k", "", "", "l"}));
  EXPECT_EQ(workbook.Text(5, 0), "") << "a row past the end reads as empty";
  EXPECT_EQ(workbook.Text(0, 9), "") << "a column past the end reads as empty";
  workbook.SelectSheet(2);
  EXPECT_EQ(workbook.RowCount(), 0u);
  EXPECT_THROW(workbook.SelectSheet(3), Error);
}

TEST(XlsWorkbookRealFiles, StringTableBeyond256AndCellTypesAsText) {
  ZUVO_REQUIRE_EXTERNAL();
  XlsWorkbook strings = XlsWorkbook::Open(External("libxls/more-than-256-unique-strings-xls.xls"));
  strings.SelectSheet(0);
  ASSERT_EQ(strings.RowCount(), 258u);
  EXPECT_EQ(strings.Text(0, 0), "var");
  EXPECT_EQ(strings.Text(257, 0), "x257");

  // A 1904-based workbook: dates must come out right, numbers as their shortest text, a number
  // stored as text stays text, booleans read as 1/0.
  XlsWorkbook types = XlsWorkbook::Open(External("libxls/types.xls"));
  EXPECT_EQ(types.SheetNames().size(), 7u);
  EXPECT_EQ(types.SheetNames()[4], "date_coercion");
  types.SelectSheet(4);
  EXPECT_EQ(types.Text(1, 0), "2016-05-23");
  types.SelectSheet(2);
  EXPECT_EQ(types.Text(0, 1), "hello world");
  EXPECT_EQ(types.Text(3, 1), "1.3");
  EXPECT_EQ(types.Text(4, 1), "0");
  EXPECT_EQ(types.Text(6, 1), "1");
  types.SelectSheet(5);
  EXPECT_EQ(types.Text(2, 0), "72");

  XlsWorkbook dates = XlsWorkbook::Open(External("libxls/dates-1900.xls"));
  dates.SelectSheet(0);
  EXPECT_EQ(dates.Text(0, 0), "2000-01-01");
  EXPECT_EQ(dates.Text(0, 4), "2000-01-01 00:00:00");
}

TEST(XlsWorkbookRealFiles, UnreadableWorkbooksAreReportedNamingTheFile) {
  ZUVO_REQUIRE_EXTERNAL();
  // FreeXL 1.0.6 refuses this file's mini stream (see the corpus README).
  fs::path refused = External("libxls/utf8-sheet-names.xls");
  try {
    XlsWorkbook::Open(refused);
    FAIL() << "the workbook must be refused";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              refused.string() + ": cannot read the workbook: its small-stream table is damaged");
  }
  fs::path not_a_workbook = ExternalDir() / "xls" / "xlrd" / "LICENSE";
  try {
    XlsWorkbook::Open(not_a_workbook);
    FAIL() << "a text file is no workbook";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find(not_a_workbook.string() + ": cannot read"),
              std::string::npos)
        << error.what();
  }
}

TEST(XlsWorkbook, MissingFileAndFolderAreRefused) {
  TempDir folder;
  for (const fs::path& path : {folder / "none.xls", folder.path()}) {
    try {
      XlsWorkbook::Open(path);
      FAIL() << path;
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), path.string() + ": the workbook does not exist");
    }
  }
}

TEST(XlsWorkbookWriter, SheetsChineseTextAndMissingCellsReadBack) {
  TempDir folder;
  testing::WriteXlsWorkbook(folder / "book.xls",
                            {{"第一冊", {{"代碼", "名稱"}, {"A00.0", "Cholera"}, {"", "霍亂"}}},
                             {"空白", {}},
                             {"𠀋 and é", {{"", "", "x"}}}});
  XlsWorkbook workbook = XlsWorkbook::Open(folder / "book.xls");
  EXPECT_EQ(workbook.SheetNames(), (Cells{"第一冊", "空白", "𠀋 and é"}));
  workbook.SelectSheet(0);
  EXPECT_EQ(workbook.RowCount(), 3u);
  EXPECT_EQ(Row(workbook, 1), (Cells{"A00.0", "Cholera"}));
  EXPECT_EQ(Row(workbook, 2), (Cells{"", "霍亂"}));
  workbook.SelectSheet(1);
  EXPECT_EQ(workbook.RowCount(), 0u);
  workbook.SelectSheet(2);
  EXPECT_EQ(Row(workbook, 0), (Cells{"", "", "x"}));
}

// Long, distinct texts: the string table runs over many CONTINUE records (a text split across
// two of them among them), and the file outgrows the 109 FAT sectors the header can name.
TEST(XlsWorkbookWriter, LargeStringTableAndFileReadBack) {
  TempDir folder;
  std::vector<XlsSheet> sheets(2);
  for (size_t s = 0; s < sheets.size(); ++s) {
    sheets[s].name = "S" + std::to_string(s);
    for (int i = 0; i < 30000; ++i) {
      std::string text = std::to_string(s) + "/" + std::to_string(i) + " 長名稱";
      text += std::string(90 - text.size() % 7, 'x');
      sheets[s].rows.push_back({"C" + std::to_string(i), text});
    }
  }
  testing::WriteXlsWorkbook(folder / "large.xls", sheets);
  ASSERT_GT(fs::file_size(folder / "large.xls"), 109u * 128 * 512);
  XlsWorkbook workbook = XlsWorkbook::Open(folder / "large.xls");
  for (size_t s = 0; s < sheets.size(); ++s) {
    workbook.SelectSheet(s);
    ASSERT_EQ(workbook.RowCount(), 30000u);
    for (size_t row : {0u, 91u, 12345u, 29999u}) {
      EXPECT_EQ(Row(workbook, row), sheets[s].rows[row]) << s << "/" << row;
    }
  }
}

}  // namespace
}  // namespace zuvo
