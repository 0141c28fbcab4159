// Chart-set maintenance benchmark: the merge of a past and a recent data set of one clinic, and
// the anonymiser on one clinic, each at two sizes so that the growth can be read off. Each set
// has N patients and 10 x N visits, each visit with a chart text, two diagnoses and one order
// line; the past set runs from 2015 to its split date 2021-01-01, the recent one from 2018 on.
// Prints seconds, processor seconds and the peak resident memory of each run (Linux).
//   chart_maintenance_bench [--merge-patients N ...] [--anonymise-patients N ...] [--dir FOLDER]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "core/chart_fixture.h"
#include "maintenance/anonymise_clinic.h"
#include "maintenance/chart_merge.h"
#include "support/chart_set_builder.h"
#include "support/recording_step_context.h"

namespace {

using namespace zuvo;
using namespace zuvo::bench;

constexpr char kCode[] = "3501200000";
constexpr int kVisitsPerPatient = 10;

double Day(int year, int month, int day) { return *EncodeDate(year, month, day); }

// N patients with Big5 names, IDs and phones, and 10 x N visits spread evenly over [from, to).
testing::ChartSetSpec Spec(const std::string& tag, const std::string& split, int patients,
                           double from, double to) {
  testing::ChartSetSpec spec;
  spec.code = kCode;
  spec.tag = tag;
  spec.split_date = split;
  spec.opening = from;
  spec.last_day = to;
  std::mt19937 random(static_cast<uint32_t>(patients));
  const std::string surnames = big5::FromUtf8("王陳林張李黃吳劉蔡楊");
  const std::string given = big5::FromUtf8("小大明文美玲志豪家宏");
  for (int32_t number = 1; number <= patients; ++number) {
    PatientRecord record = testing::NumberedPatient(number);
    std::string name = surnames.substr(random() % 10 * 2, 2) + given.substr(random() % 10 * 2, 2) +
                       given.substr(random() % 10 * 2, 2);
    record.Set(patient_field::kName, name);
    record.Set(patient_field::kNationalId, "A1" + std::to_string(10'000'000 + number));
    record.Set(patient_field::kTelephone, "04-" + std::to_string(20'000'000 + number));
    spec.patients.push_back(record);
    spec.notes.push_back(number % 10 == 0 ? std::string(150, 'n') : "<NB>note</NB>");
  }
  spec.write_more = [=](FreshChartStoreWriter& writer) mutable {
    const int visits = patients * kVisitsPerPatient;
    for (int visit = 0; visit < visits; ++visit) {
      double when = from + (to - from) * visit / visits + 0.4;
      ChartEntry entry = testing::Visit(static_cast<int32_t>(random() % patients) + 1, when);
      entry.chart_text = big5::FromUtf8("咳嗽三天,流鼻水,喉嚨痛");
      entry.visit.Set(visit_field::kDoctorName, big5::FromUtf8("王大明"));
      entry.visit.Set(visit_field::kDoctorId, "A123456789");
      writer.Write(entry);
    }
  };
  return spec;
}

struct Measure {
  Clock::time_point wall = Clock::now();
  double cpu = CpuSeconds();
  long peak_before = TakePeakKilobytes();
  void Print(const char* what, int patients, size_t entries) const {
    std::printf("%-10s patients %7d  entries %8zu  seconds %7.2f  cpu %7.2f  peak MB %6ld\n", what,
                patients, entries, Seconds(wall), CpuSeconds() - cpu, TakePeakKilobytes() / 1024);
  }
};

void BenchMerge(const std::filesystem::path& base, int patients) {
  const std::filesystem::path folder = base / ("merge-" + std::to_string(patients));
  std::filesystem::remove_all(folder);
  testing::BuildChartSet(folder / "past",
                         Spec("past", "1100101", patients, Day(2015, 1, 1), Day(2021, 1, 1)));
  testing::BuildChartSet(folder / "recent",
                         Spec("recent", "1070101", patients, Day(2018, 1, 1), Day(2024, 1, 1)));
  RunFlags flags;
  RecordingStepContext context(flags);
  ChartMergeFields fields;
  fields.recent.folder = folder / "recent";
  fields.past.folder = folder / "past";
  ReadChartSetSettings(fields.recent);
  ReadChartSetSettings(fields.past);
  Workplace place;
  place.program_folder = folder / "home";
  place.now = Now();
  Measure measure;
  if (MergeChartSets(fields, place, context) != StepResult::kDone) std::exit(1);
  const ChartMergeCounts& outcome = fields.merged;
  measure.Print("merge", patients, outcome.entries);
  std::filesystem::remove_all(folder);
}

void BenchAnonymise(const std::filesystem::path& base, int patients) {
  const std::filesystem::path folder = base / ("anonymise-" + std::to_string(patients));
  std::filesystem::remove_all(folder);
  testing::BuildChartSet(folder, Spec("clinic", "", patients, Day(2015, 1, 1), Day(2024, 1, 1)));
  RunFlags flags;
  RecordingStepContext context(flags);
  Measure measure;
  AnonymiseOutcome outcome =
      AnonymiseClinicStore(testing::ChartSetStoreOf(folder, kCode), 1, context);
  if (outcome.result != StepResult::kDone) std::exit(1);
  measure.Print("anonymise", patients, outcome.visits);
  std::filesystem::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> merge_sizes, anonymise_sizes;
  std::filesystem::path base = std::filesystem::temp_directory_path() / "chart_maintenance_bench";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--merge-patients") == 0 && i + 1 < argc) {
      merge_sizes.push_back(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--anonymise-patients") == 0 && i + 1 < argc) {
      anonymise_sizes.push_back(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
      base = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: %s [--merge-patients N ...] [--anonymise-patients N ...] [--dir F]\n",
                   argv[0]);
      return 64;
    }
  }
  if (merge_sizes.empty() && anonymise_sizes.empty()) {
    merge_sizes = {10'000, 20'000};
    anonymise_sizes = {25'000, 50'000};
  }
  for (int patients : merge_sizes) BenchMerge(base, patients);
  for (int patients : anonymise_sizes) BenchAnonymise(base, patients);
  return 0;
}
