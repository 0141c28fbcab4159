#include "core/store_location.h"

#include "platform/file_ops.h"

namespace zuvo {

std::filesystem::path FindWithoutCase(const std::filesystem::path& folder, std::string_view name) {
  return ResolvePath(folder, name).value_or(folder / name);
}

std::filesystem::path StoreLocation::ChartFolder() const {
  return FindWithoutCase(server_data_folder, "CHART");
}

std::filesystem::path StoreLocation::DayIndexPath() const {
  return FindWithoutCase(server_data_folder, "DayLink.Dat");
}

std::vector<std::filesystem::path> StoreLocation::ExistingFiles() const {
  std::vector<std::filesystem::path> files = ListByWildcard(server_data_folder, "PtData.*");
  for (const std::filesystem::path& path : {ChartFolder(), DayIndexPath(), patient_index_path}) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
      files.push_back(path);
    }
  }
  return files;
}

}  // namespace zuvo
