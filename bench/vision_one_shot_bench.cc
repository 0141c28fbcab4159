// The whole one-shot Vision conversion on generated clinics of N patients with about ten visits
// each (about four order lines per visit): seconds and visits/s per step and in total, and the
// ratio of the total to a plain sequential read of the source folder plus a plain write of the
// output bytes. Peak memory: run under /usr/bin/time -v.
// Usage: vision_one_shot_bench [PATIENTS...]   (default 5000 20000 50000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/program_folder.h"
#include "app/recording_step_context.h"
#include "app/run_flags.h"
#include "app/vision_one_shot.h"
#include "app/workplace_setup.h"
#include "demo/demo_clinic.h"
#include "demo/vision_catalogue_tables.h"
#include "demo/vision_patient_tables.h"
#include "demo/vision_visit_tables.h"
#include "workspace/vision_selection.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

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

void RunClinic(int patients) {
  fs::path root = fs::temp_directory_path() / ("zuvo-one-shot-bench-" + std::to_string(patients));
  fs::remove_all(root);
  fs::path home = root / "home";
  fs::path source = root / "VISW";
  zuvo::InstallDeliveredFiles(home);
  const uint32_t seed = 20261209;
  fs::create_directories(source);
  zuvo::demo::WriteVisionParameterTable(source, zuvo::demo::VisionDemoClinic(seed));
  zuvo::demo::WriteVisionCatalogueTables(source, seed);
  zuvo::demo::WriteVisionPatientTable(source, seed, patients);
  zuvo::demo::VisitTableOptions visits;
  visits.first_patient = zuvo::demo::kFirstGeneratedChartNumber;
  visits.patients = patients;
  visits.visits_per_patient = 10;
  visits.scale = true;
  zuvo::demo::VisitTableCounts counts = zuvo::demo::WriteVisionVisitTables(source, seed, visits);

  zuvo::RunFlags flags;
  zuvo::RecordingStepContext context(flags);
  context.AnswerNextFolder(source);
  zuvo::VisionRunFields fields;
  fields.split_date = "0800101";  // every generated visit lies after it
  zuvo::SelectVisionFolder(fields.folder, zuvo::CurrentWorkplace(home), context);

  std::vector<std::pair<zuvo::VisionStepId, Clock::time_point>> marks;
  Clock::time_point started = Clock::now();
  zuvo::VisionRunOutcome outcome =
      zuvo::CVISWallClick(fields, zuvo::VisionPipelineSteps(home), context, zuvo::Now,
                          [&](zuvo::VisionStepId id) { marks.emplace_back(id, Clock::now()); });
  Clock::time_point finished = Clock::now();
  double total = Seconds(started, finished);

  static const char* kNames[] = {"catalogue", "patients", "prepass", "charts", "screening"};
  std::printf("clinic of %d patients, %d visits, %d order lines: %s\n", patients, counts.visits,
              counts.orders, outcome.completed ? "completed" : "NOT completed");
  Clock::time_point previous = started;
  for (const auto& [id, at] : marks) {
    double seconds = Seconds(previous, at);
    std::printf("  %-10s %8.2f s  %10.0f visits/s\n", kNames[static_cast<int>(id)], seconds,
                counts.visits / seconds);
    previous = at;
  }
  std::printf("  %-10s %8.2f s  %10.0f visits/s\n", "total", total, counts.visits / total);

  uintmax_t output_bytes = FolderBytes(fields.folder.work_tree);
  Clock::time_point plain_start = Clock::now();
  ReadFolder(source);
  WriteBytes(root / "plain.out", output_bytes);
  double plain = Seconds(plain_start, Clock::now());
  std::printf("  plain read of the source (%.1f MB) + write of %.1f MB: %.2f s; ratio %.1f\n",
              FolderBytes(source) / 1e6, output_bytes / 1e6, plain, total / plain);
  std::fflush(stdout);
  fs::remove_all(root);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {5000, 20000, 50000};
  for (int patients : sizes) RunClinic(patients);
  return 0;
}
