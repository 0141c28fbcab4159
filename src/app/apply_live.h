#pragma once

// Apply: puts a finished work tree's Corvix and Tolsern folders in place of the live folders of
// the Zuvo system (below the live root of DataEdit.ini) and names this computer as the Zuvo
// server in the live CORVIX.INI, as one change: the new live folders are prepared and checked
// beside the old ones, then switched in; the old ones become a dated backup, which
// RestoreLiveBackup puts back the same way. Either the whole apply happens or none of it.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/pipeline.h"
#include "core/roc_date.h"
#include "core/step_context.h"
#include "core/step_result.h"

namespace zuvo {

inline constexpr std::string_view kAppliedUtf8 = "已經套用";
inline constexpr std::string_view kCloseZuvoFirstUtf8 = "請先關閉Zuvo系統門診及伺服器程式";
inline constexpr std::string_view kLiveRestoredUtf8 = "已經還原";

// What apply checks before it changes anything. Support staff who know what they do may apply
// a work tree that fails them (the command line's --force); the window never does.
enum class ApplyChecks { kRefuseFailures, kListFailuresOnly };

struct ApplyOutcome {
  StepResult result = StepResult::kStopped;
  // The backup of the live folders taken by this apply; empty when there was nothing to back up
  // or the apply stopped before.
  std::filesystem::path backup;
};

// Applies `work_tree` to `live_root` (the handlers' steps 2 and 3, after their system check):
// - a work tree without both Corvix and Tolsern folders: work tree + "資料夾未含Zuvo病歷檔";
// - a work tree whose last run or step did not complete (ZuvoConversion.ini), or that has no
//   record of one, is refused with a box saying which (unless `checks` lists only);
// - a live root that does not exist is refused (Error naming it, RequireLiveRoot): it is never
//   created, so that a mistyped LiveRoot does not become a new, empty live root;
// - checks the clinic's own store as the work tree holds it, Tolsern / the name of the clinic
//   folder above the work tree (WorkTreeClinicCode), which must hold store files (VerifyStore);
//   a finding refuses the apply before anything is asked (listed, and the box names the folder)
//   unless `checks` lists only;
// - asks "請先關閉Zuvo系統門診及伺服器程式" (OK / Cancel) naming the work tree, the clinic (the
//   name in its CORVIX.INI and the code), its patients and visits, the live root and the backup
//   the live folders will become; Cancel ends it with nothing done;
// - holds the clinic folder's lock (Error while a conversion of the clinic runs) and the live
//   root's;
// - prepares the new live folders in a staging folder of the live root: the live folders'
//   files, then the work tree's over them (files only the live folders hold are kept), except
//   that each clinic store the work tree brings (a folder of its Tolsern holding store files,
//   HoldsStoreFiles: its PtData.*, CHART, DayLink.Dat, and Tolsern/PTdata.ind) replaces the
//   live one whole; a folder of Tolsern without store files is carried over as it is; sets
//   [Corvix] HostName of CORVIX.INI to this computer's name;
// - checks every store the work tree brings as copied (VerifyStore); a finding refuses the apply
//   as above;
// - switches the staged folders in; the old ones become live root/ZuvoBackup_<stamp of `now`>,
//   listed as "現用資料已備份到:" + folder; shows `done_text`.
// A failure before the switch throws Error and leaves the live folders as they were.
ApplyOutcome ApplyWorkTree(const std::filesystem::path& work_tree,
                           const std::filesystem::path& live_root, DateTime now,
                           StepContext& context, ApplyChecks checks = ApplyChecks::kRefuseFailures,
                           std::string_view done_text = kAppliedUtf8);

// Why the window does not offer `work_tree` for apply: it lacks the Corvix or Tolsern folder,
// or its last run or step did not complete (or left no record). Empty when it is offered; the
// stores are checked when apply is pressed. Reads only the run record.
std::optional<std::string> NotReadyToApply(const std::filesystem::path& work_tree);

// The window's "套用轉檔後資料" of `pipeline`'s page: refuses a HIS field (Big5) or work tree of
// another system with the pipeline's wrong-system message; the live root comes from the program
// folder's DataEdit.ini.
ApplyOutcome ApplyConvertedWorkTree(const Pipeline& pipeline, std::string_view his,
                                    const std::filesystem::path& work_tree,
                                    const std::filesystem::path& program_folder,
                                    StepContext& context);

// Puts a complete backup made by apply or restore (with or without a trailing separator,
// wherever it lies now) back as the live folders of `live_root`, as one change:
// - refuses a live root that does not exist, as apply does;
// - refuses a backup that BackupProblems finds wrong (sizes checked): cut short, a manifest that
//   names no Corvix or no Tolsern, links, files missing or of another size;
// - an old manifest without checksums is accepted on its sizes, saying so in a line;
// - copies exactly the folders and files the manifest lists into the staging folder and checks
//   each copy's size and checksum (the problems name the files);
// - checks every store of the staged Tolsern (VerifyStore), listing the findings; a finding
//   refuses the restore unless `checks` lists only;
// - switches the staged folders in; the live folders become a new backup, returned (empty when
//   there were none). The backup itself stays.
// Throws Error listing what is wrong with the backup, or naming what failed; the live folders
// are then as they were.
std::filesystem::path RestoreLiveBackup(const std::filesystem::path& backup,
                                        const std::filesystem::path& live_root, DateTime now,
                                        StepContext& context,
                                        ApplyChecks checks = ApplyChecks::kRefuseFailures);

// The window's restore of a backup: asks "請先關閉Zuvo系統門診及伺服器程式" naming the backup, the
// live root and the backup the live folders will become, as apply does (OK / Cancel; Cancel
// ends it with nothing done), then RestoreLiveBackup with
// its checks; lists the new backup of the replaced live folders as "現用資料已備份到:" + folder
// and shows "已經還原". Errors as RestoreLiveBackup.
ApplyOutcome ConfirmAndRestoreLiveBackup(const std::filesystem::path& backup,
                                         const std::filesystem::path& live_root, DateTime now,
                                         StepContext& context);

}  // namespace zuvo
