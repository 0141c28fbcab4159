#pragma once

// The live folders of the Zuvo system (Corvix and Tolsern below the live root) as apply and
// restore change them: only ever as a whole. A change prepares the new folders in a staging
// folder beside them and switches them in by renaming; the old live folders become a dated
// backup with a manifest (sizes and checksums), which makes a backup that was cut short or
// changed since tell-tale. One change of a live root at a time; a change that was cut short is
// finished or undone by the next one, and by every command and start of the window that reads
// the live root (RecoverLiveRoot).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/roc_date.h"
#include "core/step_context.h"
#include "platform/file_lock.h"
#include "platform/folder_manifest.h"
#include "platform/folder_switch.h"

namespace zuvo {

// The backup folders beside the live folders: "ZuvoBackup_" + ROC time stamp (+ "_2", ...).
inline constexpr std::string_view kBackupFolderPrefix = "ZuvoBackup_";
// In a backup: every file it holds with its size, written before the backup gets its name.
inline constexpr std::string_view kBackupManifestName = "ZuvoBackup.manifest";
inline constexpr std::string_view kLiveLockName = "ZuvoApply.lock";
inline constexpr std::string_view kStagingFolderName = "ZuvoApply.staging";

class LiveRootChange {
 public:
  // Refuses a live root that does not exist (RequireLiveRoot), takes its lock (Error naming the
  // holder when another apply or restore has it), finishes or undoes a change that was cut short
  // (saying so in a line) and makes an empty staging folder.
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
  // The place in the staging folder of `relative` (UTF-8, '/' separated), whose first part names
  // a live folder in any letter case ("CORVIX/OPD.mdb" goes to StagedFolder("Corvix")/OPD.mdb).
  // Throws Error when its first part names neither live folder.
  std::filesystem::path StagedPathOf(std::string_view relative) const;

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

// The backup a change switched in at `now` would make of the live folders: live root /
// ZuvoBackup_<stamp of `now`>, with "_2", "_3", ... when that name is taken.
std::filesystem::path NextBackupFolder(const std::filesystem::path& live_root, DateTime now);

// Throws Error naming `live_root` when it is no folder. A live root is never created: a mistyped
// LiveRoot would otherwise silently become a new, empty live root.
void RequireLiveRoot(const std::filesystem::path& live_root);

// What makes `backup` no complete backup of the live folders, one UTF-8 line each: not a
// folder, not named as a backup, cut short (its ".partial" name), its manifest missing or
// damaged, a manifest that names no Corvix or no Tolsern or names anything else, a link (what it
// leads to is not in the backup, so a restore could not vouch for it), or an entry missing or
// changed (with kChecksums, also a file changed at the same size). Empty for a complete backup.
std::vector<std::string> BackupProblems(const std::filesystem::path& backup,
                                        ManifestDepth depth = ManifestDepth::kChecksums);

// A backup beside the live folders, as `zuvoconv backups` lists it.
struct LiveBackup {
  std::filesystem::path folder;
  std::string taken;   // "yyy/mm/dd hh:nn:ss" (ROC) from the folder's name; empty if it has none
  uint64_t bytes = 0;  // the files the manifest lists (without one: the files there are)
  bool checksums = false;             // its manifest records checksums
  std::vector<std::string> clinics;   // the stores of its Tolsern (clinic codes, UTF-8)
  std::vector<std::string> problems;  // BackupProblems with checksums; empty when whole
};

// Every folder of `live_root` named as a backup (cut-short ones included), in name order.
std::vector<LiveBackup> ListLiveBackups(const std::filesystem::path& live_root);

// Finishes or undoes a change of `live_root` that was cut short (its switch journal remains),
// saying so in one line. Nothing happens, and the lock is not taken, when there is no journal.
// Throws Error when another apply or restore holds the live root (its journal is then its own)
// or when the change can be neither finished nor undone (the journal stays for another try).
SwitchRecovery RecoverLiveRoot(const std::filesystem::path& live_root, std::string_view holder,
                               StepContext& context);
// The line RecoverLiveRoot says for `recovery`; empty for kNone.
std::string_view LiveRecoveryText(SwitchRecovery recovery);
// RecoverLiveRoot of `live_root` when `folder` is the live root or lies in it (a live store
// about to be read or changed); nothing otherwise.
void RecoverLiveRootOf(const std::filesystem::path& folder, const std::filesystem::path& live_root,
                       StepContext& context);

}  // namespace zuvo
