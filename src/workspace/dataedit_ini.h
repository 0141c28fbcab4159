#pragma once

// DataEdit.ini: the program's settings file in the program folder (Big5 profile file). A missing
// file or key reads as its default. Every read and write opens and closes the file. A file that
// is not Big5 text is refused with Error naming it, so that a file saved in another encoding
// never loses keys silently.

#include <array>
#include <filesystem>
#include <string_view>

#include "workspace/source_system.h"

namespace zuvo {

inline constexpr std::string_view kDataEditIniName = "DataEdit.ini";

// Position and size of the diagnosis preview window.
struct PreviewWindowSettings {
  int top = 4;
  int width = 805;
  int height = 436;
  int columns = 3;
  int left = 100;
};

// The [Workbench] section: what this program adds to the settings.
struct WorkbenchSettings {
  // OperatorMode=1: the main window shows every page tab and the Vision window enables its
  // single-step buttons. 0 or missing: only the transfer page and the one-shot run.
  bool operator_mode = false;
  // Root of the live folders Corvix and Tolsern (LiveRoot; default C:\ on Windows, the program
  // folder's "live" folder elsewhere; a relative value is taken below the program folder).
  std::filesystem::path live_root;
  // Folders that stand for the drives C:, D: and E: when the HIS search probes them (DriveC,
  // DriveD, DriveE). DriveC defaults to the live root; D: and E: to the drive roots on Windows
  // and to nothing (not probed) elsewhere. An empty path is not probed.
  std::array<std::filesystem::path, 3> drive_roots;
  // The main window's size when it was last closed (WindowWidth, WindowHeight); 0 when none.
  int window_width = 0;
  int window_height = 0;
};

class DataEditIni {
 public:
  explicit DataEditIni(std::filesystem::path program_folder);

  const std::filesystem::path& file() const { return file_; }

  PreviewWindowSettings ReadPreviewWindow() const;
  WorkbenchSettings ReadWorkbench() const;
  // The last source folder chosen for a system: "Vsystem"/"一轉目錄" (Vision) and
  // "耀聖system"/"一轉目錄" (RealSun). Other systems have none (empty; writing is refused with
  // Error).
  std::filesystem::path LastFolder(SourceSystem system) const;
  void WriteLastFolder(SourceSystem system, const std::filesystem::path& folder) const;
  void WriteWindowSize(int width, int height) const;

 private:
  std::filesystem::path ReadFolder(std::string_view section, std::string_view key) const;
  void WriteFolder(std::string_view section, std::string_view key,
                   const std::filesystem::path& folder) const;

  std::filesystem::path program_folder_;
  std::filesystem::path file_;
};

}  // namespace zuvo
