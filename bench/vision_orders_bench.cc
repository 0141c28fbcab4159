// Vision orders step benchmark: the clinic and orders step on a generated Vision clinic with
// N orders in CO09D.DBF and N/4 diagnoses in CO07A.DBF. Each size is generated in one child
// process and runs in another; the delivered files are installed once beforehand. A table row
// per size, in microseconds per order.
//   vision_orders_bench [--orders N ...] [--dir FOLDER] [--keep]   (default 2000 20000)
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/program_folder.h"
#include "bench_sizes.h"
#include "bench_table.h"
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

fs::path SourceOf(const fs::path& root, int orders) {
  return root / ("source" + std::to_string(orders));
}

void Generate(const fs::path& root, int orders) {
  const fs::path source = SourceOf(root, orders);
  InstallDeliveredFiles(root / "program");
  demo::WriteVisionDemoSource(source, 11);
  demo::WriteVisionCatalogueTables(source, 11, {orders, orders / 4});
}

void RunStep(const fs::path& root, int orders) {
  const demo::DemoClinic clinic = demo::VisionDemoClinic(11);
  const fs::path work_tree =
      ClinicFolder(root / ("home" + std::to_string(orders)), kVisionArea, clinic.code) /
      "1151209_1";
  CreateWorkTree(work_tree);
  VisionOrdersInput input;
  Workplace place;
  place.program_folder = root / "program";
  place.now = Now();
  input.folder.his = big5::FromUtf8("展望");
  input.folder.source_folder = SourceOf(root, orders);
  input.folder.clinic_id = clinic.code;
  input.folder.work_tree = work_tree;
  RunFlags flags;
  RecordingStepContext context(flags);
  StepMeter meter({root});
  BuildVisionClinicAndOrders(input, place, context);
  const StepFigures figures = meter.Stop();
  PrintStepRow({"vision_orders", "catalogue", std::to_string(orders) + " orders", orders, "order"},
               figures, root / "plain.out");
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "vision_orders_bench", {2000, 20000}, "orders");
  PrintTableHeading();
  return RunEachSize(arguments, Generate, RunStep) == 0 ? 0 : 1;
}
