// Vision chart benchmark: generates a clinic of N patients with five visits each (about four
// order lines and one complaint per visit) in one child process and runs the visit pre-pass on it
// in another: a table row per size.
//   vision_charts_bench [--patients N ...] [--dir FOLDER] [--keep]   (default 5000 20000)
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "app/program_folder.h"
#include "bench_sizes.h"
#include "bench_table.h"
#include "charts/vision_prepass.h"
#include "demo/vision_visit_tables.h"
#include "platform/big5.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"

namespace {

using namespace zuvo::bench;

namespace fs = std::filesystem;
using namespace zuvo;

constexpr int kVisitsPerPatient = 5;

VisionChartInput InputOf(const fs::path& dir) {
  VisionChartInput input;
  input.folder.his = big5::Literal("展望");
  input.folder.source_folder = dir / "source";
  input.folder.clinic_id = "3501200000";
  input.folder.work_tree = dir / "program" / "VISW" / input.folder.clinic_id / "1131231_1";
  input.chart.split_date = "1020101";
  input.folder.start_date = std::string(demo::kDemoOpeningDate);
  return input;
}

void Generate(const fs::path& dir, int patients) {
  const fs::path program = dir / "program";
  InstallDeliveredFiles(program);
  demo::VisitTableOptions options;
  options.patients = patients;
  options.visits_per_patient = kVisitsPerPatient;
  options.scale = true;
  const demo::VisitTableCounts counts = demo::WriteVisionVisitTables(dir / "source", 1, options);
  std::printf("  generated %d visits, %d complaints, %d order lines\n", counts.visits,
              counts.complaints, counts.orders);

  const VisionChartInput input = InputOf(dir);
  const fs::path clinic = input.folder.work_tree.parent_path();
  fs::create_directories(input.folder.work_tree / "Corvix");
  fs::copy_file(program / "OPDbak.mdb", input.folder.work_tree / "Corvix" / "OPD.MDB");
  Database opd = Database::Open(input.folder.work_tree / "Corvix" / "OPD.MDB");
  Transaction transaction(opd);
  for (std::string_view code : demo::kDemoDrugCodes) {
    opd.Execute(
        "insert into MX (Tname, Sname, INSUcode, class, unit, perunit) values "
        "(?, ?, ?, 'oral', 1, 2)",
        {code, code, code});
  }
  transaction.Commit();
  WriteProfileString(clinic / "data.ini", "system", "ClinicTypeNo", "01");
  WriteProfileString(clinic / "data.ini", "system", big5::Literal("開業日期"),
                     demo::kDemoOpeningDate);
}

void Prepass(const fs::path& dir, int patients) {
  VisionChartInput input = InputOf(dir);
  RunFlags flags;
  RecordingStepContext context(flags);
  Workplace place;
  place.program_folder = dir / "program";
  place.now = RocDateToDate("1140101");
  StepMeter meter({dir});
  const StepResult result = PrepareVisionVisits(input, place, context);
  const StepFigures figures = meter.Stop();
  if (result != StepResult::kDone) throw std::runtime_error("the pre-pass stopped");
  PrintStepRow({"vision_charts", "prepass", std::to_string(patients) + " patients",
                patients * kVisitsPerPatient, "visit"},
               figures, dir / "plain.out");
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "vision_charts_bench", {5000, 20000});
  PrintTableHeading();
  return RunEachSize(arguments, Generate, Prepass) == 0 ? 0 : 1;
}
