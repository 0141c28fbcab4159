// RealSun patient step benchmark: generates an S/PATDB.DBF of N patients (the demo clinic's
// styles) in one child process, runs the whole step on it (the InitBak snapshot included) in
// another, then takes the snapshot alone once more to give its share: a table row for each.
//   realsun_patients_bench [--patients N ...] [--dir FOLDER] [--keep]
// Without --patients it runs 20,000 and 100,000 patients.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_sizes.h"
#include "bench_table.h"
#include "core/store_verify.h"
#include "demo/realsun_patient_tables.h"
#include "patients/realsun_patients_step.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "support/recording_step_context.h"
#include "workspace/folder_layout.h"
#include "workspace/work_tree_snapshot.h"

namespace {

using namespace zuvo;
using namespace zuvo::bench;
namespace fs = std::filesystem;

constexpr char kClinicCode[] = "3601234567";

fs::path WorkTreeOf(const fs::path& base) {
  return ClinicFolder(base / "program", kRealSunArea, kClinicCode) / "1150101_1";
}

void Generate(const fs::path& base, int patients) {
  CreateWorkTree(WorkTreeOf(base));
  demo::WriteRealSunPatientTable(base / "source", 7, patients);
}

void Run(const fs::path& base, int patients) {
  const fs::path program = base / "program";
  const fs::path work_tree = WorkTreeOf(base);
  RunFlags flags;
  RecordingStepContext context(flags);
  RealSunPatientsInput input;
  input.folder.his = big5::FromUtf8("耀聖");
  input.folder.source_folder = base / "source";
  input.folder.work_tree = work_tree;
  input.folder.clinic_id = kClinicCode;

  const std::string size = std::to_string(patients) + " patients";
  auto meter = std::make_unique<StepMeter>(std::vector<fs::path>{base});
  ConvertRealSunPatients(input, Workplace{program, Now(), {}, Now}, context);
  PrintStepRow({"realsun_patients", "patients", size, patients, "patient"}, meter->Stop(),
               base / "plain.out");

  meter = std::make_unique<StepMeter>(std::vector<fs::path>{base});
  SnapshotWorkTree(work_tree, RealSunSnapshotFolder(program, kClinicCode));
  PrintStepRow({"realsun_patients", "snapshot alone", size, patients, "patient"}, meter->Stop(),
               base / "plain.out");

  const StoreVerifyReport report = VerifyStore(WorkTreeStoreLocation(work_tree, kClinicCode));
  std::printf("  %zu patients written, store %s\n", report.patients,
              report.clean() ? "verifies clean" : "VERIFY FINDINGS");
  if (!report.clean()) std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "realsun_patients_bench", {20000, 100000});
  PrintTableHeading();
  return RunEachSize(arguments, Generate, Run) == 0 ? 0 : 1;
}
