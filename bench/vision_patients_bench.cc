// Vision patient step benchmark: generates a CO01M.DBF of N patients with remarks (the demo
// clinic's styles), runs the whole patient step on it, and then times the remark analysis alone
// over the same rows to give its share of the step.
//   vision_patients_bench [--patients N ...] [--dir FOLDER]
// Without --patients it runs 10,000 and 100,000 patients.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_sizes.h"
#include "bench_timing.h"
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

struct Figures {
  int patients = 0;
  size_t written = 0;
  double step_seconds = 0;
  double analysis_seconds = 0;
  bool verify_clean = false;
};

Figures Run(const fs::path& base, int patients) {
  fs::path source = base / "source";
  fs::path clinic = base / "VISW" / kClinicCode;
  fs::path work_tree = clinic / "1151209_1";
  DeleteFolder(base);
  CreateFolders(source);
  CreateWorkTree(work_tree);
  WriteCatalogue(work_tree / "Corvix" / "OPD.mdb", kCatalogueDrugs);
  WriteProfileString(clinic / "data.ini", "system", "Pharmacistname", big5::FromUtf8("王藥師"));
  WriteProfileString(clinic / "data.ini", "system", "PharmacistID", "A223456781");
  demo::WriteVisionPatientTable(source, 7, patients - demo::kShowcasePatientRows);

  VisionPatientsInput input;
  input.folder.his = big5::FromUtf8("展望");
  input.folder.source_folder = source;
  input.folder.work_tree = work_tree;
  input.folder.clinic_id = kClinicCode;
  RunFlags flags;
  RecordingStepContext context(flags);

  Figures figures;
  figures.patients = patients;
  Clock::time_point start = Clock::now();
  ConvertVisionPatients(input, Workplace{{}, Now(), {}, Now}, context);
  figures.step_seconds = Seconds(start);
  StoreVerifyReport report = VerifyStore(VisionStoreLocation(work_tree, kClinicCode));
  figures.written = report.patients;
  figures.verify_clean = report.clean();

  // The analysis alone, on rows already read into memory.
  DbfTable table = DbfTable::Open(work_tree, "CO01M.DBF");
  std::vector<RemarkFields> remarks;
  for (table.First(); !table.Eof(); table.Next()) {
    remarks.push_back(ReadVisionPatientRow(table).remarks);
  }
  RemarkAnalysisRun run(RemarkMode::kFullPhraseAnalysis, {}, {},
                        ReadCatalogueIndex(work_tree / "Corvix" / "OPD.mdb"));
  start = Clock::now();
  size_t note_bytes = 0;
  for (const RemarkFields& fields : remarks) {
    note_bytes += run.AnalyseRemarks(fields, '3').lists.notes.size();
  }
  figures.analysis_seconds = Seconds(start);
  if (note_bytes == 0) std::fprintf(stderr, "no remark was analysed\n");
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "vision_patients_bench", {10000, 100000});
  std::printf("%10s %10s %10s %12s %12s %8s %s\n", "rows", "written", "step s", "us/row",
              "analysis s", "share", "verify");
  for (int patients : arguments.sizes) {
    if (patients < demo::kShowcasePatientRows) patients = demo::kShowcasePatientRows;
    Figures f = Run(arguments.base, patients);
    std::printf("%10d %10zu %10.3f %12.2f %12.3f %7.1f%% %s\n", f.patients, f.written,
                f.step_seconds, f.step_seconds * 1e6 / f.patients, f.analysis_seconds,
                100.0 * f.analysis_seconds / f.step_seconds, f.verify_clean ? "clean" : "FINDINGS");
  }
  DeleteFolder(arguments.base);
  return 0;
}
