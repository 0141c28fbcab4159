// "realsun restore": a RealSun work tree back as its last patient step left it.
#include <iostream>

#include "app/program_folder.h"
#include "app/realsun_pipeline.h"
#include "app/realsun_restore.h"
#include "app/work_tree_selection.h"
#include "app/workplace_setup.h"
#include "command.h"
#include "platform/file_ops.h"
#include "step_output.h"
#include "terminal_session.h"

namespace zuvo::cli {
namespace {

int RunRealSunRestore(Invocation& invocation) {
  std::optional<std::string> work_tree = invocation.args.Option("work-tree");
  if (!work_tree) throw UsageError("--work-tree is required");
  invocation.args.Finish(0);
  InstallDeliveredFiles(invocation.home);
  RunFields fields =
      ReadWorkTree(RealSunPipeline(), invocation.home,
                   std::filesystem::absolute(PathFromUtf8(*work_tree)), std::nullopt);
  TerminalSession session;
  StepResult result =
      RestoreRealSunWorkTree(fields, CurrentWorkplace(invocation.home), session.context());
  if (result == StepResult::kDone) PrintWorkTree(std::cout, fields.folder.work_tree);
  return ExitStatusOf(result);
}

ZUVO_COMMAND("realsun restore", "--work-tree WT",
             "put the RealSun work tree back as its last patient step left it, from the "
             "clinic's InitBak snapshot",
             RunRealSunRestore);

}  // namespace
}  // namespace zuvo::cli
