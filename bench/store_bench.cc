// Store benchmark: writes a patient store of N patients and a chart store of 20 x N entries
// through the engine, walks every patient chain and every day, and verifies the store: a table
// row per step and size.
//   store_bench [--patients N ...] [--dir FOLDER] [--keep]   (default 5000 50000)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_sizes.h"
#include "bench_table.h"
#include "core/chart_reader.h"
#include "core/chart_store.h"
#include "core/chart_writer.h"
#include "core/day_index.h"
#include "core/patient_store.h"
#include "core/store_verify.h"
#include "platform/big5.h"

namespace {

using namespace zuvo::bench;

using namespace zuvo;

// A realistic visit: header, visit record, a short complaint, two diagnoses, four order lines.
ChartEntry TemplateEntry() {
  ChartEntry entry;
  VisitRecord& visit = entry.visit;
  visit.Set(visit_field::kCardSequence, "0001");
  visit.Set(visit_field::kZeroSequence, "0000");
  visit.Set(visit_field::kDoctorName, big5::FromUtf8("王大明"));
  visit.Set(visit_field::kDoctorId, "A123456789");
  visit.Set(visit_field::kPaymentClass, '3');
  visit.Set(visit_field::kCopayCode, "D10");
  visit.Set(visit_field::kVisitFlags, kVisitFlagsBase);
  visit.Set(visit_field::kRegistrationFee, int16_t{100});
  visit.Set(visit_field::kCopayAmount, int16_t{50});
  visit.Set(visit_field::kCaseType, "01");
  visit.Set(visit_field::kDrugDays, int16_t{3});
  entry.chart_text = big5::FromUtf8("咳嗽三天,流鼻水,喉嚨痛");
  for (const char* code : {"J00", "R05"}) {
    DiagnosisRecord diagnosis;
    diagnosis.Set(diagnosis_field::kCode, code);
    diagnosis.Set(diagnosis_field::kName, big5::FromUtf8("急性鼻咽炎"));
    diagnosis.Set(diagnosis_field::kSourceMark, int16_t{6});
    entry.diagnoses.push_back(diagnosis);
  }
  for (const char* code : {"A000000100", "A000000200", "B000000300", "00101B"}) {
    OrderLine line;
    line.record.Set(order_field::kInsuranceCode, code);
    line.record.Set(order_field::kName, "MEDICINE 500MG");
    line.record.Set(order_field::kDoseTimes100, int16_t{100});
    line.record.Set(order_field::kDoseUnit, "tab");
    line.record.Set(order_field::kFrequencyRate, 3000.0f);
    line.record.Set(order_field::kFrequencyText, "TID");
    line.record.Set(order_field::kRoute, "PO");
    line.record.Set(order_field::kDays, int16_t{3});
    line.record.Set(order_field::kTotalQuantity, 9.0f);
    line.record.Set(order_field::kUnitPrice, 2.5f);
    entry.orders.push_back(line);
  }
  return entry;
}

constexpr int32_t kEntriesPerPatient = 20;

// Runs the steps on a store of `patients` in `root`; false when a walk or the verify disagrees.
bool Run(const std::filesystem::path& root, int32_t patients) {
  const int32_t entries = patients * kEntriesPerPatient;
  std::filesystem::path folder = root / "Tolsern" / "3501010101";
  std::filesystem::create_directories(folder);
  StoreLocation store{folder, root / "Tolsern" / "PTdata.ind"};
  const std::string size = std::to_string(patients) + " patients";
  const auto row = [&](const char* step, long units, const char* unit, StepMeter& meter) {
    PrintStepRow({"store", step, size, units, unit}, meter.Stop(), root / "plain.out");
  };

  {
    StepMeter meter({root});
    for (int32_t number = 1; number <= patients; ++number) {
      PatientRecord record;
      record.Set(patient_field::kNumber, number);
      record.Set(patient_field::kNationalId, "A" + std::to_string(100000000 + number));
      record.Set(patient_field::kPaymentClass, '3');
      WritePatient(store, record, "<TO>note</TO>");
    }
    row("write patients", patients, "patient", meter);
  }
  {
    const double first_day = 40000;  // 2009-07-06
    const double days = 3650;
    ChartEntry entry = TemplateEntry();
    StepMeter meter({root});
    FreshChartStoreWriter writer(store, {6, first_day, first_day + days});
    for (int32_t i = 0; i < entries; ++i) {
      int32_t patient = int32_t((int64_t{i} * 7919) % patients) + 1;
      double visit = first_day + 1 + days * i / entries + 0.375;
      entry.visit.Set(visit_field::kPatientNumber, patient);
      entry.visit.Set(visit_field::kVisitDateTime, visit);
      entry.visit.Set(visit_field::kVisitFlags, kVisitFlagsBase);
      writer.Write(entry);
    }
    writer.Finish();
    row("write charts", entries, "entry", meter);
  }
  size_t walked = 0;
  {
    StepMeter meter({root});
    ChartFileSet files(store);
    for (int32_t number = 1; number <= patients; ++number) {
      PatientRecord record;
      if (!ReadPatient(store, number, record)) continue;
      ChartPosition head{record.Get(patient_field::kChartFileCode),
                         record.Get(patient_field::kChartOffset)};
      walked += WalkChain(files, head, ChainKind::kPatient, EntryDetail::kFraming, {}).entries;
    }
    row("walk patient chains", entries, "entry", meter);
  }
  size_t walked_days = 0;
  {
    StepMeter meter({root});
    ChartFileSet files(store);
    DayIndex index = LoadDayIndex(store);
    for (size_t k = 1; k < index.size(); ++k) {
      walked_days +=
          WalkChain(files, index.record(k).newest, ChainKind::kDay, EntryDetail::kFraming, {})
              .entries;
    }
    row("walk days", entries, "entry", meter);
  }
  StepMeter meter({root});
  const StoreVerifyReport report = VerifyStore(store);
  row("verify", entries, "entry", meter);
  std::printf("  walked %zu entries by patient, %zu by day; verify %s (%zu findings)\n", walked,
              walked_days, report.clean() ? "clean" : "NOT CLEAN", report.findings.size());
  return report.clean() && walked == size_t(entries) && walked_days == size_t(entries);
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments = ParseSizesAndFolder(argc, argv, "store_bench", {5000, 50000});
  PrintTableHeading();
  const int failures = RunEachSize(
      arguments, [](const std::filesystem::path&, int) {},
      [](const std::filesystem::path& root, int patients) {
        if (!Run(root, patients)) std::exit(1);
      });
  return failures == 0 ? 0 : 1;
}
