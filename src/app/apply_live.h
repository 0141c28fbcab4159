#pragma once

// Apply: copies a finished work tree's Corvix and Tolsern folders over the live folders of the
// Zuvo system (below the live root of DataEdit.ini) and names this computer as the Zuvo server
// in the live CORVIX.INI. Before anything is copied, the live folders are copied to a dated
// backup folder beside them, so that an apply can be undone (RestoreLiveBackup) and a copy that
// fails halfway loses nothing.

#include <filesystem>
#include <string>
#include <string_view>

#include "app/step_context.h"
#include "core/roc_date.h"
#include "workspace/folder_choice.h"

namespace zuvo {

inline constexpr std::string_view kAppliedUtf8 = "已經套用";
inline constexpr std::string_view kCloseZuvoFirstUtf8 = "請先關閉Zuvo系統門診及伺服器程式";
// The backup folders beside the live folders: "ZuvoBackup_" + ROC time stamp (+ "_2", ...).
inline constexpr std::string_view kBackupFolderPrefix = "ZuvoBackup_";

struct ApplyOutcome {
  StepResult result = StepResult::kStopped;
  // The backup of the live folders taken by this apply; empty when there was nothing to back up
  // or the apply stopped before.
  std::filesystem::path backup;
};

// Applies `work_tree` to `live_root` (the handlers' steps 2 and 3, after their system check):
// - a work tree without both Corvix and Tolsern folders: work tree + "資料夾未含Zuvo病歷檔";
// - asks "請先關閉Zuvo系統門診及伺服器程式" (OK / Cancel); Cancel ends it with nothing done;
// - backs up the live Corvix and Tolsern that exist into live root/ZuvoBackup_<stamp of `now`>
//   and adds "現用資料已備份到:" + that folder to the list; a backup that cannot be completed
//   stops the apply before the live folders are touched;
// - copies Corvix, then Tolsern, into the live root (existing files overwritten, files only the
//   live folders hold kept); a failed copy shows "套用失敗,原來的現用資料在:" + the backup;
// - sets [Corvix] HostName of the live CORVIX.INI to this computer's name; shows "已經套用".
ApplyOutcome ApplyWorkTree(const std::filesystem::path& work_tree,
                           const std::filesystem::path& live_root, DateTime now,
                           StepContext& context);

// The Vision window's "套用轉檔後資料": refuses a HIS field (Big5) other than "展望" with
// "請先正確選取原始系統目錄"; the live root comes from the program folder's DataEdit.ini.
ApplyOutcome CVISWcopyClick(std::string_view his, const std::filesystem::path& work_tree,
                            const std::filesystem::path& program_folder, StepContext& context);
// The RealSun page's "套用轉檔後資料": the same for "耀聖", refused with
// "請先選取正確耀聖來源目錄".
ApplyOutcome CRSreplaceNowClick(std::string_view his, const std::filesystem::path& work_tree,
                                const std::filesystem::path& program_folder, StepContext& context);

// Puts a backup made by ApplyWorkTree back: each of Corvix and Tolsern that the backup holds
// replaces the live folder of that name in the backup's parent folder (the live root). The
// backup's copy is made beside the live folder first and swapped in by renaming, so a failure
// leaves the live folder as it was. Throws Error naming the folder on failure or when `backup`
// is no backup folder.
void RestoreLiveBackup(const std::filesystem::path& backup);

}  // namespace zuvo
