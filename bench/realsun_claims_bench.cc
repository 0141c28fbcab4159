// RealSun claim correction benchmark: generates clinics of N patients with ten visits each (the
// demo generator's scale form, 2016 to 2021), converts them with the RealSun patient and chart
// steps, writes the claim archives of the last 24 months with visits (December 2019 to November
// 2021), and runs the claim correction over them. Each clinic is prepared in one child process
// and corrected in another, so that the correction's peak memory is its own. The correction is
// compared with a plain read of its source (every archive opened and its claim document read)
// plus a plain write of its output (the bytes of the patient and chart files), measured in the
// same process. On a shared machine the processor seconds are the steadier figure.
//   realsun_claims_bench [--patients N ...] [--dir FOLDER]
// Without --patients it runs 5,000, 20,000 and 50,000 patients.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_child.h"
#include "bench_clinic.h"
#include "bench_sizes.h"
#include "bench_timing.h"
#include "charts/realsun_charts_step.h"
#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/patient_store.h"
#include "core/store_verify.h"
#include "demo/realsun_claim_archives.h"
#include "demo/realsun_patient_tables.h"
#include "demo/realsun_visit_tables.h"
#include "patients/realsun_patients_step.h"
#include "platform/big5.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"
#include "postprocess/claim_archive.h"
#include "postprocess/realsun_claims_step.h"
#include "support/recording_step_context.h"
#include "workspace/folder_layout.h"

