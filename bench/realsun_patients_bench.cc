// RealSun patient step benchmark: generates an S/PATDB.DBF of N patients (the demo clinic's
// styles), runs the whole step on it (the InitBak snapshot included), then takes the snapshot
// alone once more to give its share. Peak memory is the resident set's high-water mark during
// the step.
//   realsun_patients_bench [--patients N ...] [--dir FOLDER]
// Without --patients it runs 20,000 and 100,000 patients.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_sizes.h"
#include "bench_timing.h"
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

struct Figures {
  int patients = 0;
  size_t written = 0;
  double step_seconds = 0;
  double step_cpu_seconds = 0;
  double snapshot_seconds = 0;
  long step_peak_kb = 0;
  bool verify_clean = false;
};

Figures Run(const fs::path& base, int patients) {
  const fs::path source = base / "source";
  const fs::path program = base / "program";
  const fs::path work_tree = ClinicFolder(program, kRealSunArea, kClinicCode) / "1150101_1";
  DeleteFolder(base);
  CreateWorkTree(work_tree);
  demo::WriteRealSunPatientTable(source, 7, patients);

  RunFlags flags;
  RecordingStepContext context(flags);
  RealSunPatientsInput input;
  input.folder.his = big5::FromUtf8("耀聖");
  input.folder.source_folder = source;
  input.folder.work_tree = work_tree;
  input.folder.clinic_id = kClinicCode;

  Figures figures{.patients = patients};
  TakePeakKilobytes();
  Clock::time_point start = Clock::now();
  const double cpu_start = CpuSeconds();
  ConvertRealSunPatients(input, Workplace{program, Now(), {}, Now}, context);
  figures.step_seconds = Seconds(start);
  figures.step_cpu_seconds = CpuSeconds() - cpu_start;
  figures.step_peak_kb = TakePeakKilobytes();

  start = Clock::now();
  SnapshotWorkTree(work_tree, RealSunSnapshotFolder(program, kClinicCode));
  figures.snapshot_seconds = Seconds(start);

  StoreVerifyReport report = VerifyStore(WorkTreeStoreLocation(work_tree, kClinicCode));
  figures.written = report.patients;
  figures.verify_clean = report.clean();
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "realsun_patients_bench", {20000, 100000});
  std::printf("%10s %10s %10s %10s %12s %10s %12s %10s %s\n", "rows", "written", "step s", "cpu s",
              "rows/s", "us/row", "snapshot s", "peak MB", "verify");
  double first_us_per_row = 0;
  for (int patients : arguments.sizes) {
    Figures f = Run(arguments.base, patients);
    const double us_per_row = f.step_seconds * 1e6 / f.patients;
    if (first_us_per_row == 0) first_us_per_row = us_per_row;
    std::printf("%10d %10zu %10.3f %10.3f %12.0f %10.2f %12.3f %10.1f %s\n", f.patients, f.written,
                f.step_seconds, f.step_cpu_seconds, f.patients / f.step_seconds, us_per_row,
                f.snapshot_seconds, f.step_peak_kb / 1024.0, f.verify_clean ? "clean" : "FINDINGS");
    if (arguments.sizes.size() > 1) {
      std::printf("%10s time per row %.2f x that of the first size\n", "",
                  us_per_row / first_us_per_row);
    }
  }
  DeleteFolder(arguments.base);
  return 0;
}
