// RealSun claim correction benchmark: generates clinics of N patients with ten visits each (the
// demo generator's scale form, 2016 to 2021), converts them with the RealSun patient and chart
// steps, writes the claim archives of the last 24 months with visits (December 2019 to November
// 2021), and runs the claim correction over them. Each clinic is prepared in one child process
// and corrected in another, so that the correction's peak memory is its own. A table row for
// each of the three steps and size; the claim correction's unit is a claim.
//   realsun_claims_bench [--patients N ...] [--dir FOLDER] [--keep]
// Without --patients it runs 5,000, 20,000 and 50,000 patients.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_clinic.h"
#include "bench_sizes.h"
#include "bench_table.h"
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

// What the preparation leaves for the correction, in the clinic's folder: the number of claims
// and of the visits whose card sequence a claim names.
constexpr char kClaimCountsFile[] = "claim-counts.txt";

BenchClinic ClinicAt(const fs::path& root) {
  return BenchClinicAt(root, kRealSunArea, kClinicCode);
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

void Prepare(const fs::path& root, int patients) {
  BenchClinic clinic = MakeBenchClinic(root, kRealSunArea, kClinicCode, kRealSunBenchDataIni, 0);
  demo::WriteRealSunPatientTable(clinic.source, 7, patients);
  WriteDrugTable(clinic.source);
  const int visits = patients * kVisitsPerPatient;
  demo::WriteRealSunVisitTables(clinic.source, 7, {.scale_visits = visits, .patients = patients});

  RunFlags flags;
  RecordingStepContext context(flags);
  Workplace place = WorkplaceOf(clinic);
  place.clock = Now;
  const std::string size = std::to_string(patients) + " patients";
  auto meter = std::make_unique<StepMeter>(std::vector<fs::path>{root});
  RealSunPatientsInput patients_input{FolderOf(clinic)};
  if (ConvertRealSunPatients(patients_input, place, context) != StepResult::kDone) {
    throw std::runtime_error("the patient step stopped");
  }
  PrintStepRow({"realsun_claims", "patients", size, patients, "patient"}, meter->Stop(),
               root / "plain.out");

  AddRealSunBenchCatalogue(clinic);
  RealSunChartInput charts{FolderOf(clinic), {}};
  charts.chart.split_date = "1050101";
  meter = std::make_unique<StepMeter>(std::vector<fs::path>{root});
  if (ConvertRealSunCharts(charts, place, context) != StepResult::kDone) {
    throw std::runtime_error("the chart step stopped");
  }
  PrintStepRow({"realsun_claims", "charts", size, visits, "visit"}, meter->Stop(),
               root / "plain.out");

  demo::DemoClaimArchives archives =
      demo::WriteRealSunClaimArchives(clinic.source, 7, {kFirstClaimMonth, kLastClaimMonth});
  int claimed_visits = 0;
  for (const demo::DemoClaim& claim : archives.claims) {
    if (claim.sequence_matches) claimed_visits += claim.visits;
  }
  WriteFileAtomically(root / kClaimCountsFile, std::to_string(archives.claims.size()) + " " +
                                                   std::to_string(claimed_visits));
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

// Corrects the prepared clinic; throws when the step stopped or the store does not verify.
void Correct(const fs::path& root, int patients) {
  const BenchClinic clinic = ClinicAt(root);
  long claims = 0, claimed_visits = 0;
  std::istringstream(ReadWholeFile(root / kClaimCountsFile)) >> claims >> claimed_visits;
  RunFlags flags;
  RecordingStepContext context(flags);
  Workplace place = WorkplaceOf(clinic);
  place.clock = Now;
  RealSunClaimsInput input{FolderOf(clinic), {}};
  input.chart.split_date = "1050101";

  StepMeter meter({root});
  const bool done = CorrectRealSunCharts(input, place, context) == StepResult::kDone;
  PrintStepRow(
      {"realsun_claims", "claims", std::to_string(patients) + " patients", claims, "claim"},
      meter.Stop(), root / "plain.out");
  const bool clean = VerifyStore(clinic.store).clean();
  std::printf("  %ld claims naming %ld visits; %d visits corrected; store %s\n", claims,
              claimed_visits, CountCorrectedVisits(clinic.store),
              clean ? "verifies clean" : "VERIFY FINDINGS");
  if (!done || !clean) throw std::runtime_error("the correction stopped or left findings");
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "realsun_claims_bench", {5000, 20000, 50000});
  PrintTableHeading();
  return RunEachSize(arguments, Prepare, Correct) == 0 ? 0 : 1;
}