namespace {

using namespace zuvo;
using namespace zuvo::bench;
namespace fs = std::filesystem;

constexpr char kClinicCode[] = "3501010000";
constexpr int kVisitsPerPatient = 10;
constexpr char kFirstClaimMonth[] = "10812";
constexpr char kLastClaimMonth[] = "11011";
// The pharmacist ID of the demo claims, which no converted visit has before the correction.
constexpr char kClaimedPharmacistId[] = "B223456780";

struct Prepared {
  int visits = 0;
  int archives = 0;
  int claims = 0;
  int claimed_visits = 0;  // visits whose card sequence the claim names
  double patients_seconds = 0, charts_seconds = 0;
  long patients_peak_mb = 0, charts_peak_mb = 0;
  bool done = false;
};

struct Corrected {
  double seconds = 0, cpu_seconds = 0, plain_seconds = 0, plain_cpu_seconds = 0;
  long peak_mb = 0;
  uintmax_t store_bytes = 0, document_bytes = 0;
  int corrected_visits = 0;
  bool done = false, verify_clean = false;
};

BenchClinic ClinicAt(const fs::path& root) {
  BenchClinic clinic;
  clinic.program = root / "program";
  clinic.source = root / "source";
  clinic.work_tree = ClinicFolder(clinic.program, kRealSunArea, kClinicCode) / "1101231_1";
  clinic.store = {ServerDataFolder(clinic.work_tree, kClinicCode),
                  clinic.work_tree / "Tolsern" / "PTdata.ind"};
  return clinic;
}

ClinicFolderFields FolderOf(const BenchClinic& clinic) {
  ClinicFolderFields folder = FolderFieldsOf(clinic, "耀聖", kClinicCode);
  folder.start_date = "1050101";
  return folder;
}

// The scale form's order codes with NHI codes, as the clinic's catalogue has them.
void WriteDrugTable(const fs::path& source) {
  CreateFolders(source / "Z");
  DbfWriter drugs(source / "Z" / "DRUG.DBF", {{"DRUG_NO", 'C', 10, 0}, {"DRUG_1AME", 'C', 12, 0}});
  for (const char* code : {"PANA", "AMOX", "SYRUP", "EYE", "INJ", "OINT", "REG"}) {
    drugs.Append({code, "N" + std::string(code)});
  }
  drugs.Close();
}

Prepared Prepare(const fs::path& root, int patients) {
  fs::remove_all(root);
  BenchClinic clinic = MakeBenchClinic(root, kRealSunArea, kClinicCode, kRealSunBenchDataIni, 0);
  demo::WriteRealSunPatientTable(clinic.source, 7, patients);
  WriteDrugTable(clinic.source);
  const int visits = patients * kVisitsPerPatient;
  demo::WriteRealSunVisitTables(clinic.source, 7, {.scale_visits = visits, .patients = patients});

  RunFlags flags;
  RecordingStepContext context(flags);
  Workplace place = WorkplaceOf(clinic);
  place.clock = Now;
  Prepared prepared;
  prepared.visits = visits;
  TakePeakKilobytes();
  Clock::time_point started = Clock::now();
  const StepResult patient_step = ConvertRealSunPatients({FolderOf(clinic)}, place, context);
  prepared.patients_seconds = Seconds(started);
  prepared.patients_peak_mb = TakePeakKilobytes() / 1024;

  AddRealSunBenchCatalogue(clinic);
  RealSunChartInput charts{FolderOf(clinic), {}};
  charts.chart.split_date = "1050101";
  started = Clock::now();
  const StepResult chart_step = ConvertRealSunCharts(charts, place, context);
  prepared.charts_seconds = Seconds(started);
  prepared.charts_peak_mb = TakePeakKilobytes() / 1024;

  demo::DemoClaimArchives archives =
      demo::WriteRealSunClaimArchives(clinic.source, 7, {kFirstClaimMonth, kLastClaimMonth});
  prepared.archives = archives.archives;
  prepared.claims = static_cast<int>(archives.claims.size());
  for (const demo::DemoClaim& claim : archives.claims) {
    if (claim.sequence_matches) prepared.claimed_visits += claim.visits;
  }
  prepared.done = patient_step == StepResult::kDone && chart_step == StepResult::kDone;
  return prepared;
}

// Visits that carry the claims' pharmacist ID.
int CountCorrectedVisits(const StoreLocation& store) {
  ChartFileSet files(store);
  int corrected = 0;
  const int32_t highest = HighestPatientNumber(store);
  for (int32_t number = 1; number <= highest; ++number) {
    PatientRecord record;
    if (!ReadPatient(store, number, record)) continue;
    const ChartPosition head{record.Get(patient_field::kChartFileCode),
                             record.Get(patient_field::kChartOffset)};
    WalkChain(
        files, head, ChainKind::kPatient, EntryDetail::kFraming, [&](const ChartEntryRead& entry) {
          if (entry.visit &&
              big5::Trim(entry.visit->Get(visit_field::kPharmacistId)) == kClaimedPharmacistId) {
            ++corrected;
          }
        });
  }
  return corrected;
}

// Every archive opened and its document read, then the patient and chart files' bytes written
// as a plain stream.
void PlainReadAndWrite(const BenchClinic& clinic, Corrected& figures) {
  const Clock::time_point started = Clock::now();
  const double cpu_before = CpuSeconds();
  for (const auto& entry : fs::directory_iterator(clinic.source / "02")) {
    ClaimArchiveRead read = ReadClaimArchive(entry.path(), clinic.work_tree / "plain");
    figures.document_bytes += read.document.size();
  }
  DeleteFolder(clinic.work_tree / "plain");
  WritePlainBytes(clinic.work_tree / "plain.out", figures.store_bytes,
                  static_cast<char>(figures.document_bytes));
  figures.plain_seconds = Seconds(started);
  figures.plain_cpu_seconds = CpuSeconds() - cpu_before;
}

Corrected Correct(const fs::path& root) {
  const BenchClinic clinic = ClinicAt(root);
  RunFlags flags;
  RecordingStepContext context(flags);
  Workplace place = WorkplaceOf(clinic);
  place.clock = Now;
  RealSunClaimsInput input{FolderOf(clinic), {}};
  input.chart.split_date = "1050101";

  Corrected figures;
  TakePeakKilobytes();
  const Clock::time_point started = Clock::now();
  const double cpu_before = CpuSeconds();
  figures.done = CorrectRealSunCharts(input, place, context) == StepResult::kDone;
  figures.seconds = Seconds(started);
  figures.cpu_seconds = CpuSeconds() - cpu_before;
  figures.peak_mb = TakePeakKilobytes() / 1024;

  for (const auto& [code, path] : ListChartFiles(clinic.store)) {
    figures.store_bytes += fs::file_size(path);
  }
  for (const auto& [number, path] : ListPatientFiles(clinic.store)) {
    figures.store_bytes += fs::file_size(path);
  }
  PlainReadAndWrite(clinic, figures);
  figures.verify_clean = VerifyStore(clinic.store).clean();
  figures.corrected_visits = CountCorrectedVisits(clinic.store);
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "realsun_claims_bench", {5000, 20000, 50000});
  std::printf("%9s %8s %8s %8s %9s | %8s %8s %7s %7s | %8s %8s %9s %8s %8s %7s %6s %9s | %8s %s\n",
              "patients", "visits", "claims", "claimed", "corrected", "pat. s", "charts s",
              "pat MB", "ch. MB", "claims s", "cpu s", "visits/s", "us/visit", "peak MB", "plain s",
              "ratio", "cpu ratio", "total s", "verify");
  double first_us_per_visit = 0;
  bool all_done = true;
  for (int patients : arguments.sizes) {
    const fs::path root = arguments.base / std::to_string(patients);
    const Prepared prepared = MeasureApart<Prepared>([&] { return Prepare(root, patients); });
    const Corrected corrected = MeasureApart<Corrected>([&] { return Correct(root); });
    all_done = all_done && prepared.done && corrected.done;
    const double us_per_visit = corrected.seconds * 1e6 / prepared.visits;
    if (first_us_per_visit == 0) first_us_per_visit = us_per_visit;
    std::printf(
        "%9d %8d %8d %8d %9d | %8.2f %8.2f %7ld %7ld | %8.2f %8.2f %9.0f %8.2f %8ld %7.2f %6.1f "
        "%9.1f | "
        "%8.2f %s\n",
        patients, prepared.visits, prepared.claims, prepared.claimed_visits,
        corrected.corrected_visits, prepared.patients_seconds, prepared.charts_seconds,
        prepared.patients_peak_mb, prepared.charts_peak_mb, corrected.seconds,
        corrected.cpu_seconds, prepared.visits / corrected.seconds, us_per_visit, corrected.peak_mb,
        corrected.plain_seconds, corrected.seconds / corrected.plain_seconds,
        corrected.cpu_seconds / corrected.plain_cpu_seconds,
        prepared.patients_seconds + prepared.charts_seconds + corrected.seconds,
        corrected.verify_clean ? "clean" : "FINDINGS");
    if (arguments.sizes.size() > 1) {
      std::printf("%9s %d archives; claim time per visit %.2f x that of the first size\n", "",
                  prepared.archives, us_per_visit / first_us_per_visit);
    }
    std::fflush(stdout);
    DeleteFolder(root);
  }
  DeleteFolder(arguments.base);
  return all_done ? 0 : 1;
}
