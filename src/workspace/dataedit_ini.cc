#include "workspace/dataedit_ini.h"

#include "platform/big5.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "workspace/path_text.h"
#include "workspace/settings_file_check.h"

namespace zuvo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPreviewSection = "預覽視窗";
constexpr std::string_view kVisionSection = "Vsystem";
constexpr std::string_view kRealSunSection = "耀聖system";
constexpr std::string_view kLastFolderKey = "一轉目錄";

// The section that remembers a system's last source folder; empty for a system without one.
std::string_view LastFolderSection(SourceSystem system) {
  switch (system) {
    case SourceSystem::kVision:
      return kVisionSection;
    case SourceSystem::kRealSun:
      return kRealSunSection;
    default:
      return {};
  }
}
constexpr std::string_view kWorkbenchSection = "Workbench";

#ifdef _WIN32
constexpr bool kHasDriveLetters = true;
#else
constexpr bool kHasDriveLetters = false;
#endif

ProfileFile OpenChecked(const fs::path& file) {
  RequireBig5SettingsFile(file);
  return ProfileFile(file);
}

}  // namespace

DataEditIni::DataEditIni(fs::path program_folder)
    : program_folder_(std::move(program_folder)),
      file_(ResolvePath(program_folder_, kDataEditIniName)
                .value_or(program_folder_ / PathFromUtf8(kDataEditIniName))) {}

PreviewWindowSettings DataEditIni::ReadPreviewWindow() const {
  ProfileFile ini = OpenChecked(file_);
  const std::string& section = big5::Literal(kPreviewSection);
  PreviewWindowSettings defaults;
  auto read = [&](std::string_view key, int fallback) {
    return ini.ReadInteger(section, big5::Literal(key), fallback);
  };
  return {read("處置視窗高度值", defaults.top), read("處置視窗寬長值", defaults.width),
          read("處置視窗高長值", defaults.height), read("處置視窗欄值", defaults.columns),
          read("處置視窗左邊值", defaults.left)};
}

WorkbenchSettings DataEditIni::ReadWorkbench() const {
  ProfileFile ini = OpenChecked(file_);
  const std::string& section = big5::Literal(kWorkbenchSection);
  auto folder = [&](std::string_view key, const fs::path& fallback) {
    std::string text = ini.ReadString(section, key);
    if (text.empty()) return fallback;
    fs::path path = PathFromBig5(text);
    return path.is_absolute() ? path : program_folder_ / path;
  };
  WorkbenchSettings settings;
  settings.operator_mode = ini.ReadInteger(section, "OperatorMode", 0) == 1;
  settings.live_root = WithTrailingSeparator(
      folder("LiveRoot", kHasDriveLetters ? fs::path("C:\\") : program_folder_ / "live"));
  settings.drive_roots = {
      folder("DriveC", settings.live_root),
      folder("DriveD", kHasDriveLetters ? fs::path("D:\\") : fs::path()),
      folder("DriveE", kHasDriveLetters ? fs::path("E:\\") : fs::path()),
  };
  settings.window_width = ini.ReadInteger(section, "WindowWidth", 0);
  settings.window_height = ini.ReadInteger(section, "WindowHeight", 0);
  return settings;
}

void DataEditIni::WriteWindowSize(int width, int height) const {
  ProfileFile ini = OpenChecked(file_);
  const std::string& section = big5::Literal(kWorkbenchSection);
  ProfileFile::Batch batch(ini);
  ini.WriteString(section, "WindowWidth", std::to_string(width));
  ini.WriteString(section, "WindowHeight", std::to_string(height));
}

fs::path DataEditIni::LastFolder(SourceSystem system) const {
  std::string_view section = LastFolderSection(system);
  return section.empty() ? fs::path() : ReadFolder(section, kLastFolderKey);
}

void DataEditIni::WriteLastFolder(SourceSystem system, const fs::path& folder) const {
  std::string_view section = LastFolderSection(system);
  if (section.empty()) {
    throw Error(std::string(SourceSystemName(system)) + " has no last folder in DataEdit.ini");
  }
  WriteFolder(section, kLastFolderKey, folder);
}

fs::path DataEditIni::ReadFolder(std::string_view section, std::string_view key) const {
  ProfileFile ini = OpenChecked(file_);
  return PathFromBig5(ini.ReadString(big5::Literal(section), big5::Literal(key)));
}

void DataEditIni::WriteFolder(std::string_view section, std::string_view key,
                              const fs::path& folder) const {
  ProfileFile ini = OpenChecked(file_);
  ini.WriteString(big5::Literal(section), big5::Literal(key), PathToBig5(folder));
}

}  // namespace zuvo
