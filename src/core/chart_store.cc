#include "core/chart_store.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include "platform/file_ops.h"

namespace zuvo {

std::string ChartFileName(int32_t file_code) {
  unsigned code = static_cast<unsigned>(file_code) & 0xFFFFu;
  char name[32];
  std::snprintf(name, sizeof name, "D000%03u.%03u", code >> 8, code & 0xFFu);
  return name;
}

std::optional<int32_t> ChartFileCodeOf(std::string_view file_name) {
  // D000hhh.lll
  if (file_name.size() != 11 || (file_name[0] != 'D' && file_name[0] != 'd') ||
      file_name.substr(1, 3) != "000" || file_name[7] != '.') {
    return std::nullopt;
  }
  std::string_view high = file_name.substr(4, 3);
  std::string_view low = file_name.substr(8, 3);
  for (std::string_view digits : {high, low}) {
    if (digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  }
  int high_value = std::stoi(std::string(high));
  int low_value = std::stoi(std::string(low));
  if (high_value > 255 || low_value > 255) return std::nullopt;
  return high_value * 256 + low_value;
}

std::map<int32_t, std::filesystem::path> ListChartFiles(const StoreLocation& store) {
  std::map<int32_t, std::filesystem::path> files;
  for (const std::filesystem::path& path : ListByWildcard(store.ChartFolder(), "D000???.???")) {
    std::optional<int32_t> code = ChartFileCodeOf(path.filename().string());
    std::error_code error;
    if (code && std::filesystem::is_regular_file(path, error)) files.emplace(*code, path);
  }
  return files;
}

std::filesystem::path ChartFilePath(const StoreLocation& store, int32_t file_code) {
  return FindWithoutCase(store.ChartFolder(), ChartFileName(file_code));
}

int32_t RoundHalfUp(double x) {
  if (std::isnan(x)) return 0;
  double whole = std::trunc(x);
  // The fraction keeps the sign of x, so negative values are always truncated. A written
  // 2.49999 is stored as 2.4999899999..., so the threshold allows for the representation error
  // of x.
  double tolerance = std::max(1e-12, std::fabs(x) * 4 * std::numeric_limits<double>::epsilon());
  double rounded = x - whole < 0.49999 - tolerance ? whole : whole + 1;
  if (rounded >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  if (rounded <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(rounded);
}

}  // namespace zuvo
