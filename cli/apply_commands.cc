// Applying a work tree to the live folders, and putting a backup of the live folders back.
#include <iostream>

#include "app/apply_live.h"
#include "app/live_folders.h"
#include "app/merge_apply.h"
#include "app/program_folder.h"
#include "command.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_session.h"
#include "terminal_step_context.h"
#include "workspace/dataedit_ini.h"

namespace zuvo::cli {
namespace {

// The apply of a work tree (`merged` false) or of a merged set: the same switch, the same checks.
int RunApplyOf(Invocation& invocation, const std::string& what, bool merged) {
  std::filesystem::path folder =
      std::filesystem::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, what)));
  bool yes = invocation.args.Flag("yes");
  ApplyChecks checks =
      invocation.args.Flag("force") ? ApplyChecks::kListFailuresOnly : ApplyChecks::kRefuseFailures;
  invocation.args.Finish(1);
  bool interactive = !yes && OnInteractiveTerminal();
  if (!yes && !interactive) {
    throw UsageError("apply asks for a confirmation: run it on a terminal or give --yes");
  }
  InstallDeliveredFiles(invocation.home);
  RunFlags flags;
  flags.SetStepMessages(true);
  TerminalStepContext context(flags,
                              TerminalStreams{std::cout, std::cerr, std::cin, false, interactive});
  std::filesystem::path live_root = DataEditIni(invocation.home).ReadWorkbench().live_root;
  RecoverLiveRoot(live_root, merged ? "merge-apply" : "apply", context);
  ApplyOutcome outcome = merged ? ApplyMergedSet(folder, invocation.home, Now(), context, checks)
                                : ApplyWorkTree(folder, live_root, Now(), context, checks);
  std::cout << "live root: " << PathToUtf8(live_root) << '\n';
  if (!outcome.backup.empty()) std::cout << "backup: " << PathToUtf8(outcome.backup) << '\n';
  return ExitStatusOf(outcome.result);
}

int RunApply(Invocation& invocation) { return RunApplyOf(invocation, "WT", false); }

int RunMergeApply(Invocation& invocation) { return RunApplyOf(invocation, "MERGED", true); }

int RunRestoreLive(Invocation& invocation) {
  std::filesystem::path backup =
      std::filesystem::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, "BACKUP")));
  ApplyChecks checks =
      invocation.args.Flag("force") ? ApplyChecks::kListFailuresOnly : ApplyChecks::kRefuseFailures;
  invocation.args.Finish(1);
  InstallDeliveredFiles(invocation.home);
  RunFlags flags;
  TerminalStepContext context(flags, TerminalStreams{std::cout, std::cerr, std::cin, false, false});
  std::filesystem::path live_root = DataEditIni(invocation.home).ReadWorkbench().live_root;
  RecoverLiveRoot(live_root, "restore-live", context);
  std::filesystem::path replaced = RestoreLiveBackup(backup, live_root, Now(), context, checks);
  std::cout << "restored: " << PathToUtf8(live_root) << '\n';
  if (!replaced.empty()) std::cout << "backup: " << PathToUtf8(replaced) << '\n';
  return kExitOk;
}

ZUVO_COMMAND("apply", "WT [--yes] [--force]",
             "switch the work tree WT in as the live Corvix and Tolsern folders, the old ones "
             "becoming a backup; --force applies a store that fails its check",
             RunApply);
ZUVO_COMMAND("merge-apply", "MERGED [--yes] [--force]",
             "switch a merged set (made by merge) in as the live folders, exactly as apply does; "
             "the old ones become a backup that restore-live puts back",
             RunMergeApply);
ZUVO_COMMAND("restore-live", "BACKUP [--force]",
             "switch a complete backup made by apply or restore-live back in as the live folders "
             "of DataEdit.ini's live root, every file checked against the backup's checksums; the "
             "replaced ones become a backup; --force restores a store that fails its check",
             RunRestoreLive);

}  // namespace
}  // namespace zuvo::cli
