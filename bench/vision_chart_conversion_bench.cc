// Vision chart conversion benchmark: builds a clinic of N patients and five visits each (four
// order lines and one complaint each, the pre-pass files written with the pre-pass's own writers)
// in one child process and converts it in another: a table row per size.
//   vision_chart_conversion_bench [--patients N ...] [--dir FOLDER] [--keep]
// Without --patients it runs 5,000 and 20,000 patients.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "app/program_folder.h"
#include "bench_clinic.h"
#include "bench_sizes.h"
#include "bench_table.h"
#include "charts/vision_charts_step.h"
#include "charts/vision_prepass_files.h"
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
constexpr int kVisitsPerPatient = 5;

using Clinic = BenchClinic;

// Visits spread over 2016..2021 in table (date) order; visit v belongs to patient v % N + 1.
void Generate(const fs::path& root, int patients, int visits) {
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
}

void Convert(const fs::path& dir, int patients) {
  const Clinic clinic = BenchClinicAt(dir, kVisionArea, kClinicCode);
  VisionChartInput input;
  input.folder = FolderFieldsOf(clinic, "展望", kClinicCode);
  input.chart.split_date = "1050101";
  Workplace place = WorkplaceOf(clinic);
  RunFlags flags;
  RecordingStepContext context(flags);
  StepMeter meter({dir});
  const StepResult result = ConvertVisionCharts(input, place, context);
  const StepFigures figures = meter.Stop();
  if (result != StepResult::kDone) throw std::runtime_error("the conversion stopped");
  PrintStepRow({"vision_chart_conversion", "charts", std::to_string(patients) + " patients",
                patients * kVisitsPerPatient, "visit"},
               figures, dir / "plain.out");
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "vision_chart_conversion_bench", {5000, 20000});
  PrintTableHeading();
  const int failures = RunEachSize(
      arguments,
      [](const fs::path& dir, int patients) {
        Generate(dir, patients, patients * kVisitsPerPatient);
      },
      Convert);
  return failures == 0 ? 0 : 1;
}
