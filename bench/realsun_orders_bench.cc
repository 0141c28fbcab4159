// RealSun catalogue step benchmark: the clinic and orders step on a generated RealSun clinic
// with N records in Z/DRUG.DBF, N/20 diagnoses in Z/SICK.DBF and N/4 combination orders in
// Z/TREAT.DBF, for each N given (default 5000 and 20000). Each size runs in a child process of
// its own, so that its peak resident memory is its own; the delivered files are installed once
// beforehand. Per size: seconds of the step, drug records per second, peak memory.
//   realsun_orders_bench [N ...]
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/program_folder.h"
#include "bench_timing.h"
#include "catalogue/realsun_orders_step.h"
#include "demo/demo_clinic.h"
#include "demo/realsun_catalogue_tables.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "support/recording_step_context.h"
#include "workspace/folder_layout.h"

namespace {

using namespace zuvo::bench;
using namespace zuvo;
namespace fs = std::filesystem;

// Generates the clinic and runs the step; prints one line.
void RunStep(const fs::path& root, const fs::path& program, int drugs) {
  TakePeakKilobytes();  // from here on: what the fork shares with its parent is not counted
  fs::path source = root / ("source" + std::to_string(drugs));
  demo::DemoClinic clinic = demo::WriteRealSunDemoSource(source, 11);
  demo::WriteRealSunCatalogueTables(source, 11, {drugs, drugs / 20, drugs / 4});
  fs::path work_tree =
      ClinicFolder(program, kRealSunArea, clinic.code) / ("1151201_" + std::to_string(drugs));
  CreateWorkTree(work_tree);
  RealSunOrdersInput input;
  input.folder.his = big5::FromUtf8("耀聖");
  input.folder.source_folder = source;
  input.folder.clinic_id = clinic.code;
  input.folder.work_tree = work_tree;
  input.chart.split_date = "1060101";
  Workplace place;
  place.program_folder = program;
  place.now = Now();
  RunFlags flags;
  RecordingStepContext context(flags);
  const double cpu_before = CpuSeconds();
  Clock::time_point start = Clock::now();
  BuildRealSunClinicAndOrders(input, place, context);
  const double seconds = Seconds(start);
  const double cpu = CpuSeconds() - cpu_before;
  const long peak_kb = TakePeakKilobytes();
  std::printf(
      "drugs %6d, diagnoses %5d, combinations %5d: %6.2f s (cpu %6.2f s), %8.0f drugs/s, "
      "peak %ld MB, %zu message lines\n",
      drugs, drugs / 20, drugs / 4, seconds, cpu, drugs / seconds, peak_kb / 1024,
      context.lines().size());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {5000, 20000};
  fs::path root =
      fs::temp_directory_path() / ("realsun_orders_bench_" + std::to_string(::getpid()));
  fs::path program = root / "program";
  CreateFolders(program);
  Clock::time_point install = Clock::now();
  InstallDeliveredFiles(program);
  std::printf("delivered files installed in %.2f s\n", Seconds(install));
  std::fflush(stdout);
  int failures = 0;
  for (int drugs : sizes) {
    pid_t child = ::fork();
    if (child == 0) {
      RunStep(root, program, drugs);
      std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::printf("drugs %6d: the run failed\n", drugs);
      ++failures;
    }
  }
  DeleteFolder(root);
  return failures == 0 ? 0 : 1;
}
