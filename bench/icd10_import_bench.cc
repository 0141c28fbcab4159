// ICD-10 import benchmark: writes an ICD-10-CM workbook of the NHI layout with N codes (two rows
// per code, heading rows, sheets of at most 60,000 rows) in one child process, imports it into
// ICD10 of a fresh diagnosis database in another, then rebuilds DX from ICD10 (leaf codes only):
// a table row for each and size, in microseconds per code.
//   icd10_import_bench [--codes N ...] [--dir FOLDER] [--keep]   (default 100000)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_sizes.h"
#include "bench_table.h"
#include "child_process.h"
#include "diagnosis/icd10_cm_import.h"
#include "diagnosis/icd10_to_dx.h"
#include "platform/embedded_resources.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"
#include "support/xls_writer.h"

namespace {

using namespace zuvo;
using namespace zuvo::bench;

constexpr size_t kSheetRows = 60000;
constexpr int kChildrenPerCategory = 39;  // each three-character category has 39 leaves

// Code number i: category "A00".."Z99" (itself not a leaf), then its children "A00.00".."A00.38".
std::string CodeCell(long i) {
  long category = i / (kChildrenPerCategory + 1);
  long child = i % (kChildrenPerCategory + 1);
  char text[16];
  std::snprintf(text, sizeof text, "%c%02ld", static_cast<char>('A' + category / 100 % 26),
                category % 100);
  std::string code = text;
  if (child > 0) {
    std::snprintf(text, sizeof text, ".%02ld", child - 1);
    code += text;
  }
  return code;
}

std::vector<testing::XlsSheet> Workbook(long codes) {
  std::vector<testing::XlsSheet> sheets;
  for (long i = 0; i < codes; ++i) {
    if (sheets.empty() || sheets.back().rows.size() + 2 > kSheetRows) {
      sheets.push_back({"第" + std::to_string(sheets.size() + 1) + "冊", {}});
      sheets.back().rows.push_back({"2023年中文版ICD-10-CM", ""});
      sheets.back().rows.push_back({"代碼", "名稱"});
    }
    std::string code = CodeCell(i);
    sheets.back().rows.push_back(
        {code, "Disease of the benchmark number " + std::to_string(i) + ", unspecified"});
    std::string chinese = "基準疾病第" + std::to_string(i) + "號,未明示";
    if (i % 10 == 0) chinese += "   (本碼不得為主診斷)";
    sheets.back().rows.push_back({"", chinese});
  }
  return sheets;
}

std::string_view Schema() {
  for (const EmbeddedResource& resource : EmbeddedResources()) {
    if (resource.name == ":schema/ICD10CM.sql") return resource.bytes;
  }
  std::fprintf(stderr, "the diagnosis schema is not compiled in\n");
  std::exit(1);
}

void Run(const std::filesystem::path& dir, int codes) {
  const std::filesystem::path workbook = dir / "icd10cm.xls";
  const std::filesystem::path database_file = dir / "ICD10CM.MDB";
  const std::string size = std::to_string(codes) + " codes";
  const auto row = [&](const char* step, const StepFigures& figures) {
    PrintStepRow({"icd10_import", step, size, codes, "code"}, figures, dir / "plain.out");
  };
  // The workbook is written by a child process, so that the memory the writer held is not
  // counted against the import.
  if (!InChildProcess([&] {
        StepMeter meter({dir});
        testing::WriteXlsWorkbook(workbook, Workbook(codes));
        row("write workbook", meter.Stop());
      })) {
    throw std::runtime_error("the workbook was not written");
  }

  RunFlags flags;
  RecordingStepContext context(flags);
  {
    Database database = Database::Create(database_file);
    database.ExecuteScript(Schema());
  }
  {
    StepMeter meter({dir});
    Database database = Database::Open(database_file);
    WorkbookImported imported = ImportIcd10CmWorkbook(database, workbook, context);
    if (imported.result != StepResult::kDone || imported.rows != codes) {
      throw std::runtime_error("import: " + std::to_string(imported.rows) + " rows of " +
                               std::to_string(codes));
    }
    row("workbook -> ICD10", meter.Stop());
  }
  StepMeter meter({dir});
  long leaves = 0;
  {
    Database database = Database::Open(database_file);
    leaves = FillDxFromIcd10(database, 46000, context);
  }
  row("ICD10 -> DX", meter.Stop());
  std::printf("  %ld leaf codes in DX\n", leaves);
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "icd10_import_bench", {100000}, "codes");
  PrintTableHeading();
  return RunEachSize(
             arguments, [](const std::filesystem::path&, int) {}, Run) == 0
             ? 0
             : 1;
}
