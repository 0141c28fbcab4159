// Applying a work tree to the live folders, and putting a backup of the live folders back.
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "app/apply_live.h"
#include "app/dataedit_ini.h"
#include "app/program_folder.h"
#include "app/terminal_step_context.h"
#include "command.h"
#include "platform/file_ops.h"
#include "step_output.h"

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
  ApplyOutcome outcome = ApplyWorkTree(work_tree, live_root, Now(), context);
  std::cout << "live root: " << PathToUtf8(live_root) << '\n';
  if (!outcome.backup.empty()) std::cout << "backup: " << PathToUtf8(outcome.backup) << '\n';
  return ExitStatusOf(outcome.result);
}

int RunRestoreLive(Invocation& invocation) {
  std::filesystem::path backup =
      std::filesystem::absolute(PathFromUtf8(invocation.args.RequiredPositional(0, "BACKUP")));
  invocation.args.Finish(1);
  RestoreLiveBackup(backup);
  std::cout << "restored: " << PathToUtf8(backup.parent_path()) << '\n';
  return kExitOk;
}

ZUVO_COMMAND("apply", "WT [--yes]",
             "back up the live Corvix and Tolsern folders, then copy the work tree WT over them",
             RunApply);
ZUVO_COMMAND("restore-live", "BACKUP",
             "put a backup of the live folders made by apply back in place", RunRestoreLive);

}  // namespace
}  // namespace zuvo::cli
