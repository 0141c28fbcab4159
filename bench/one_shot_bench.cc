// The whole one-shot conversion of one system on generated clinics of N patients with ten visits
// each (about four order lines per visit): a table row per step and one for the whole run
// (processor seconds, microseconds per visit, peak memory, the files read and bytes written,
// and the ratio to a plain read and write of those). Each clinic is generated in one child
// process and converted in another, so that neither the generation nor another clinic's run
// counts.
// Usage: one_shot_bench vision|realsun [--patients N ...] [--dir FOLDER] [--keep]
//   (default 5000 20000 50000 patients)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/pipeline_run.h"
#include "app/program_folder.h"
#include "app/realsun_pipeline.h"
#include "app/vision_pipeline.h"
#include "app/workplace_setup.h"
#include "bench_sizes.h"
#include "bench_table.h"
#include "core/roc_date.h"
#include "core/run_flags.h"
#include "core/store_verify.h"
#include "demo/demo_clinic.h"
#include "demo/realsun_catalogue_tables.h"
#include "demo/realsun_claim_archives.h"
#include "demo/realsun_patient_tables.h"
#include "demo/realsun_visit_tables.h"
#include "demo/vision_catalogue_tables.h"
#include "demo/vision_patient_tables.h"
#include "demo/vision_visit_tables.h"
#include "platform/big5.h"
#include "support/recording_step_context.h"
#include "workspace/folder_layout.h"

namespace fs = std::filesystem;

