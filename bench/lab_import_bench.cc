// The Vision lab import on a converted clinic: a generated clinic of P patients with five
// visits each is converted by the one-shot run, then given a CO18H.DBF of R result rows (R /
// visits rows on the day of every visit), and the import is timed: seconds, processor seconds,
// rows/s, peak memory of the import alone, and the growth of the chart files in bytes. The
// conversion and the import run in child processes, so that neither counts in the other's peak.
// Usage: lab_import_bench [--patients P] [ROWS...]   (default 20000 patients; 100000 400000 rows)

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/pipeline_run.h"
#include "app/program_folder.h"
#include "app/vision_pipeline.h"
#include "app/work_tree_selection.h"
#include "app/workplace_setup.h"
#include "bench_timing.h"
#include "child_process.h"
#include "core/chart_store.h"
#include "core/run_flags.h"
#include "demo/demo_clinic.h"
#include "demo/vision_catalogue_tables.h"
#include "demo/vision_lab_tables.h"
#include "demo/vision_patient_tables.h"
#include "demo/vision_visit_tables.h"
#include "platform/file_ops.h"
#include "postprocess/lab_import.h"
#include "postprocess/screening.h"
#include "support/recording_step_context.h"
#include "workspace/vision_selection.h"

namespace fs = std::filesystem;

namespace {

using namespace zuvo::bench;

constexpr uint32_t kSeed = 20261209;
constexpr int kVisitsPerPatient = 5;
const zuvo::DateTime kRunDate = *zuvo::EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});

struct BenchClinic {
  fs::path root, home, source, fields_file;
};

uintmax_t ChartBytes(const zuvo::StoreLocation& store) {
  uintmax_t bytes = 0;
  for (const auto& [code, path] : zuvo::ListChartFiles(store)) bytes += fs::file_size(path);
  return bytes;
}

// Generates and converts the clinic; the work tree's path goes to fields_file.
void GenerateAndConvert(const BenchClinic& clinic, int patients, long rows) {
  fs::remove_all(clinic.root);
  zuvo::InstallDeliveredFiles(clinic.home);
  fs::create_directories(clinic.source);
  zuvo::demo::WriteVisionParameterTable(clinic.source, zuvo::demo::VisionDemoClinic(kSeed));
  zuvo::demo::WriteVisionCatalogueTables(clinic.source, kSeed);
  zuvo::demo::WriteVisionPatientTable(clinic.source, kSeed, patients);
  zuvo::demo::VisitTableOptions visits;
  visits.first_patient = zuvo::demo::kFirstGeneratedChartNumber;
  visits.patients = patients;
  visits.visits_per_patient = kVisitsPerPatient;
  visits.scale = true;
  const zuvo::demo::VisitTableCounts counts =
      zuvo::demo::WriteVisionVisitTables(clinic.source, kSeed, visits);
  zuvo::demo::LabTableOptions labs;
  labs.scale = true;
  labs.rows_per_visit = static_cast<int>(rows / counts.visits);
  const long written = zuvo::demo::WriteVisionLabTable(clinic.source, labs);

  zuvo::RunFlags flags;
  zuvo::RecordingStepContext context(flags);
  context.AnswerNextFolder(clinic.source);
  zuvo::RunFields fields;
  fields.chart.split_date = "0800101";
  const zuvo::Workplace place = zuvo::CurrentWorkplace(clinic.home, [] { return kRunDate; });
  zuvo::SelectVisionFolder(fields.folder, place, context);
  const Clock::time_point started = Clock::now();
  const zuvo::RunOutcome outcome = zuvo::RunOneShot(zuvo::VisionPipeline(), fields, place, context);
  std::printf("clinic of %d patients, %d visits, %ld lab rows; converted in %.1f s (%s)\n",
              patients, counts.visits, written, Seconds(started),
              outcome.completed ? "completed" : "NOT completed");
  if (!outcome.completed) std::exit(1);
  zuvo::WriteFileAtomically(clinic.fields_file, fields.folder.work_tree.string());
}

void Import(const BenchClinic& clinic) {
  zuvo::RunFields fields =
      zuvo::ReadWorkTree(zuvo::VisionPipeline(), clinic.home,
                         fs::path(zuvo::ReadWholeFile(clinic.fields_file)), clinic.source);
  const zuvo::StoreLocation store =
      zuvo::WorkTreeStore(fields.folder.work_tree, fields.folder.clinic_id);
  const uintmax_t before = ChartBytes(store);
  zuvo::RunFlags flags;
  zuvo::RecordingStepContext context(flags);
  const zuvo::Workplace place = zuvo::CurrentWorkplace(clinic.home, [] { return kRunDate; });
  TakePeakKilobytes();
  const double cpu_before = CpuSeconds();
  const Clock::time_point started = Clock::now();
  const zuvo::LabImportOutcome outcome = zuvo::ImportVisionLabValues(fields.folder, place, context);
  const double seconds = Seconds(started);
  const double cpu = CpuSeconds() - cpu_before;
  const long peak_kb = TakePeakKilobytes();
  const uintmax_t after = ChartBytes(store);
  std::printf("  lab import: %ld rows, %ld entries replaced (%ld failed), %s\n", outcome.rows,
              outcome.visits_replaced, outcome.replace_failures,
              outcome.result == zuvo::StepResult::kDone ? "done" : "NOT done");
  std::printf(
      "  %.2f s, %.2f s processor, %.0f rows/s, peak %.1f MB, chart files +%ju bytes "
      "(%.0f bytes per replaced entry)\n",
      seconds, cpu, outcome.rows / seconds, peak_kb / 1024.0, after - before,
      outcome.visits_replaced ? double(after - before) / outcome.visits_replaced : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  int patients = 20000;
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--patients") == 0 && i + 1 < argc) {
      patients = std::atoi(argv[++i]);
    } else {
      sizes.push_back(std::atol(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {100000, 400000};
  int failures = 0;
  for (long rows : sizes) {
    const fs::path root = fs::temp_directory_path() / ("zuvo-lab-bench-" + std::to_string(rows));
    BenchClinic clinic{root, root / "home", root / "VISW", root / "work-tree.txt"};
    if (!InChildProcess([&] { GenerateAndConvert(clinic, patients, rows); }) ||
        !InChildProcess([&] { Import(clinic); })) {
      std::printf("  failed\n");
      ++failures;
    }
    fs::remove_all(clinic.root);
  }
  return failures == 0 ? 0 : 1;
}
