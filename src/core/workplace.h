#pragma once

// Where and when a step works: the program folder with its delivered files, and the moment
// that dates the run (the steps never read the wall clock themselves).

#include <array>
#include <filesystem>
#include <functional>

#include "core/roc_date.h"

namespace zuvo {

struct Workplace {
  std::filesystem::path program_folder;
  // The moment the step (or the one-shot run) started: it dates what the step writes, and its
  // ROC date names a new work tree.
  DateTime now = 0;
  // Folders standing for the drives C:, D: and E: of the HIS search (empty: not probed).
  std::array<std::filesystem::path, 3> drive_roots;
  // The run's clock, read for the "end time" lines and the elapsed time.
  std::function<DateTime()> clock = Now;
};

}  // namespace zuvo
