#include "core/store_location.h"

#include <system_error>

#include "platform/big5.h"

namespace zuvo {

std::filesystem::path FindWithoutCase(const std::filesystem::path& folder, std::string_view name) {
  std::filesystem::path exact = folder / name;
  std::error_code error;
  if (std::filesystem::exists(exact, error)) return exact;
  std::string wanted = big5::UpperAscii(name);
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (big5::UpperAscii(it->path().filename().string()) == wanted) return it->path();
  }
  return exact;
}

std::filesystem::path StoreLocation::ChartFolder() const {
  return FindWithoutCase(server_data_folder, "CHART");
}

std::filesystem::path StoreLocation::DayIndexPath() const {
  return FindWithoutCase(server_data_folder, "DayLink.Dat");
}

}  // namespace zuvo
