// Vision orders step benchmark: the clinic and orders step on a generated Vision clinic with
// N orders in CO09D.DBF and N/4 diagnoses in CO07A.DBF, for each N given (default 2000 and
// 20000), in a fresh temporary folder. The delivered files are installed once beforehand.
//   vision_orders_bench [N ...]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <unistd.h>

#include "app/program_folder.h"
#include "bench_timing.h"
#include "catalogue/vision_orders_step.h"
#include "demo/demo_clinic.h"
#include "demo/vision_catalogue_tables.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "support/recording_step_context.h"
#include "workspace/folder_layout.h"

namespace {

using namespace zuvo::bench;

using namespace zuvo;
namespace fs = std::filesystem;

double RunStep(const fs::path& root, const fs::path& program, int orders) {
  fs::path source = root / ("source" + std::to_string(orders));
  demo::DemoClinic clinic = demo::WriteVisionDemoSource(source, 11);
  demo::WriteVisionCatalogueTables(source, 11, {orders, orders / 4});
  fs::path work_tree =
      ClinicFolder(root / ("home" + std::to_string(orders)), kVisionArea, clinic.code) /
      "1151209_1";
  CreateWorkTree(work_tree);
  VisionOrdersInput input;
  Workplace place;
  place.program_folder = program;
  place.now = Now();
  input.folder.his = big5::FromUtf8("展望");
  input.folder.source_folder = source;
  input.folder.clinic_id = clinic.code;
  input.folder.work_tree = work_tree;
  RunFlags flags;
  RecordingStepContext context(flags);
  Clock::time_point start = Clock::now();
  BuildVisionClinicAndOrders(input, place, context);
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {2000, 20000};
  fs::path root = fs::temp_directory_path() / ("vision_orders_bench_" + std::to_string(::getpid()));
  fs::path program = root / "program";
  CreateFolders(program);
  Clock::time_point install = Clock::now();
  InstallDeliveredFiles(program);
  std::printf("delivered files installed in %.2f s\n", Seconds(install));
  for (int orders : sizes) {
    double seconds = RunStep(root, program, orders);
    std::printf("orders %6d, diagnoses %5d: %.2f s (%.1f us per order)\n", orders, orders / 4,
                seconds, seconds * 1e6 / orders);
    std::fflush(stdout);
  }
  DeleteFolder(root);
  return 0;
}