namespace {

using namespace zuvo::bench;

struct BenchClinic {
  fs::path root, home, source;
  explicit BenchClinic(const fs::path& at)
      : root(at), home(root / "home"), source(root / "source") {}
};

constexpr uint32_t kSeed = 20261209;

void GenerateVision(const fs::path& source, int patients) {
  zuvo::demo::WriteVisionParameterTable(source, zuvo::demo::VisionDemoClinic(kSeed));
  zuvo::demo::WriteVisionCatalogueTables(source, kSeed);
  zuvo::demo::WriteVisionPatientTable(source, kSeed, patients);
  zuvo::demo::VisitTableOptions options;
  options.first_patient = zuvo::demo::kFirstGeneratedChartNumber;
  options.patients = patients;
  options.visits_per_patient = 10;
  options.scale = true;
  zuvo::demo::VisitTableCounts counts = zuvo::demo::WriteVisionVisitTables(source, kSeed, options);
  std::printf("Vision clinic of %d patients, %d visits, %d order lines\n", patients, counts.visits,
              counts.orders);
}

void GenerateRealSun(const fs::path& source, int patients) {
  zuvo::demo::WriteRealSunTitleTable(source, zuvo::demo::RealSunDemoClinic(kSeed));
  zuvo::demo::WriteRealSunCatalogueTables(source, kSeed);
  zuvo::demo::WriteRealSunPatientTable(source, kSeed, patients);
  zuvo::demo::RealSunVisitTableOptions options;
  options.scale_visits = patients * 10;
  zuvo::demo::RealSunVisitTableCounts counts =
      zuvo::demo::WriteRealSunVisitTables(source, kSeed, options);
  // 24 monthly claim archives within the generated visits' years.
  zuvo::demo::DemoClaimArchives archives =
      zuvo::demo::WriteRealSunClaimArchives(source, kSeed, {"10812", "11011"});
  std::printf(
      "RealSun clinic of %d patients, %d visits, %d claim rows, %d card uploads, %d claim "
      "archives with %zu claims\n",
      patients, counts.visits, counts.claim_rows, counts.upload_rows, archives.archives,
      archives.claims.size());
}

// What a system's run needs beyond its table: the source folder's tables, and the fields the
// operator types before the run.
struct SystemBench {
  const zuvo::Pipeline& pipeline;
  void (*generate)(const fs::path& source, int patients);
  void (*settle)(zuvo::RunFields& fields);
};

SystemBench BenchOf(std::string_view system) {
  if (system == "realsun") {
    return {zuvo::RealSunPipeline(), GenerateRealSun, [](zuvo::RunFields& fields) {
              // Every visit up to the run (mode before); the settings a new data.ini lacks.
              fields.chart.split_date.clear();
              fields.folder.start_date = zuvo::demo::kRealSunDemoOpeningDate;
              fields.folder.pharmacist_name =
                  zuvo::big5::FromUtf8(zuvo::demo::kRealSunDemoPharmacistNameUtf8);
              fields.folder.pharmacist_id = zuvo::demo::kRealSunDemoPharmacistId;
            }};
  }
  return {zuvo::VisionPipeline(), GenerateVision, [](zuvo::RunFields& fields) {
            fields.chart.split_date = "0800101";  // every generated visit lies after it
          }};
}

void Generate(const SystemBench& system, const BenchClinic& clinic, int patients) {
  zuvo::InstallDeliveredFiles(clinic.home);
  fs::create_directories(clinic.source);
  system.generate(clinic.source, patients);
}

void Convert(const SystemBench& system, const BenchClinic& clinic, std::string_view system_word,
             int patients) {
  const int visits = patients * 10;
  zuvo::RunFlags flags;
  zuvo::RecordingStepContext context(flags);
  context.AnswerNextFolder(clinic.source);
  zuvo::RunFields fields;
  system.pipeline.select(fields, zuvo::CurrentWorkplace(clinic.home), context);
  system.settle(fields);
  // The run is dated the day after the generated visits end, so that screening always walks
  // their last two years.
  const zuvo::DateTime run_date = *zuvo::EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});
  const zuvo::Workplace place =
      zuvo::CurrentWorkplace(clinic.home, [run_date] { return run_date; });

  // A meter per step, started again as each step ends; the rows are printed between steps.
  const std::vector<fs::path> watched{clinic.root};
  const fs::path scratch = clinic.root / "plain.out";
  const std::string bench = "one_shot " + std::string(system_word);
  const std::string size = std::to_string(patients) + " patients";
  const FileSizes at_start = FilesUnder(watched);
  std::vector<StepFigures> steps;
  auto meter = std::make_unique<StepMeter>(watched);
  zuvo::RunOutcome outcome = zuvo::RunOneShot(
      system.pipeline, fields, place, context, [&](const zuvo::PipelineStep& step) {
        steps.push_back(meter->Stop());
        PrintStepRow({bench, std::string(step.word), size, visits, "visit"}, steps.back(), scratch);
        meter = std::make_unique<StepMeter>(watched);
      });
  steps.push_back(meter->Stop());  // the run's end: its report and completion
  PrintStepRow({bench, "whole run", size, visits, "visit"}, InSequence(steps, at_start), scratch);

  const zuvo::StoreVerifyReport verified = zuvo::VerifyStore(
      zuvo::WorkTreeStoreLocation(fields.folder.work_tree, fields.folder.clinic_id));
  std::printf("  run %s; store: %zu patients, %zu visits, %s\n",
              outcome.completed ? "completed" : "NOT completed", verified.patients,
              verified.entries, verified.clean() ? "verifies clean" : "VERIFY FINDINGS");
  if (!outcome.completed || !verified.clean()) std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view system_word = argc > 1 ? argv[1] : "";
  if (system_word != "vision" && system_word != "realsun") {
    std::fprintf(
        stderr,
        "usage: one_shot_bench vision|realsun [--patients N ...] [--dir FOLDER] [--keep]\n");
    return 64;
  }
  const SystemBench system = BenchOf(system_word);
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "one_shot_bench", {5000, 20000, 50000}, "patients", 2);
  PrintTableHeading();
  const int failures = RunEachSize(
      arguments,
      [&](const fs::path& root, int patients) { Generate(system, BenchClinic(root), patients); },
      [&](const fs::path& root, int patients) {
        Convert(system, BenchClinic(root), system_word, patients);
      },
      std::string(system_word) + "-");
  return failures == 0 ? 0 : 1;
}
