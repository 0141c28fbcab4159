// zuvoconv verify: checks a server data folder, or each of a work tree, and lists what is wrong.
#include <iostream>

#include "app/live_folders.h"
#include "command.h"
#include "core/store_verify.h"
#include "terminal_session.h"
#include "workspace/dataedit_ini.h"
#include "workspace/folder_layout.h"

namespace zuvo::cli {
namespace {

// Prints what VerifyStore found in `folder`; true when it is clean.
bool VerifyOneStore(const std::filesystem::path& folder) {
  StoreVerifyReport report = VerifyStore({folder, folder.parent_path() / "PTdata.ind"});
  std::cout << "store: " << folder.string() << "\n"
            << "patient files: " << report.patient_files << ", patients: " << report.patients
            << "\n"
            << "chart files: " << report.chart_files << ", entries: " << report.entries
            << ", in patient chains: " << report.chained_entries
            << ", counted by the day index: " << report.day_entries << "\n";
  if (report.clean()) {
    std::cout << "clean\n";
    return true;
  }
  std::cout << report.findings.size() << " findings:\n";
  for (const StoreFinding& finding : report.findings) {
    std::cout << "  " << finding.where << ": " << finding.problem << "\n";
  }
  return false;
}

int RunVerify(Invocation& invocation) {
  std::filesystem::path folder = invocation.args.RequiredPositional(0, "STOREDIR|WT");
  invocation.args.Finish(1);
  // A live store is read only after a change of the live root that was cut short is settled.
  TerminalSession session;
  RecoverLiveRootOf(std::filesystem::absolute(folder),
                    DataEditIni(invocation.home).ReadWorkbench().live_root, session.context());
  if (!std::filesystem::is_directory(folder)) {
    throw UsageError("STOREDIR " + folder.string() + " is not a folder");
  }
  // A work tree (the path a run prints) stands for every store its Tolsern holds.
  std::vector<std::filesystem::path> stores = WorkTreeStoreFolders(folder);
  if (stores.empty()) stores.push_back(folder);
  bool clean = true;
  for (const std::filesystem::path& store : stores) clean = VerifyOneStore(store) && clean;
  if (clean) return kExitOk;
  std::cout.flush();
  std::cerr << "zuvoconv verify: findings in " << folder.string() << " (listed above)\n";
  return kExitError;
}

ZUVO_COMMAND("verify", "STOREDIR|WT",
             "check a server data folder (or every one of a work tree WT) for its patient records, "
             "chart chains, day index and entries; "
             "exit 1 with the findings when anything is wrong",
             RunVerify);

}  // namespace
}  // namespace zuvo::cli
