// Vision chart benchmark: generates a clinic of N patients with M visits each (about four order
// lines and one complaint per visit), runs the visit pre-pass on it, and compares its time with
// a plain sequential read of the source tables plus a plain write of the output bytes.
//   vision_charts_bench [--patients N] [--visits-per-patient M] [--dir FOLDER] [--keep]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/program_folder.h"
#include "bench_timing.h"
#include "charts/prepass_files.h"
#include "charts/vision_prepass.h"
#include "demo/vision_visit_tables.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"

namespace {

using namespace zuvo::bench;

namespace fs = std::filesystem;
using namespace zuvo;

// The pre-pass's own work without its rules: every field of every source row read once, and
// the output files written as plain bytes.
double PlainReadAndWrite(const fs::path& source, const fs::path& scratch, uintmax_t output_bytes) {
  auto started = Clock::now();
  size_t checksum = 0;
  for (const char* name : {"CO02H.DBF", "CO02P.DBF"}) {
    DbfTable table = DbfTable::Open(source, name);
    int fields = static_cast<int>(table.Fields().size());
    for (table.First(); !table.Eof(); table.Next()) {
      for (int i = 0; i < fields; ++i) checksum += big5::Trim(table.RawField(i)).size();
    }
  }
  std::string block(1 << 20, static_cast<char>(checksum));
  std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
  for (uintmax_t written = 0; written < output_bytes; written += block.size()) {
    out.write(block.data(), static_cast<std::streamsize>(
                                std::min<uintmax_t>(block.size(), output_bytes - written)));
  }
  out.close();
  return Seconds(started);
}

}  // namespace

int main(int argc, char** argv) {
  int patients = 20000;
  int visits_per_patient = 5;
  fs::path dir = fs::temp_directory_path() / "zuvo_vision_charts_bench";
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--patients" && i + 1 < argc) {
      patients = std::atoi(argv[++i]);
    } else if (arg == "--visits-per-patient" && i + 1 < argc) {
      visits_per_patient = std::atoi(argv[++i]);
    } else if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (arg == "--keep") {
      keep = true;
    } else {
      std::fprintf(stderr,
                   "usage: vision_charts_bench [--patients N] [--visits-per-patient M] "
                   "[--dir FOLDER] [--keep]\n");
      return 64;
    }
  }
  fs::remove_all(dir);
  const fs::path program = dir / "program";
  const fs::path source = dir / "source";
  InstallDeliveredFiles(program);

  auto started = Clock::now();
  demo::VisitTableOptions options;
  options.patients = patients;
  options.visits_per_patient = visits_per_patient;
  options.scale = true;
  demo::VisitTableCounts counts = demo::WriteVisionVisitTables(source, 1, options);
  std::printf("generated %d visits, %d complaints, %d order lines in %.2f s\n", counts.visits,
              counts.complaints, counts.orders, Seconds(started));

  VisionChartInput input;
  input.folder.his = big5::Literal("展望");
  input.folder.source_folder = source;
  input.folder.clinic_id = "3501200000";
  const fs::path clinic = program / "VISW" / input.folder.clinic_id;
  input.folder.work_tree = clinic / "1131231_1";
  input.chart.split_date = "1020101";
  input.folder.start_date = std::string(demo::kDemoOpeningDate);
  fs::create_directories(input.folder.work_tree / "Corvix");
  fs::copy_file(program / "OPDbak.mdb", input.folder.work_tree / "Corvix" / "OPD.MDB");
  {
    Database opd = Database::Open(input.folder.work_tree / "Corvix" / "OPD.MDB");
    Transaction transaction(opd);
    for (std::string_view code : demo::kDemoDrugCodes) {
      opd.Execute(
          "insert into MX (Tname, Sname, INSUcode, class, unit, perunit) values "
          "(?, ?, ?, 'oral', 1, 2)",
          {code, code, code});
    }
    transaction.Commit();
  }
  WriteProfileString(clinic / "data.ini", "system", "ClinicTypeNo", "01");
  WriteProfileString(clinic / "data.ini", "system", big5::Literal("開業日期"),
                     demo::kDemoOpeningDate);

  RunFlags flags;
  RecordingStepContext context(flags);
  Workplace place;
  place.program_folder = program;
  place.now = RocDateToDate("1140101");
  started = Clock::now();
  double cpu_before = CpuSeconds();
  StepResult result = PrepareVisionVisits(input, place, context);
  double prepass = Seconds(started);
  double prepass_cpu = CpuSeconds() - cpu_before;
  if (result != StepResult::kDone) {
    std::fprintf(stderr, "pre-pass stopped\n");
    return 1;
  }
  uintmax_t output = fs::file_size(input.folder.work_tree / kComplaintFileName) +
                     fs::file_size(input.folder.work_tree / kOrderLineFileName);
  cpu_before = CpuSeconds();
  double plain = PlainReadAndWrite(source, dir / "plain.out", output);
  double plain_cpu = CpuSeconds() - cpu_before;
  std::printf("pre-pass: %.2f s, %.0f visits/s, %ju output bytes, %zu message lines\n", prepass,
              counts.visits / prepass, output, context.lines().size());
  std::printf("plain read + write: %.2f s; pre-pass / plain = %.2f\n", plain, prepass / plain);
  std::printf("processor time: pre-pass %.2f s, plain %.2f s, ratio %.2f\n", prepass_cpu, plain_cpu,
              prepass_cpu / plain_cpu);
  std::printf("peak memory: %ld MB\n", PeakRssMegabytes());
  if (!keep) fs::remove_all(dir);
  return 0;
}
