// RealSun chart conversion benchmark: generates clinics of 100,000 and 400,000 visits (four order
// slots each, a claim row for nine visits in ten, a card upload for every other; the demo
// generator's scale form), converts each in a child process, and compares the conversion's time
// with a plain read of its source tables plus a plain write of the chart bytes it produced,
// measured in the same process.
//   realsun_charts_bench [--visits N ...] [--dir FOLDER] [--keep]
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/program_folder.h"
#include "bench_clinic.h"
#include "bench_timing.h"
#include "charts/realsun_charts_step.h"
#include "core/chart_store.h"
#include "core/patient_store.h"
#include "demo/realsun_visit_tables.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"
#include "workspace/folder_layout.h"

namespace {

using namespace zuvo;
using namespace zuvo::bench;
namespace fs = std::filesystem;

constexpr char kClinicCode[] = "3501010000";
constexpr int kVisitsPerPatient = 5;

struct Result {
  int visits = 0;
  double seconds = 0, cpu_seconds = 0, plain_seconds = 0;
  long peak_mb = 0;
  uintmax_t chart_bytes = 0;
  bool done = false;
};

using Clinic = BenchClinic;

Clinic Generate(const fs::path& root, int visits) {
  const int patients = std::max(10, visits / kVisitsPerPatient);
  Clinic clinic = MakeBenchClinic(root, kRealSunArea, kClinicCode,
                                  "[system]\r\n開業日期=1050101\r\nPharmacistName=李藥師\r\n"
                                  "PharmacistID=B223456789\r\nClinicTypeNo=01\r\n"
                                  "[DOCTOR]\r\n王大明=A123456789\r\n",
                                  patients);
  CopyFileTo(clinic.program / "OPDbak.mdb", clinic.work_tree / "Corvix" / "OPD.mdb", true);
  Database opd = Database::Open(clinic.work_tree / "Corvix" / "OPD.mdb");
  {
    Transaction transaction(opd);
    for (const char* code : {"PANA", "AMOX", "SYRUP", "EYE", "INJ", "OINT", "REG"}) {
      opd.Execute("insert into MX (Tname, INSUcode, class, unit, INSUprice) values (?, ?, ?, 1, ?)",
                  {std::string(code), "N" + std::string(code),
                   std::string(code[0] == 'R' ? "OPD" : "oral"), Currency{25000}});
    }
    opd.Execute("insert into DX (refText, ICD10, Sname) values ('URI', 'J069', 'URI')");
    transaction.Commit();
  }
  demo::WriteRealSunVisitTables(clinic.source, 7,
                                {.scale_visits = visits, .patients = patients - 1});
  return clinic;
}

// Every field of every row of the source tables read once, and `output_bytes` written as a
// plain stream.
double PlainReadAndWrite(const Clinic& clinic, uintmax_t output_bytes) {
  auto started = Clock::now();
  size_t checksum = 0;
  for (const auto& entry : fs::recursive_directory_iterator(clinic.source)) {
    if (!entry.is_regular_file()) continue;
    DbfTable table(entry.path());
    const int fields = static_cast<int>(table.Fields().size());
    for (table.First(); !table.Eof(); table.Next()) {
      for (int i = 0; i < fields; ++i) checksum += big5::Trim(table.RawField(i)).size();
    }
  }
  WritePlainBytes(clinic.work_tree / "plain.out", output_bytes, static_cast<char>(checksum));
  return Seconds(started);
}

Result Measure(const fs::path& dir, int visits) {
  fs::remove_all(dir);
  auto generating = Clock::now();
  Clinic clinic = Generate(dir, visits);
  std::fprintf(stderr, "generated %d visits in %.1f s\n", visits, Seconds(generating));

  RealSunChartInput input;
  input.folder = FolderFieldsOf(clinic, "耀聖", kClinicCode);
  input.chart.split_date = "1050101";
  Workplace place = WorkplaceOf(clinic);
  RunFlags flags;
  RecordingStepContext context(flags);
  Result result;
  result.visits = visits;
  TakePeakKilobytes();
  auto converting = Clock::now();
  const double cpu_before = CpuSeconds();
  result.done = ConvertRealSunCharts(input, place, context) == StepResult::kDone;
  result.seconds = Seconds(converting);
  result.cpu_seconds = CpuSeconds() - cpu_before;
  result.peak_mb = TakePeakKilobytes() / 1024;
  for (const auto& [code, path] : ListChartFiles(clinic.store)) {
    result.chart_bytes += fs::file_size(path);
  }
  result.plain_seconds = PlainReadAndWrite(clinic, result.chart_bytes);
  return result;
}

// Runs Measure in a child process, so that each clinic's peak memory is its own.
Result MeasureApart(const fs::path& dir, int visits) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    Result result = Measure(dir, visits);
    ssize_t written = write(pipe_ends[1], &result, sizeof result);
    _exit(written == sizeof result ? 0 : 1);
  }
  close(pipe_ends[1]);
  Result result;
  ssize_t got = read(pipe_ends[0], &result, sizeof result);
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (got != sizeof result) result = {};
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  fs::path dir = fs::temp_directory_path() / "zuvo_realsun_charts_bench";
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--visits") && i + 1 < argc) {
      sizes.push_back(std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc) {
      dir = argv[++i];
    } else if (!std::strcmp(argv[i], "--keep")) {
      keep = true;
    } else {
      std::fprintf(stderr,
                   "usage: realsun_charts_bench [--visits N ...] [--dir FOLDER] [--keep]\n");
      return 64;
    }
  }
  if (sizes.empty()) sizes = {100000, 400000};
  std::vector<Result> results;
  std::printf("%10s %10s %10s %12s %10s %14s %10s %14s\n", "visits", "seconds", "cpu s", "visits/s",
              "peak MB", "chart bytes", "plain s", "step / plain");
  bool all_done = true;
  for (int visits : sizes) {
    Result result = MeasureApart(dir / std::to_string(visits), visits);
    all_done = all_done && result.done;
    std::printf("%10d %10.2f %10.2f %12.0f %10ld %14ju %10.2f %14.1f\n", result.visits,
                result.seconds, result.cpu_seconds, result.visits / result.seconds, result.peak_mb,
                result.chart_bytes, result.plain_seconds, result.seconds / result.plain_seconds);
    std::fflush(stdout);
    results.push_back(result);
    if (!keep) fs::remove_all(dir / std::to_string(visits));
  }
  if (results.size() == 2 && results[0].seconds > 0) {
    const double ratio = results[1].seconds / results[0].seconds;
    std::printf("time ratio %d / %d visits: %.2f, processor time %.2f (%.2f for linear)\n",
                results[1].visits, results[0].visits, ratio,
                results[1].cpu_seconds / results[0].cpu_seconds,
                double(results[1].visits) / results[0].visits);
  }
  return all_done ? 0 : 1;
}
