#include "workspace/source_system.h"

#include "platform/file_ops.h"

namespace zuvo {

SourceSystem RecogniseSourceSystem(const std::filesystem::path& source_folder) {
  if (source_folder.empty()) return SourceSystem::kUnknown;
  if (ResolvePath(source_folder, kVisionParameterTable)) return SourceSystem::kVision;
  if (ResolvePath(source_folder, kChangChengSettingsTable)) return SourceSystem::kChangCheng;
  if (ResolvePath(source_folder, kRealSunTitleTable)) return SourceSystem::kRealSun;
  return SourceSystem::kUnknown;
}

std::string_view SourceSystemName(SourceSystem system) {
  switch (system) {
    case SourceSystem::kVision:
      return "展望";
    case SourceSystem::kChangCheng:
      return "常誠";
    case SourceSystem::kRealSun:
      return "耀聖";
    case SourceSystem::kUnknown:
      break;
  }
  return "不明系統";
}

}  // namespace zuvo
