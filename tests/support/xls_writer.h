#pragma once

// Writes Excel 97 workbooks for the tests and benchmarks: BIFF8 records in the "Workbook"
// stream of a compound file (512-byte sectors, DIFAT sectors once the FAT outgrows the
// header), text cells only, every text in the shared string table (SST, continued over
// CONTINUE records). No program here reads what it writes except through FreeXL, so the
// layout follows the published formats: [MS-CFB] and [MS-XLS].

#include <filesystem>
#include <string>
#include <vector>

namespace zuvo::testing {

struct XlsSheet {
  std::string name;  // UTF-8
  // Rows of UTF-8 cell texts; an empty text writes no cell. A sheet holds at most 65,536 rows.
  std::vector<std::vector<std::string>> rows;
};

// The whole file.
std::string XlsWorkbookBytes(const std::vector<XlsSheet>& sheets);
void WriteXlsWorkbook(const std::filesystem::path& file, const std::vector<XlsSheet>& sheets);

}  // namespace zuvo::testing
