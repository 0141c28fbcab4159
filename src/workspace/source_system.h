#pragma once

// Which clinic system lives in a source folder.

#include <filesystem>
#include <string_view>

namespace zuvo {

enum class SourceSystem { kVision, kChangCheng, kRealSun, kUnknown };

// Probes, in this order, VISPARA.DBF, MAINDATA\BASICSET.DBF and S\TITLE.DBF below the folder
// (names in any letter case); the first that exists decides. An empty path is no folder.
SourceSystem RecogniseSourceSystem(const std::filesystem::path& source_folder);

// The system's name as the windows show it (UTF-8): "展望", "常誠", "耀聖", "不明系統".
std::string_view SourceSystemName(SourceSystem system);

// The identity tables of the systems, relative to the source folder.
inline constexpr std::string_view kVisionParameterTable = "VISPARA.DBF";
inline constexpr std::string_view kChangChengSettingsTable = "MAINDATA/BASICSET.DBF";
inline constexpr std::string_view kRealSunTitleTable = "S/TITLE.DBF";

}  // namespace zuvo
