// Vision patient step benchmark: generates a CO01M.DBF of N patients with remarks (the demo
// clinic's styles) in one child process, runs the whole patient step on it in another, and then
// the remark analysis alone over the same rows (read into memory first) to give its share: a
// table row for each.
//   vision_patients_bench [--patients N ...] [--dir FOLDER] [--keep]
// Without --patients it runs 10,000 and 100,000 patients.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_sizes.h"
#include "bench_table.h"
#include "core/store_verify.h"
#include "demo/vision_patient_tables.h"
#include "patients/catalogue_index_reading.h"
#include "patients/vision_patient_row.h"
#include "patients/vision_patients_step.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"
#include "workspace/folder_layout.h"

namespace {

using namespace zuvo::bench;

using namespace zuvo;
namespace fs = std::filesystem;

constexpr char kClinicCode[] = "3501234567";
constexpr int kCatalogueDrugs = 3000;

// An OPD.mdb whose MX holds `drugs` oral drugs named DRUG0001.. and a few names the generated
// remarks use.
void WriteCatalogue(const fs::path& file, int drugs) {
  Database database = Database::Create(file);
  database.Execute("create table MX (Tname text, Sname text, INSUcode text, class text)");
  Transaction transaction(database);
  for (int i = 1; i <= drugs; ++i) {
    char name[32], code[32];
    std::snprintf(name, sizeof name, "DRUG%04d", i);
    std::snprintf(code, sizeof code, "A%09d", i);
    database.Execute("insert into MX values (?, ?, ?, ?)",
                     {std::string(name), std::string(name) + " 10mg", std::string(code),
                      std::string(i % 4 == 0 ? "inj" : "oral")});
  }
  database.Execute("insert into MX values (?, ?, ?, ?)",
                   {std::string("amoxil"), std::string("Amoxil 250mg"), std::string("A000099999"),
                    std::string("oral")});
  transaction.Commit();
}

fs::path WorkTreeOf(const fs::path& base) { return base / "VISW" / kClinicCode / "1151209_1"; }

void Generate(const fs::path& base, int patients) {
  const fs::path work_tree = WorkTreeOf(base);
  const fs::path clinic = work_tree.parent_path();
  CreateFolders(base / "source");
  CreateWorkTree(work_tree);
  WriteCatalogue(work_tree / "Corvix" / "OPD.mdb", kCatalogueDrugs);
  WriteProfileString(clinic / "data.ini", "system", "Pharmacistname", big5::FromUtf8("王藥師"));
  WriteProfileString(clinic / "data.ini", "system", "PharmacistID", "A223456781");
  demo::WriteVisionPatientTable(base / "source", 7, patients - demo::kShowcasePatientRows);
}

void Run(const fs::path& base, int patients) {
  const fs::path work_tree = WorkTreeOf(base);
  VisionPatientsInput input;
  input.folder.his = big5::FromUtf8("展望");
  input.folder.source_folder = base / "source";
  input.folder.work_tree = work_tree;
  input.folder.clinic_id = kClinicCode;
  RunFlags flags;
  RecordingStepContext context(flags);
  const std::string size = std::to_string(patients) + " patients";

  StepMeter step_meter({base});
  ConvertVisionPatients(input, Workplace{{}, Now(), {}, Now}, context);
  PrintStepRow({"vision_patients", "patients", size, patients, "patient"}, step_meter.Stop(),
               base / "plain.out");
  const StoreVerifyReport report = VerifyStore(WorkTreeStoreLocation(work_tree, kClinicCode));

  // The analysis alone, on rows already read into memory.
  DbfTable table = DbfTable::Open(work_tree, "CO01M.DBF");
  std::vector<RemarkFields> remarks;
  for (table.First(); !table.Eof(); table.Next()) {
    remarks.push_back(ReadVisionPatientRow(table).remarks);
  }
  RemarkAnalysisRun run(RemarkMode::kFullPhraseAnalysis, {}, {},
                        ReadCatalogueIndex(work_tree / "Corvix" / "OPD.mdb"));
  StepMeter analysis_meter({base});
  size_t note_bytes = 0;
  for (const RemarkFields& fields : remarks) {
    note_bytes += run.AnalyseRemarks(fields, '3').lists.notes.size();
  }
  PrintStepRow({"vision_patients", "remark analysis", size, patients, "patient"},
               analysis_meter.Stop(), base / "plain.out");
  std::printf("  %zu patients written, store %s\n", report.patients,
              report.clean() ? "verifies clean" : "VERIFY FINDINGS");
  if (note_bytes == 0) std::printf("  no remark was analysed\n");
  if (!report.clean() || note_bytes == 0) std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "vision_patients_bench", {10000, 100000});
  for (int& patients : arguments.sizes) {
    patients = std::max(patients, demo::kShowcasePatientRows);
  }
  PrintTableHeading();
  return RunEachSize(arguments, Generate, Run) == 0 ? 0 : 1;
}
