// Chart-set maintenance benchmark: the merge of a past and a recent data set of one clinic, and
// the anonymiser on one clinic, so that the growth can be read off the sizes. Each set has N
// patients and 10 x N visits, each visit with a chart text, two diagnoses and one order line; the
// past set runs from 2015 to its split date 2021-01-01, the recent one from 2018 on. The sets are
// built in one child process and the step runs in another; a table row per step and size.
//   chart_maintenance_bench [--patients N ...] [--dir FOLDER] [--keep]   (default 10000 25000)
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "bench_sizes.h"
#include "bench_table.h"
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

void PrintRow(const char* step, const std::filesystem::path& folder, int patients, size_t visits,
              const StepFigures& figures) {
  PrintStepRow({"chart_maintenance", step, std::to_string(patients) + " patients",
                static_cast<long>(visits), "visit"},
               figures, folder / "plain.out");
}

void BuildMergeSets(const std::filesystem::path& folder, int patients) {
  testing::BuildChartSet(folder / "past",
                         Spec("past", "1100101", patients, Day(2015, 1, 1), Day(2021, 1, 1)));
  testing::BuildChartSet(folder / "recent",
                         Spec("recent", "1070101", patients, Day(2018, 1, 1), Day(2024, 1, 1)));
}

void Merge(const std::filesystem::path& folder, int patients) {
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
  StepMeter meter({folder});
  const StepResult merged = MergeChartSets(fields, place, context);
  const StepFigures figures = meter.Stop();
  if (merged != StepResult::kDone) throw std::runtime_error("the merge did not finish");
  PrintRow("merge", folder, patients, fields.merged.entries, figures);
}

void Anonymise(const std::filesystem::path& folder, int patients) {
  RunFlags flags;
  RecordingStepContext context(flags);
  StepMeter meter({folder});
  ClinicStoreAnonymisation input{testing::ChartSetStoreOf(folder, kCode), 1};
  const StepResult result = AnonymiseClinicStore(input, Workplace{}, context);
  const StepFigures figures = meter.Stop();
  if (result != StepResult::kDone) throw std::runtime_error("the anonymiser stopped");
  PrintRow("anonymise", folder, patients, input.outcome.visits, figures);
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "chart_maintenance_bench", {10000, 25000});
  PrintTableHeading();
  const int failures = RunEachSize(arguments, BuildMergeSets, Merge, "merge-") +
                       RunEachSize(
                           arguments,
                           [](const std::filesystem::path& folder, int patients) {
                             testing::BuildChartSet(folder, Spec("clinic", "", patients,
                                                                 Day(2015, 1, 1), Day(2024, 1, 1)));
                           },
                           Anonymise, "anonymise-");
  return failures == 0 ? 0 : 1;
}
