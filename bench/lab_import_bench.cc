// The Vision lab import on a converted clinic: a generated clinic of P patients with five
// visits each is converted by the one-shot run, given a CO18H.DBF of four result rows on the day
// of every visit, and the import is measured: a table row per size, in microseconds per replaced
// entry. The conversion and the import run in child processes, so that neither counts in the
// other's peak.
// Usage: lab_import_bench [--patients P ...] [--dir FOLDER] [--keep]   (default 5000 20000)

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/pipeline_run.h"
#include "app/program_folder.h"
#include "app/vision_pipeline.h"
#include "app/work_tree_selection.h"
#include "app/workplace_setup.h"
#include "bench_sizes.h"
#include "bench_table.h"
#include "core/run_flags.h"
#include "demo/demo_clinic.h"
#include "demo/vision_catalogue_tables.h"
#include "demo/vision_lab_tables.h"
#include "demo/vision_patient_tables.h"
#include "demo/vision_visit_tables.h"
#include "platform/file_ops.h"
#include "postprocess/screening.h"
#include "postprocess/vision_lab_import.h"
#include "support/recording_step_context.h"
#include "workspace/vision_selection.h"

namespace fs = std::filesystem;

namespace {

using namespace zuvo::bench;

constexpr uint32_t kSeed = 20261209;
constexpr int kVisitsPerPatient = 5;
constexpr int kLabRowsPerVisit = 4;
const zuvo::DateTime kRunDate = *zuvo::EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});

struct BenchClinic {
  fs::path root, home, source, fields_file;
};

// Generates and converts the clinic; the work tree's path goes to fields_file.
void GenerateAndConvert(const BenchClinic& clinic, int patients) {
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
  labs.rows_per_visit = kLabRowsPerVisit;
  const long written = zuvo::demo::WriteVisionLabTable(clinic.source, labs);

  zuvo::RunFlags flags;
  zuvo::RecordingStepContext context(flags);
  context.AnswerNextFolder(clinic.source);
  zuvo::RunFields fields;
  fields.chart.split_date = "0800101";
  const zuvo::Workplace place = zuvo::CurrentWorkplace(clinic.home, [] { return kRunDate; });
  zuvo::SelectVisionFolder(fields.folder, place, context);
  const zuvo::RunOutcome outcome = zuvo::RunOneShot(zuvo::VisionPipeline(), fields, place, context);
  std::printf("  clinic of %d patients, %d visits, %ld lab rows; converted (%s)\n", patients,
              counts.visits, written, outcome.completed ? "completed" : "NOT completed");
  if (!outcome.completed) std::exit(1);
  zuvo::WriteFileAtomically(clinic.fields_file, fields.folder.work_tree.string());
}

void Import(const BenchClinic& clinic, int patients) {
  zuvo::RunFields fields =
      zuvo::ReadWorkTree(zuvo::VisionPipeline(), clinic.home,
                         fs::path(zuvo::ReadWholeFile(clinic.fields_file)), clinic.source);
  zuvo::RunFlags flags;
  zuvo::RecordingStepContext context(flags);
  const zuvo::Workplace place = zuvo::CurrentWorkplace(clinic.home, [] { return kRunDate; });
  StepMeter meter({clinic.root});
  zuvo::VisionLabInput outcome{fields.folder};
  const zuvo::StepResult result = zuvo::ImportVisionLabValues(outcome, place, context);
  const StepFigures figures = meter.Stop();
  PrintStepRow({"lab_import", "labs", std::to_string(patients) + " patients",
                outcome.visits_replaced, "replacement"},
               figures, clinic.root / "plain.out");
  std::printf("  %ld lab rows, %ld entries replaced (%ld failed), %s\n", outcome.rows,
              outcome.visits_replaced, outcome.replace_failures,
              result == zuvo::StepResult::kDone ? "done" : "NOT done");
  if (result != zuvo::StepResult::kDone) std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "lab_import_bench", {5000, 20000});
  PrintTableHeading();
  const auto clinic = [](const fs::path& root) {
    return BenchClinic{root, root / "home", root / "VISW", root / "work-tree.txt"};
  };
  const int failures = RunEachSize(
      arguments,
      [&](const fs::path& root, int patients) { GenerateAndConvert(clinic(root), patients); },
      [&](const fs::path& root, int patients) { Import(clinic(root), patients); });
  return failures == 0 ? 0 : 1;
}
