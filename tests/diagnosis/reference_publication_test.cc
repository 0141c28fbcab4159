// The NHI's 2023 ICD-10-CM (shared/reference-data/icd10cm.csv.gz, read in place) laid out as the
// NHI's workbook, imported, and DX rebuilt from it: every published name arrives exactly, and the
// leaf rule gives the NHI's reportable codes.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "catalogue/csv_reader.h"
#include "diagnosis/icd10_cm_import.h"
#include "diagnosis/icd10_to_dx.h"
#include "diagnosis_fixture.h"
#include "platform/file_ops.h"
#include "platform/gzip_data.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "support/xls_writer.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

constexpr size_t kSheetRows = 60000;

struct Published {
  std::string english;
  std::string chinese;
  bool reportable = false;
};

std::map<std::string, Published> ReadPublication(const fs::path& file) {
  std::string csv = Gunzip(file.string(), ReadWholeFile(file));
  CsvReader reader(file.string(), csv);
  std::map<std::string, Published> codes;
  std::vector<std::string> fields;
  reader.NextRecord(fields);  // header: code, billable, name_en, name_zh
  while (reader.NextRecord(fields)) codes[fields[0]] = {fields[2], fields[3], fields[1] == "1"};
  return codes;
}

TEST(ReferencePublication, NhiIcd10CmImportedExactlyAndLeafCodesAreTheReportableOnes) {
  fs::path shared = testing::ExternalDir().parent_path();
  fs::path file = shared / "reference-data" / "icd10cm.csv.gz";
  if (testing::ExternalDir().empty() || !fs::exists(file)) {
    GTEST_SKIP() << "shared/reference-data is not beside this checkout";
  }
  std::map<std::string, Published> published = ReadPublication(file);
  ASSERT_EQ(published.size(), 96802u);

  std::vector<testing::XlsSheet> sheets;
  for (const auto& [code, names] : published) {
    if (sheets.empty() || sheets.back().rows.size() + 2 > kSheetRows) {
      sheets.push_back({"ICD-10-CM " + std::to_string(sheets.size() + 1), {{"代碼", "名稱"}}});
    }
    // The workbook writes codes with their dot after the third character.
    std::string cell = code.size() > 3 ? code.substr(0, 3) + "." + code.substr(3) : code;
    sheets.back().rows.push_back({cell, names.english});
    sheets.back().rows.push_back({"", names.chinese});
  }
  TempDir folder;
  testing::WriteXlsWorkbook(folder / "icd10cm.xls", sheets);
  Database database = testing::CreateDiagnosisDatabase(folder / "ICD10CM.MDB");
  RunFlags flags;
  RecordingStepContext context(flags);

  WorkbookImported imported = ImportIcd10CmWorkbook(database, folder / "icd10cm.xls", context);
  ASSERT_EQ(imported.result, StepResult::kDone) << ::testing::PrintToString(context.MessageTexts());
  EXPECT_EQ(imported.rows, 96802);
  size_t differing = 0;
  RecordSet icd10 = database.Query("select * from ICD10");
  for (icd10.First(); !icd10.Eof(); icd10.Next()) {
    const Published& names = published.at(icd10.TextUtf8("ICDcode"));
    if (icd10.TextUtf8("Ename") != names.english || icd10.TextUtf8("Cname") != names.chinese) {
      ADD_FAILURE_AT(__FILE__, __LINE__) << icd10.TextUtf8("ICDcode") << " differs";
      if (++differing == 5) break;
    }
  }
  EXPECT_EQ(testing::FieldOf(database, "ICD10", "ICDcode", "G7241", "Cname"), "内含体肌病變[IBM]")
      << "a character Big5 lacks is kept";

  EXPECT_EQ(FillDxFromIcd10(database, 46000, context), 73680);
  std::set<std::string> reportable;
  for (const auto& [code, names] : published) {
    if (names.reportable) reportable.insert(code);
  }
  // The one reportable code that is no leaf: Taiwan's I600000..I600005 (stroke scale) extend
  // I6000, so the leaf rule leaves I6000 out of DX.
  reportable.erase("I6000");
  std::vector<std::string> dx = testing::ColumnValues(database, "DX", "ICD10", "ICD10");
  EXPECT_EQ(std::set<std::string>(dx.begin(), dx.end()), reportable);
}

}  // namespace
}  // namespace zuvo
