#pragma once

// The Vision window's fields that the visit pre-pass and the chart conversion read. Texts are
// Big5; dates are ROC yyymmdd texts as typed.

#include <filesystem>
#include <string>

#include "workspace/split_date.h"

namespace zuvo {

struct VisionChartInput {
  std::string his;                      // CVISWHIS, must read "展望"
  std::filesystem::path source_folder;  // CVISWdir
  std::filesystem::path work_tree;      // CVISWqmxDir
  std::string clinic_id;                // CVISWclinicID
  std::string start_date;               // CstartDate (opening date), may be empty
  // CVISWsplitDate; an empty field is filled with tomorrow's ROC date by the split-date check
  // and written back here.
  std::string split_date;
  MakeDateMode mode = MakeDateMode::kOnAndAfter;  // CmakeDateMode
  int file_size = 6;            // CfileSize, million bytes per chart file (1–12)
  std::string pharmacist_name;  // CVISWPharmacistName
  std::string pharmacist_id;    // CVISWPharmacistID
  // True inside the one-shot conversion: the closing message box is not shown.
  bool one_shot = false;
};

// What a step sets on the window when it ends normally (the check boxes it ticks).
struct VisionChartOutcome {
  bool make_mx_checked = false;       // CVISWmakeMXcheck
  bool read_chart_checked = false;    // CreadWishChartcheck
  bool corvix_chart_checked = false;  // CVISWdoCorvixChartcheck
};

}  // namespace zuvo
