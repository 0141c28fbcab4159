// RealSun chart conversion benchmark: generates clinics of N patients with five visits each (four
// order slots per visit, a claim row for nine visits in ten, a card upload for every other; the
// demo generator's scale form) in one child process and converts each in another: a table row
// per size.
//   realsun_charts_bench [--patients N ...] [--dir FOLDER] [--keep]   (default 20000 80000)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "bench_clinic.h"
#include "bench_sizes.h"
#include "bench_table.h"
#include "charts/realsun_charts_step.h"
#include "demo/realsun_visit_tables.h"
#include "support/recording_step_context.h"
#include "workspace/folder_layout.h"

namespace {

using namespace zuvo;
using namespace zuvo::bench;
namespace fs = std::filesystem;

constexpr char kClinicCode[] = "3501010000";
constexpr int kVisitsPerPatient = 5;

void Generate(const fs::path& root, int patients) {
  const BenchClinic clinic =
      MakeBenchClinic(root, kRealSunArea, kClinicCode, kRealSunBenchDataIni, patients);
  AddRealSunBenchCatalogue(clinic);
  demo::WriteRealSunVisitTables(
      clinic.source, 7, {.scale_visits = patients * kVisitsPerPatient, .patients = patients - 1});
}

void Convert(const fs::path& root, int patients) {
  const BenchClinic clinic = BenchClinicAt(root, kRealSunArea, kClinicCode);
  RealSunChartInput input;
  input.folder = FolderFieldsOf(clinic, "耀聖", kClinicCode);
  input.chart.split_date = "1050101";
  const Workplace place = WorkplaceOf(clinic);
  RunFlags flags;
  RecordingStepContext context(flags);
  StepMeter meter({root});
  const StepResult result = ConvertRealSunCharts(input, place, context);
  const StepFigures figures = meter.Stop();
  if (result != StepResult::kDone) throw std::runtime_error("the conversion stopped");
  PrintStepRow({"realsun_charts", "charts", std::to_string(patients) + " patients",
                patients * kVisitsPerPatient, "visit"},
               figures, root / "plain.out");
}

}  // namespace

int main(int argc, char** argv) {
  SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "realsun_charts_bench", {20000, 80000});
  for (int& patients : arguments.sizes) patients = std::max(patients, 10);
  PrintTableHeading();
  return RunEachSize(arguments, Generate, Convert) == 0 ? 0 : 1;
}
