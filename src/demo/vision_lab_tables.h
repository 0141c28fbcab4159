#pragma once

// The lab results table CO18H.DBF of the Vision demo clinic, written after its visit tables,
// whose visits it reads: results fall on the days of visits, so that the lab import finds them.
//
// The demo form is made of the rows that exercise the import's rules: for the first health
// check of the demo, values that go straight into the health-check form, values shared with it
// (and converted: urine protein, hepatitis B and C), a value put beside its companion field,
// stand-alone values with and without a warning and with a clinic-defined item code, unknown
// items, panel and age rows, another patient's row splitting the patient's rows of that day, an
// unrecognised urine-protein value, and a result without visits in its window. The scale form
// writes `rows_per_visit` results on the day of every visit, for benchmarks.

#include <filesystem>

namespace zuvo::demo {

struct LabTableOptions {
  bool scale = false;
  int rows_per_visit = 4;
};

// Writes CO18H.DBF into `folder`, which holds CO03L.DBF and CO02P.DBF. Returns the rows written.
long WriteVisionLabTable(const std::filesystem::path& folder, const LabTableOptions& options = {});

}  // namespace zuvo::demo
