// ICD-10 import benchmark: writes an ICD-10-CM workbook of the NHI layout with N codes (two rows
// per code, heading rows, sheets of at most 60,000 rows), imports it into ICD10 of a fresh
// diagnosis database, then rebuilds DX from ICD10 (leaf codes only). Reports wall-clock and
// processor seconds and the peak resident memory of each phase.
//   icd10_import_bench [--codes N] [--dir FOLDER] [--keep]
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_timing.h"
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

void Report(const char* phase, Clock::time_point start, double cpu_start, long extra,
            const char* extra_caption) {
  std::printf("%-28s %8.2f s wall %8.2f s cpu %6ld MB peak  %ld %s\n", phase, Seconds(start),
              CpuSeconds() - cpu_start, TakePeakKilobytes() / 1024, extra, extra_caption);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  long codes = 100000;
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "zuvo-icd10-bench";
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--codes") == 0 && i + 1 < argc) {
      codes = std::atol(argv[++i]);
    } else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      dir = argv[++i];
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      keep = true;
    } else {
      std::fprintf(stderr, "usage: icd10_import_bench [--codes N] [--dir FOLDER] [--keep]\n");
      return 64;
    }
  }
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::filesystem::path workbook = dir / "icd10cm.xls";
  const std::filesystem::path database_file = dir / "ICD10CM.MDB";
  TakePeakKilobytes();

  // The workbook is written by a child process, so that the memory the writer held is not
  // counted against the import.
  auto start = Clock::now();
  pid_t writer = fork();
  if (writer == 0) {
    double cpu = CpuSeconds();
    testing::WriteXlsWorkbook(workbook, Workbook(codes));
    Report("write workbook (test writer)", start, cpu,
           static_cast<long>(std::filesystem::file_size(workbook) / (1024 * 1024)), "MB file");
    std::_Exit(0);
  }
  int status = 0;
  if (writer < 0 || waitpid(writer, &status, 0) != writer || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the workbook was not written\n");
    return 1;
  }
  TakePeakKilobytes();
  double cpu = 0;

  RunFlags flags;
  RecordingStepContext context(flags);
  {
    Database database = Database::Create(database_file);
    database.ExecuteScript(Schema());
  }
  start = Clock::now();
  cpu = CpuSeconds();
  {
    Database database = Database::Open(database_file);
    WorkbookImported imported = ImportIcd10CmWorkbook(database, workbook, context);
    if (imported.result != StepResult::kDone || imported.rows != codes) {
      std::fprintf(stderr, "import: %ld rows of %ld\n", imported.rows, codes);
      return 1;
    }
  }
  Report("ICD-10-CM workbook -> ICD10", start, cpu, codes, "rows");

  start = Clock::now();
  cpu = CpuSeconds();
  long leaves = 0;
  {
    Database database = Database::Open(database_file);
    leaves = FillDxFromIcd10(database, 46000, context);
  }
  Report("ICD10 -> DX (leaf codes)", start, cpu, leaves, "rows");
  if (!keep) std::filesystem::remove_all(dir);
  return 0;
}
