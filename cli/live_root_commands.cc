// The live root itself: finishing a change of it that was cut short, and listing its backups.
#include <iostream>

#include "app/live_folders.h"
#include "app/program_folder.h"
#include "command.h"
#include "platform/file_ops.h"
#include "terminal_session.h"
#include "workspace/dataedit_ini.h"

namespace zuvo::cli {
namespace {

std::filesystem::path LiveRootOf(const Invocation& invocation) {
  InstallDeliveredFiles(invocation.home);
  return WithoutTrailingSeparator(DataEditIni(invocation.home).ReadWorkbench().live_root);
}

int RunRecover(Invocation& invocation) {
  invocation.args.Finish(0);
  const std::filesystem::path live_root = LiveRootOf(invocation);
  TerminalSession session;
  if (RecoverLiveRoot(live_root, "recover", session.context()) == SwitchRecovery::kNone) {
    std::cout << "沒有中斷的套用或還原: " << PathToUtf8(live_root) << '\n';
  }
  return kExitOk;
}

int RunBackups(Invocation& invocation) {
  invocation.args.Finish(0);
  const std::filesystem::path live_root = LiveRootOf(invocation);
  TerminalSession session;
  RecoverLiveRoot(live_root, "backups", session.context());
  std::cout << "live root: " << PathToUtf8(live_root) << '\n';
  const std::vector<LiveBackup> backups = ListLiveBackups(live_root);
  for (const LiveBackup& backup : backups) {
    std::cout << PathToUtf8(backup.folder.filename()) << '\t'
              << (backup.taken.empty() ? "-" : backup.taken) << '\t' << backup.bytes << " bytes\t"
              << (backup.problems.empty() ? "完整" : "不完整");
    if (backup.problems.empty() && !backup.checksums) std::cout << " (沒有檢查碼,只核對大小)";
    std::cout << '\n';
    for (const std::string& problem : backup.problems) std::cout << "  " << problem << '\n';
  }
  if (backups.empty()) std::cout << "沒有備份\n";
  return kExitOk;
}

ZUVO_COMMAND("recover", "",
             "finish or undo a change of DataEdit.ini's live root (apply, merge-apply, "
             "restore-live) that was cut short; exit 1 when it can be neither",
             RunRecover);
ZUVO_COMMAND("backups", "",
             "list the backups of the live folders beside them: name, date, size, and whether "
             "each is whole (every file checked against its checksum)",
             RunBackups);

}  // namespace
}  // namespace zuvo::cli
