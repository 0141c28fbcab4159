// Vision chart conversion benchmark: builds a clinic of N patients and M visits (four order
// lines and one complaint each, the pre-pass files written with the pre-pass's own writers),
// converts it, and compares the time with a plain sequential read of the inputs plus a plain
// write of the chart bytes produced.
//   vision_chart_conversion_bench [--patients N] [--visits M] [--dir FOLDER] [--keep]
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/program_folder.h"
#include "bench_clinic.h"
#include "bench_timing.h"
#include "charts/prepass_files.h"
#include "charts/vision_charts_step.h"
#include "core/chart_store.h"
#include "core/patient_store.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/dbf_writer.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "support/recording_step_context.h"
#include "workspace/folder_layout.h"

namespace {

using namespace zuvo::bench;

namespace fs = std::filesystem;
using namespace zuvo;

constexpr char kClinicCode[] = "3501010000";
constexpr int kOrdersPerVisit = 4;

using Clinic = BenchClinic;

// Visits spread over 2016..2021 in table (date) order; visit v belongs to patient v % N + 1.
Clinic Generate(const fs::path& root, int patients, int visits) {
  Clinic clinic = MakeBenchClinic(root, kVisionArea, kClinicCode,
                                  "[system]\r\n開業日期=1050101\r\nMainDrName=王大明\r\n"
                                  "MainDrID=A123456789\r\n[DOCTOR]\r\n王大明=A123456789\r\n",
                                  patients);
  CopyFileTo(clinic.program / "OPDbak.mdb", clinic.work_tree / "Corvix" / "OPD.mdb", true);
  Database opd = Database::Open(clinic.work_tree / "Corvix" / "OPD.mdb");
  opd.Execute("insert into DX (ICD10, Sname) values ('J069', 'URI')");

  fs::create_directories(clinic.source);
  DbfWriter table(clinic.source / "CO03L.DBF",
                  {{"KCSTMR", 'C', 10}, {"DATE", 'C', 7},   {"TIME", 'C', 6},   {"LCS", 'C', 2},
                   {"DAYQTY", 'C', 3},  {"CREAT", 'C', 2},  {"LDTID", 'C', 10}, {"LLDTT", 'C', 2},
                   {"LISRS", 'C', 4},   {"LHIID", 'C', 3},  {"A0", 'C', 6},     {"A98", 'C', 6},
                   {"A96", 'C', 6},     {"LITEM", 'C', 20}, {"LLDNO", 'C', 10}, {"LLDDT", 'C', 7},
                   {"LIDS", 'C', 2},    {"LLDCN", 'C', 2},  {"EDATE", 'C', 7},  {"LABNO", 'C', 8},
                   {"LABDT", 'C', 40},  {"LACD", 'C', 60},  {"LICD", 'C', 30}});
  ComplaintWriter complaints = OpenComplaintWriter(clinic.work_tree / "CC.rd");
  OrderLineWriter orders = OpenOrderLineWriter(clinic.work_tree / "MXdo.mx");
  const DateTime first = *EncodeDate(2016, 1, 4);
  const double days = *EncodeDate(2021, 12, 1) - first;
  for (int v = 0; v < visits; ++v) {
    const int32_t patient = v % patients + 1;
    const DateTime day = first + std::floor(days * v / visits);
    const std::string date = RocDate(day);
    char time[8];
    std::snprintf(time, sizeof time, "%02d%02d00", 8 + v % 12, v % 60);
    table.Append({std::to_string(patient),
                  date,
                  time,
                  "01",
                  "3",
                  "01",
                  "",
                  "",
                  "05",
                  "D10",
                  "150",
                  "50",
                  "",
                  "",
                  "",
                  "",
                  "",
                  "",
                  "",
                  "J069",
                  "URI",
                  "J00,R051",
                  ""});
    ComplaintRecord complaint;
    complaint.Set(complaint_field::kPatientNumber, patient);
    complaint.Set(complaint_field::kDate, date);
    complaint.Set(complaint_field::kTime, time);
    complaint.Set(complaint_field::kText, "CC:cough and sore throat for three days");
    complaints.Append(complaint);
    for (int line = 0; line < kOrdersPerVisit; ++line) {
      OrderRecord image;
      image.Set(order_field::kInsuranceCode, "A0001" + std::to_string(line) + "1100");
      image.Set(order_field::kFlags1, static_cast<int16_t>(line == 3 ? 16 : 2));
      image.Set(order_field::kUnitPrice, 2.5f);
      image.Set(order_field::kTotalQuantity, 9.0f);
      image.Set(order_field::kPaymentPercent, int16_t{100});
      OrderLineRecord record;
      record.Set(order_line_field::kPatientNumber, patient);
      record.Set(order_line_field::kDate, date);
      record.Set(order_line_field::kTime, time);
      SetOrderImage(record, image);
      orders.Append(record);
    }
  }
  table.Close();
  complaints.Close();
  orders.Close();
  CopyFileTo(clinic.program / "ANTCHECK_BLANK.MDB", clinic.work_tree / "ANTCHECK.MDB", true);
  Database chains = Database::Open(clinic.work_tree / "ANTCHECK.MDB");
  WriteChainHeads(chains, "CClink", complaints.heads());
  WriteChainHeads(chains, "MXlink", orders.heads());
  ReferralIndex().Save(clinic.work_tree / "REF.txt");
  return clinic;
}

// Every field of every visit row and every byte of the pre-pass files read once, and the chart
// bytes written as a plain stream.
double PlainReadAndWrite(const Clinic& clinic, uintmax_t output_bytes) {
  auto started = Clock::now();
  size_t checksum = 0;
  DbfTable table = DbfTable::Open(clinic.source, "CO03L.DBF");
  const int fields = static_cast<int>(table.Fields().size());
  for (table.First(); !table.Eof(); table.Next()) {
    for (int i = 0; i < fields; ++i) checksum += big5::Trim(table.RawField(i)).size();
  }
  std::string buffer(1 << 20, '\0');
  for (const char* name : {"CC.rd", "MXdo.mx"}) {
    std::ifstream in(clinic.work_tree / name, std::ios::binary);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount()) {
      for (std::streamsize i = 0; i < in.gcount(); ++i)
        checksum += static_cast<unsigned char>(buffer[i]);
    }
  }
  WritePlainBytes(clinic.work_tree / "plain.out", output_bytes, static_cast<char>(checksum));
  return Seconds(started);
}

}  // namespace

