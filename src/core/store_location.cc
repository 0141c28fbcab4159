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

}  // namespace zuvo
