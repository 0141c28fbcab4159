#pragma once

// The chart store's files and small shared routines: chart file names and the rounding of point
// totals. Chart files lie in CHART/ of the server data folder; a file is named by a 16-bit file
// code, D000 + high byte + "." + low byte (three digits each).

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "core/store_location.h"

namespace zuvo {

inline constexpr int32_t kHighestChartFileCode = 0xFFFF;

// "D000001.000" for file code 256; only the low 16 bits of the code count.
std::string ChartFileName(int32_t file_code);
// The file code named by a chart file name ("d000001.000" gives 256); empty for other names.
std::optional<int32_t> ChartFileCodeOf(std::string_view file_name);
// The chart files of the store by file code.
std::map<int32_t, std::filesystem::path> ListChartFiles(const StoreLocation& store);
// The chart file of `file_code` in the store's chart folder (an existing file whose name differs
// only in letter case is found).
std::filesystem::path ChartFilePath(const StoreLocation& store, int32_t file_code);

// trunc(x) when x - trunc(x) is below 0.49999, else trunc(x) + 1 (negative values are truncated).
// Values outside the int32 range are clamped, NaN gives 0.
int32_t RoundHalfUp(double x);

}  // namespace zuvo
