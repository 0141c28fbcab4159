#pragma once

// The live folders of the Zuvo system (Corvix and Tolsern below the live root) as apply and
// restore change them: only ever as a whole. A change prepares the new folders in a staging
// folder beside them and switches them in by renaming; the old live folders become a dated
// backup with a manifest, which makes a backup that was cut short tell-tale. One change of a
// live root at a time; a change that was cut short is finished or undone by the next one.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/roc_date.h"
#include "core/step_context.h"
#include "platform/file_lock.h"

namespace zuvo {

// The backup folders beside the live folders: "ZuvoBackup_" + ROC time stamp (+ "_2", ...).
inline constexpr std::string_view kBackupFolderPrefix = "ZuvoBackup_";
// In a backup: every file it holds with its size, written before the backup gets its name.
inline constexpr std::string_view kBackupManifestName = "ZuvoBackup.manifest";
inline constexpr std::string_view kLiveLockName = "ZuvoApply.lock";
inline constexpr std::string_view kStagingFolderName = "ZuvoApply.staging";

class LiveRootChange {
 public:
  // Creates the live root when missing, takes its lock (Error naming the holder when another
  // apply or restore has it), finishes or undoes a change that was cut short (saying so in a
  // line) and makes an empty staging folder.
  LiveRootChange(const std::filesystem::path& live_root, std::string_view holder,
                 StepContext& context);
  // Removes the staging folder with whatever a change that did not happen left in it.
  ~LiveRootChange();
  LiveRootChange(const LiveRootChange&) = delete;
  LiveRootChange& operator=(const LiveRootChange&) = delete;

  const std::filesystem::path& staging() const { return staging_; }
  // The live folder `name` (kFrontEndFolderName or kServerFolderName; an existing folder of that
  // name in any letter case wins), and its place in the staging folder.
  std::filesystem::path LiveFolder(std::string_view name) const;
  std::filesystem::path StagedFolder(std::string_view name) const;

  // Switches the staged folders in as one change: every live folder becomes part of the backup
  // live root / ZuvoBackup_<stamp of `now`> (with its manifest), every staged folder becomes
  // live, and a live folder without a staged one is gone. Returns the backup, empty when no
  // live folder existed. Throws Error when the switch fails; the live folders are then as
  // they were.
  std::filesystem::path SwitchIn(DateTime now);

 private:
  std::filesystem::path live_root_;
  std::filesystem::path staging_;
  std::optional<FileLock> lock_;
};

// What makes `backup` no complete backup of the live folders, one UTF-8 line each: not a
// folder, not named as a backup, cut short (its ".partial" name, or files missing against its
// manifest), or without a manifest. Empty for a complete backup.
std::vector<std::string> BackupProblems(const std::filesystem::path& backup);

}  // namespace zuvo
