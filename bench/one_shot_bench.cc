// The whole one-shot conversion of one system on generated clinics of N patients with ten visits
// each (about four order lines per visit): seconds and visits/s per step and in total, and the
// ratio of the total to a plain sequential read of the source folder plus a plain write of the
// output bytes. Peak memory (resident set high-water mark) per step and for the whole run: each
// clinic is generated in one child process and converted in another, so that neither the
// generation nor another clinic's run counts.
// Usage: one_shot_bench vision|realsun [PATIENTS...]   (default 5000 20000 50000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/pipeline_run.h"
#include "app/program_folder.h"
#include "app/realsun_pipeline.h"
#include "app/vision_pipeline.h"
#include "app/workplace_setup.h"
#include "bench_timing.h"
#include "child_process.h"
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

uintmax_t FolderBytes(const fs::path& folder) {
  uintmax_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) bytes += entry.file_size();
  }
  return bytes;
}

// Reads every file of `folder` once, sequentially.
void ReadFolder(const fs::path& folder) {
  std::vector<char> buffer(1 << 20);
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    }
  }
}

void WriteBytes(const fs::path& file, uintmax_t bytes) {
  std::vector<char> buffer(1 << 20, 'x');
  std::ofstream out(file, std::ios::binary);
  for (uintmax_t done = 0; done < bytes; done += buffer.size()) {
    out.write(buffer.data(),
              static_cast<std::streamsize>(std::min<uintmax_t>(buffer.size(), bytes - done)));
  }
}

struct BenchClinic {
  fs::path root, home, source;
  BenchClinic(std::string_view system, int patients)
      : root(fs::temp_directory_path() /
             ("zuvo-one-shot-bench-" + std::string(system) + "-" + std::to_string(patients))),
        home(root / "home"),
        source(root / "source") {}
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
  fs::remove_all(clinic.root);
  zuvo::InstallDeliveredFiles(clinic.home);
  fs::create_directories(clinic.source);
  system.generate(clinic.source, patients);
}

void Convert(const SystemBench& system, const BenchClinic& clinic, int patients) {
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

  struct Mark {
    std::string_view step;
    Clock::time_point at;
    long peak_kb;
  };
  std::vector<Mark> marks;
  TakePeakKilobytes();
  Clock::time_point started = Clock::now();
  zuvo::RunOutcome outcome = zuvo::RunOneShot(
      system.pipeline, fields, place, context, [&](const zuvo::PipelineStep& step) {
        marks.push_back({step.word, Clock::now(), TakePeakKilobytes()});
      });
  Clock::time_point finished = Clock::now();
  double total = Seconds(started, finished);

  std::printf("  run %s\n", outcome.completed ? "completed" : "NOT completed");
  Clock::time_point previous = started;
  long run_peak = 0;
  for (const Mark& mark : marks) {
    double seconds = Seconds(previous, mark.at);
    std::printf("  %-10.*s %8.2f s  %10.0f visits/s  peak %7.1f MB\n",
                static_cast<int>(mark.step.size()), mark.step.data(), seconds, visits / seconds,
                mark.peak_kb / 1024.0);
    run_peak = std::max(run_peak, mark.peak_kb);
    previous = mark.at;
  }
  std::printf("  %-10s %8.2f s  %10.0f visits/s  peak %7.1f MB\n", "total", total, visits / total,
              run_peak / 1024.0);

  const zuvo::StoreVerifyReport verified = zuvo::VerifyStore(
      zuvo::WorkTreeStoreLocation(fields.folder.work_tree, fields.folder.clinic_id));
  std::printf("  store: %zu patients, %zu visits, %s\n", verified.patients, verified.entries,
              verified.clean() ? "verifies clean" : "VERIFY FINDINGS");

  uintmax_t output_bytes = FolderBytes(fields.folder.work_tree);
  Clock::time_point plain_start = Clock::now();
  ReadFolder(clinic.source);
  WriteBytes(clinic.root / "plain.out", output_bytes);
  double plain = Seconds(plain_start, Clock::now());
  std::printf("  plain read of the source (%.1f MB) + write of %.1f MB: %.2f s; ratio %.1f\n",
              FolderBytes(clinic.source) / 1e6, output_bytes / 1e6, plain, total / plain);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view system_word = argc > 1 ? argv[1] : "";
  if (system_word != "vision" && system_word != "realsun") {
    std::fprintf(stderr, "usage: one_shot_bench vision|realsun [PATIENTS...]\n");
    return 2;
  }
  const SystemBench system = BenchOf(system_word);
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {5000, 20000, 50000};
  int failures = 0;
  for (int patients : sizes) {
    BenchClinic clinic(system_word, patients);
    if (!InChildProcess([&] { Generate(system, clinic, patients); }) ||
        !InChildProcess([&] { Convert(system, clinic, patients); })) {
      std::printf("  failed\n");
      ++failures;
    }
    fs::remove_all(clinic.root);
  }
  return failures == 0 ? 0 : 1;
}