int main(int argc, char** argv) {
  int patients = 20000, visits = 100000;
  fs::path dir = fs::temp_directory_path() / "zuvo-chart-bench";
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--patients") && i + 1 < argc)
      patients = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--visits") && i + 1 < argc)
      visits = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
      dir = argv[++i];
    else if (!std::strcmp(argv[i], "--keep"))
      keep = true;
  }
  fs::remove_all(dir);
  auto generating = Clock::now();
  Clinic clinic = Generate(dir, patients, visits);
  std::printf("generated %d patients, %d visits in %.1f s\n", patients, visits,
              Seconds(generating));

  VisionChartInput input;
  input.folder = FolderFieldsOf(clinic, "展望", kClinicCode);
  input.chart.split_date = "1050101";
  Workplace place = WorkplaceOf(clinic);
  RunFlags flags;
  RecordingStepContext context(flags);
  auto converting = Clock::now();
  StepResult result = ConvertVisionCharts(input, place, context);
  const double conversion = Seconds(converting);
  const long peak_after_conversion = PeakRssMegabytes();
  uintmax_t chart_bytes = 0;
  for (const auto& [code, path] : ListChartFiles(clinic.store)) chart_bytes += fs::file_size(path);
  const double plain = PlainReadAndWrite(clinic, chart_bytes);
  std::printf("conversion %s: %.2f s, %.0f visits/s, %ju chart bytes, %zu listed lines\n",
              result == StepResult::kDone ? "done" : "stopped", conversion, visits / conversion,
              chart_bytes, context.lines().size());
  std::printf("plain read + write: %.2f s; conversion / plain = %.1f\n", plain, conversion / plain);
  std::printf("peak memory: %ld MB after generating and converting, %ld MB at the end\n",
              peak_after_conversion, PeakRssMegabytes());
  if (!keep) fs::remove_all(dir);
  return result == StepResult::kDone ? 0 : 1;
}
