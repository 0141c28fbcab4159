// Patient index benchmark: builds PTdata.ind from stores of N patients whose names come from ten
// common surnames and ten given-name characters (so that a few name buckets hold most patients,
// as at a real clinic), with IDs, telephones and birthdays spread over their buckets. Each store
// is written and indexed in a child process of its own; the index's size and FNV-1a hash follow
// its row, so that two builds can be compared byte for byte.
//   patient_index_bench [--patients N ...] [--dir FOLDER] [--keep]
// Without --patients it runs 25,000, 50,000 and 100,000 patients.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "bench_sizes.h"
#include "bench_table.h"
#include "core/patient_index.h"
#include "core/patient_store.h"
#include "core/roc_date.h"
#include "platform/big5.h"
#include "platform/file_ops.h"

namespace {

using namespace zuvo;
using namespace zuvo::bench;
namespace fs = std::filesystem;

void WriteStore(const StoreLocation& store, int patients) {
  CreateFolders(store.server_data_folder);
  std::mt19937 random(20261209);
  const std::string surnames = big5::FromUtf8("王陳林張李黃吳劉蔡楊");
  const std::string given = big5::FromUtf8("小大明文美玲志豪家宏");
  const double first_birthday = *EncodeDate(1940, 1, 1);
  for (int32_t number = 1; number <= patients; ++number) {
    PatientRecord record;
    record.Set(patient_field::kNumber, number);
    record.Set(patient_field::kName, surnames.substr(random() % 10 * 2, 2) +
                                         given.substr(random() % 10 * 2, 2) +
                                         given.substr(random() % 10 * 2, 2));
    record.Set(patient_field::kNationalId,
               "A1" + std::to_string(10'000'000 + random() % 90'000'000));
    record.Set(patient_field::kTelephone,
               "04-" + std::to_string(20'000'000 + random() % 9'000'000));
    record.Set(patient_field::kBirthday, first_birthday + random() % 30'000);
    WritePatient(store, record, "");
  }
}

uint64_t Fnv1a(std::string_view bytes) {
  uint64_t hash = 14695981039346656037u;
  for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211u;
  return hash;
}

StoreLocation StoreIn(const fs::path& folder) {
  return {folder / "Tolsern" / "3501200000", folder / "Tolsern" / "PTdata.ind"};
}

void Index(const fs::path& folder, int patients) {
  const StoreLocation store = StoreIn(folder);
  StepMeter meter({folder});
  BuildPatientIndex(store, [](const std::string& line) { std::printf("%s\n", line.c_str()); });
  const StepFigures figures = meter.Stop();
  PrintStepRow(
      {"patient_index", "build index", std::to_string(patients) + " patients", patients, "patient"},
      figures, folder / "plain.out");
  const std::string index = ReadWholeFile(store.patient_index_path);
  std::printf("  PTdata.ind of %d patients: %zu bytes, FNV-1a %016llx\n", patients, index.size(),
              static_cast<unsigned long long>(Fnv1a(index)));
}

}  // namespace

int main(int argc, char** argv) {
  const SizesAndFolder arguments =
      ParseSizesAndFolder(argc, argv, "patient_index_bench", {25000, 50000, 100000});
  PrintTableHeading();
  const int failures = RunEachSize(
      arguments,
      [](const fs::path& folder, int patients) { WriteStore(StoreIn(folder), patients); }, Index);
  return failures == 0 ? 0 : 1;
}
