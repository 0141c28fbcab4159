#pragma once

// Converted work trees for the apply tests, written with the engine's own writers: `patients`
// patients numbered from 1, each with `visits` visits whose chart texts are `text_bytes` long,
// in chart files of `file_size_millions` million bytes.

#include <filesystem>
#include <string>

#include "core/chart_fixture.h"
#include "core/chart_writer.h"
#include "workspace/conversion_guard.h"

namespace zuvo::testing {

inline StoreLocation StoreOf(const std::filesystem::path& tree, const std::string& clinic) {
  return {tree / "Tolsern" / clinic, tree / "Tolsern" / "PTdata.ind"};
}

inline void BuildStore(const StoreLocation& store, int patients, int visits, size_t text_bytes,
                       int file_size_millions) {
  std::filesystem::create_directories(store.server_data_folder);
  for (int patient = 1; patient <= patients; ++patient) WritePatients(store, {patient});
  constexpr double kOpening = 43000;
  FreshChartStoreWriter writer(store, {file_size_millions, kOpening, kOpening + 400});
  for (int visit = 0; visit < visits; ++visit) {
    for (int patient = 1; patient <= patients; ++patient) {
      ChartEntry entry = Visit(patient, kOpening + 1 + visit + patient / 100.0);
      entry.chart_text = std::string(text_bytes, static_cast<char>('a' + patient % 26));
      writer.Write(entry);
    }
  }
  writer.Finish();
}

// Records in `work_tree` that a run of it completed, as the one-shot run does.
inline void RecordFinishedRun(const std::filesystem::path& work_tree) {
  ConversionGuard run(work_tree, "vision run", SourceSystem::kVision, {}, [] { return 46000.0; });
  run.Finish(true, {});
}

}  // namespace zuvo::testing
