#pragma once

// Where the patient store and the chart store of one clinic lie: the server data folder
// (work tree + "Tolsern/" + clinic code) and the patient index file (work tree +
// "Tolsern/PTdata.ind"). A step fills one StoreLocation and hands it to every store routine it
// calls; nothing else holds these paths.

#include <filesystem>
#include <string_view>
#include <vector>

namespace zuvo {

struct StoreLocation {
  std::filesystem::path server_data_folder;
  std::filesystem::path patient_index_path;

  // The chart files' folder (CHART, or an existing folder of that name in any letter case).
  std::filesystem::path ChartFolder() const;
  // The day index DayLink.Dat (an existing file of that name in any letter case wins).
  std::filesystem::path DayIndexPath() const;
  // The files and folders of the store that exist: the patient files PtData.*, the chart
  // folder, the day index and the patient index. Replacing a store means replacing all of them,
  // so that nothing of the old one is taken for part of the new one.
  std::vector<std::filesystem::path> ExistingFiles() const;
};

// `folder` / `name`, where an existing entry whose name matches `name` without regard to ASCII
// letter case is preferred (the stores come from Windows). `folder` / `name` when none exists.
std::filesystem::path FindWithoutCase(const std::filesystem::path& folder, std::string_view name);

}  // namespace zuvo
