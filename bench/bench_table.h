#pragma once

// The one table every benchmark prints: a row per step and size with the step's processor
// seconds, microseconds per unit of work, peak resident memory, the bytes it read and wrote, and
// how it compares with a plain read of the same input bytes plus a plain write of the same
// number of output bytes, measured in the same run. The rows are Markdown table rows, so that
// bench/run_all can gather the rows of every benchmark into one table.

#include <filesystem>
#include <string>

#include "step_meter.h"

namespace zuvo::bench {

struct TableRow {
  std::string bench;  // the benchmark, with its variant ("one_shot vision")
  std::string step;   // the step measured
  std::string size;   // the size it ran at ("5000 patients")
  long units = 0;     // units of work the step did, for the microseconds per unit
  std::string unit;   // what a unit is ("visit", "claim", "patient")
};

// Processor seconds of a plain read of every file `figures` read (each once, whole, with read())
// plus a plain write() of figures.written_bytes into `scratch` (removed again): the fastest of
// at least three rounds, more while they fill less than a quarter of a processor second (at most
// 20), so that a machine busy with other work (page reclaim charged to this process) counts as
// little as it can.
double PlainCpuSeconds(const StepFigures& figures, const std::filesystem::path& scratch);

// The heading of the table; a benchmark prints it once, before its first row.
void PrintTableHeading();

// The row of a step: `figures`, compared with its plain read and write (PlainCpuSeconds into
// `scratch`). Flushes stdout, so that rows of child processes come out in order.
void PrintStepRow(const TableRow& row, const StepFigures& figures,
                  const std::filesystem::path& scratch);

}  // namespace zuvo::bench
