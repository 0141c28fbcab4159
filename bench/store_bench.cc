// Store benchmark: writes a patient store and a chart store through the engine, walks every
// patient chain and every day, and compares the chart writer with plain fwrite of the same
// bytes.
//   store_bench [--patients N] [--entries M] [--dir FOLDER] [--keep] [--write-only]
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench_timing.h"
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

// Seconds to write `total` bytes as copies of `chunk` with plain fwrite; the file is removed.
double PlainFwrite(const std::filesystem::path& path, const std::string& chunk, uint64_t total) {
  auto start = Clock::now();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::exit(1);
  for (uint64_t written = 0; written < total;) {
    size_t size = static_cast<size_t>(std::min<uint64_t>(chunk.size(), total - written));
    if (std::fwrite(chunk.data(), 1, size, file) != size) std::exit(1);
    written += size;
  }
  if (std::fclose(file) != 0) std::exit(1);
  double seconds = Seconds(start);
  std::filesystem::remove(path);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int32_t patients = 50'000;
  int32_t entries = 1'000'000;
  std::filesystem::path root = std::filesystem::temp_directory_path() / "zuvo-store-bench";
  bool keep = false;
  bool write_only = false;  // leave out the walks and verify
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "--patients" && i + 1 < argc) {
      patients = std::stoi(argv[++i]);
    } else if (word == "--entries" && i + 1 < argc) {
      entries = std::stoi(argv[++i]);
    } else if (word == "--dir" && i + 1 < argc) {
      root = argv[++i];
    } else if (word == "--keep") {
      keep = true;
    } else if (word == "--write-only") {
      write_only = true;
    } else {
      std::fprintf(
          stderr,
          "usage: store_bench [--patients N] [--entries M] [--dir D] [--keep] [--write-only]\n");
      return 64;
    }
  }
  std::filesystem::remove_all(root);
  std::filesystem::path folder = root / "Tolsern" / "3501010101";
  std::filesystem::create_directories(folder);
  StoreLocation store{folder, root / "Tolsern" / "PTdata.ind"};

  auto start = Clock::now();
  for (int32_t number = 1; number <= patients; ++number) {
    PatientRecord record;
    record.Set(patient_field::kNumber, number);
    record.Set(patient_field::kNationalId, "A" + std::to_string(100000000 + number));
    record.Set(patient_field::kPaymentClass, '3');
    WritePatient(store, record, "<TO>note</TO>");
  }
  double patient_seconds = Seconds(start);

  std::string encoded;
  EncodeChartEntry(TemplateEntry(), encoded);
  // The writer's files come to about entries x entry size.
  sync();
  double fwrite_before =
      PlainFwrite(root / "plain.bin", encoded, uint64_t(entries) * encoded.size());

  const double first_day = 40000;  // 2009-07-06
  const double days = 3650;
  ChartEntry entry = TemplateEntry();
  sync();
  start = Clock::now();
  FreshChartStoreWriter writer(store, {6, first_day, first_day + days});
  for (int32_t i = 0; i < entries; ++i) {
    int32_t patient = int32_t((int64_t{i} * 7919) % patients) + 1;
    double visit = first_day + 1 + days * i / entries + 0.375;
    entry.visit.Set(visit_field::kPatientNumber, patient);
    entry.visit.Set(visit_field::kVisitDateTime, visit);
    entry.visit.Set(visit_field::kVisitFlags, kVisitFlagsBase);
    writer.Write(entry);
  }
  ChartPosition end = writer.append_point();
  writer.Finish();
  double write_seconds = Seconds(start);

  uint64_t chart_bytes = 0;
  size_t chart_files = 0;
  for (const auto& [code, path] : ListChartFiles(store)) {
    chart_bytes += std::filesystem::file_size(path);
    ++chart_files;
  }

  // The same bytes with plain fwrite, one entry-sized write at a time, into one file, before and
  // after the writer. Every timed write starts with no dirty pages (sync), so that neither pays
  // for flushing the other's data.
  sync();
  double fwrite_after = PlainFwrite(root / "plain.bin", encoded, chart_bytes);
  double fwrite_seconds = (fwrite_before + fwrite_after) / 2;
  if (write_only) {
    std::printf("chart entries written: %d in %.2f s; plain fwrite %.2f s / %.2f s; ratio %.2f\n",
                entries, write_seconds, fwrite_before, fwrite_after,
                write_seconds / fwrite_seconds);
    if (!keep) std::filesystem::remove_all(root);
    return 0;
  }
  start = Clock::now();
  size_t walked = 0;
  {
    ChartFileSet files(store);
    for (int32_t number = 1; number <= patients; ++number) {
      PatientRecord record;
      if (!ReadPatient(store, number, record)) continue;
      ChartPosition head{record.Get(patient_field::kChartFileCode),
                         record.Get(patient_field::kChartOffset)};
      walked += WalkChain(files, head, ChainKind::kPatient, EntryDetail::kFraming, {}).entries;
    }
  }
  double patient_walk_seconds = Seconds(start);

  start = Clock::now();
  size_t walked_days = 0;
  {
    ChartFileSet files(store);
    DayIndex index = LoadDayIndex(store);
    for (size_t k = 1; k < index.size(); ++k) {
      walked_days +=
          WalkChain(files, index.record(k).newest, ChainKind::kDay, EntryDetail::kFraming, {})
              .entries;
    }
  }
  double day_walk_seconds = Seconds(start);

  start = Clock::now();
  StoreVerifyReport report = VerifyStore(store);
  double verify_seconds = Seconds(start);

  std::printf("patients written:      %d in %.2f s (%.0f/s)\n", patients, patient_seconds,
              patients / patient_seconds);
  std::printf(
      "chart entries written: %d in %.2f s (%.0f entries/s), %zu files, %.1f MB, "
      "append point (%d, %d)\n",
      entries, write_seconds, entries / write_seconds, chart_files, chart_bytes / 1e6,
      end.file_code, end.offset);
  std::printf(
      "plain fwrite of the same bytes: %.2f s before, %.2f s after the writer; "
      "writer / fwrite (mean) time = %.2f\n",
      fwrite_before, fwrite_after, write_seconds / fwrite_seconds);
  std::printf("patient chains walked: %zu entries in %.2f s (%.0f entries/s)\n", walked,
              patient_walk_seconds, walked / patient_walk_seconds);
  std::printf("day chains walked:     %zu entries in %.2f s (%.0f entries/s)\n", walked_days,
              day_walk_seconds, walked_days / day_walk_seconds);
  std::printf("verify:                %s, %zu findings in %.2f s\n",
              report.clean() ? "clean" : "NOT CLEAN", report.findings.size(), verify_seconds);
  std::printf("peak resident memory:  %ld MB\n", PeakRssMegabytes());
  if (!keep) std::filesystem::remove_all(root);
  return report.clean() && walked == size_t(entries) && walked_days == size_t(entries) ? 0 : 1;
}
