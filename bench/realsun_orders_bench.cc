// RealSun catalogue step benchmark: the clinic and orders step on a generated RealSun clinic
// with N records in Z/DRUG.DBF, N/20 diagnoses in Z/SICK.DBF and N/4 combination orders in
// Z/TREAT.DBF. Each size is generated in one child process and runs in another, so that its peak
// resident memory is its own; the delivered files are installed once beforehand. A table row per
// size, in microseconds per drug record.
//   realsun_orders_bench [--drugs N ...] [--dir FOLDER] [--keep]   (default 5000 20000)
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/program_folder.h"
#include "bench_sizes.h"
#include "bench_table.h"
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

fs::path SourceOf(const fs::path& root, int drugs) {
  return root / ("source" + std::to_string(drugs));
}

void Generate(const fs::path& root, int drugs) {
  const fs::path source = SourceOf(root, drugs);
  InstallDeliveredFiles(root / "program");
  demo::WriteRealSunDemoSource(source, 11);
  demo::WriteRealSunCatalogueTables(source, 11, {drugs, drugs / 20, drugs / 4});
}

void RunStep(const fs::path& root, int drugs) {
  const fs::path program = root / "program";
  const fs::path source = SourceOf(root, drugs);
  const demo::DemoClinic clinic = demo::RealSunDemoClinic(11);
  const fs::path work_tree =
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
  StepMeter meter({root});
  BuildRealSunClinicAndOrders(input, place, context);
  const StepFigures figures = meter.Stop();
  PrintStepRow({"realsun_orders", "catalogue", std::to_string(drugs) + " drugs", drugs, "drug"},
               figures, root / "plain.out");
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "realsun_orders_bench", {5000, 20000}, "drugs");
  PrintTableHeading();
  return RunEachSize(arguments, Generate, RunStep) == 0 ? 0 : 1;
}
