#pragma once

// Checks a server data folder (patient files, chart files, day index) and lists what is wrong.
// It only reads; damaged files are reported, never followed out of bounds or around in circles.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/store_location.h"

namespace zuvo {

struct StoreFinding {
  std::string where;    // "PtData.000 slot 5", "D000000.000 offset 1", "DayLink.Dat day 2018-03-26"
  std::string problem;  // UTF-8, one line
};

struct StoreVerifyReport {
  size_t patient_files = 0;
  size_t patients = 0;  // valid records
  size_t chart_files = 0;
  size_t entries = 0;          // well-formed entries found by scanning the chart files
  size_t chained_entries = 0;  // entries reached through the patients' chains
  size_t day_entries = 0;      // entries counted by the day index
  std::vector<StoreFinding> findings;
  bool clean() const { return findings.empty(); }
};

// The problem reported for a folder that holds no store at all.
inline constexpr std::string_view kNoStoreProblem = "no store";

// True when the folder holds a file of a store: a patient file PtData.NNN, a chart file
// CHART/D000hhh.lll or the day index DayLink.Dat (names in any letter case). A folder without
// one is no store, whatever else it holds.
bool HoldsStoreFiles(const StoreLocation& store);

// Checks that:
// - the folder holds a store: a patient file, a chart file or a day index (else kNoStoreProblem);
// - every valid patient record's checksum matches and its long note lies inside its file;
// - every chart file is a run of well-formed entries (header, visit record, known blocks with
//   lengths inside the file, end tag) whose header and visit record agree;
// - every patient's chain walks to (0, 0) without a cycle, through entry starts inside existing
//   files, each entry's header naming that patient;
// - every day record's count equals the entries of its day chain, each lying on that day;
// - the append point lies at or after the end of the last entry;
// - the day index counts as many entries as the patients' chains hold.
StoreVerifyReport VerifyStore(const StoreLocation& store);

}  // namespace zuvo
