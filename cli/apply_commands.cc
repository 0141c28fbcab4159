// Applying a work tree to the live folders, and putting a backup of the live folders back.
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "app/apply_live.h"
#include "app/program_folder.h"
#include "command.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_step_context.h"
#include "workspace/dataedit_ini.h"

namespace zuvo::cli {
namespace {

bool OnTerminal() {
#ifdef _WIN32
  return _isatty(0) != 0 && _isatty(2) != 0;
#else
  return isatty(0) == 1 && isatty(2) == 1;
#endif
}

int RunApply(Invocation& invocation) {
  std::filesystem::path work_tree =
      std::filesystem::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, "WT")));
  bool yes = invocation.args.Flag("yes");
  ApplyChecks checks =
      invocation.args.Flag("force") ? ApplyChecks::kListFailuresOnly : ApplyChecks::kRefuseFailures;
  invocation.args.Finish(1);
  bool interactive = !yes && OnTerminal();
  if (!yes && !interactive) {
    throw UsageError("apply asks for a confirmation: run it on a terminal or give --yes");
  }
  InstallDeliveredFiles(invocation.home);
  RunFlags flags;
  flags.SetStepMessages(true);
  TerminalStepContext context(flags,
                              TerminalStreams{std::cout, std::cerr, std::cin, false, interactive});
  std::filesystem::path live_root = DataEditIni(invocation.home).ReadWorkbench().live_root;
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live_root, Now(), context, checks);
  std::cout << "live root: " << PathToUtf8(live_root) << '\n';
  if (!outcome.backup.empty()) std::cout << "backup: " << PathToUtf8(outcome.backup) << '\n';
  return ExitStatusOf(outcome.result);
}

int RunRestoreLive(Invocation& invocation) {
  std::filesystem::path backup =
      std::filesystem::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, "BACKUP")));
  invocation.args.Finish(1);
  InstallDeliveredFiles(invocation.home);
  RunFlags flags;
  TerminalStepContext context(flags, TerminalStreams{std::cout, std::cerr, std::cin, false, false});
  std::filesystem::path live_root = DataEditIni(invocation.home).ReadWorkbench().live_root;
  std::filesystem::path replaced = RestoreLiveBackup(backup, live_root, Now(), context);
  std::cout << "restored: " << PathToUtf8(live_root) << '\n';
  if (!replaced.empty()) std::cout << "backup: " << PathToUtf8(replaced) << '\n';
  return kExitOk;
}

ZUVO_COMMAND("apply", "WT [--yes] [--force]",
             "switch the work tree WT in as the live Corvix and Tolsern folders, the old ones "
             "becoming a backup; --force applies a store that fails its check",
             RunApply);
ZUVO_COMMAND("restore-live", "BACKUP",
             "switch a complete backup made by apply or restore-live back in as the live folders "
             "of DataEdit.ini's live root; the replaced ones become a backup",
             RunRestoreLive);

}  // namespace
}  // namespace zuvo::cli
