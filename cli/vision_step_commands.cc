// The single steps of the Vision window, run on a work tree made by "vision select".
#include <iostream>

#include "app/program_folder.h"
#include "app/vision_work_tree.h"
#include "catalogue/vision_orders_step.h"
#include "command.h"
#include "platform/big5.h"
#include "step_output.h"
#include "terminal_session.h"
#include "workspace/path_text.h"

namespace zuvo::cli {
namespace {

// The work tree's recorded selection, with --source overriding the remembered source folder.
VisionWorkTree WorkTreeArguments(Invocation& invocation) {
  std::optional<std::string> work_tree = invocation.args.Option("work-tree");
  if (!work_tree) throw UsageError("--work-tree is required");
  std::optional<std::filesystem::path> source;
  if (std::optional<std::string> given = invocation.args.Option("source")) {
    source = std::filesystem::absolute(PathFromUtf8(*given));
  }
  return ReadVisionWorkTree(invocation.home, std::filesystem::absolute(PathFromUtf8(*work_tree)),
                            source);
}

ShortNameSource NameTypeArgument(Invocation& invocation) {
  std::string name_type = invocation.args.OptionOr("name-type", "source");
  if (name_type == "source") return ShortNameSource::kSourceCode;
  if (name_type == "original") return ShortNameSource::kOriginalName;
  throw UsageError("--name-type must be original or source");
}

int RunCatalogueStep(Invocation& invocation) {
  VisionOrdersInput input;
  input.short_names = NameTypeArgument(invocation);
  std::optional<std::string> pharmacist = invocation.args.Option("pharmacist");
  std::optional<std::string> pharmacist_id = invocation.args.Option("pharmacist-id");
  VisionWorkTree tree = WorkTreeArguments(invocation);
  invocation.args.Finish(0);
  InstallDeliveredFiles(invocation.home);
  input.program_folder = invocation.home;
  input.fields = tree.fields;
  if (pharmacist) input.fields.pharmacist_name = big5::FromUtf8(*pharmacist);
  if (pharmacist_id) input.fields.pharmacist_id = big5::FromUtf8(*pharmacist_id);
  TerminalSession session;
  StepResult result = BuildVisionClinicAndOrders(input, session.context());
  PrintBig5Field(std::cout, "pharmacist name", input.fields.pharmacist_name);
  PrintBig5Field(std::cout, "pharmacist id", input.fields.pharmacist_id);
  return ExitStatusOf(result);
}

ZUVO_COMMAND("vision step catalogue",
             "--work-tree WT [--source SRC] [--name-type original|source] [--pharmacist NAME "
             "--pharmacist-id ID]",
             "build the clinic's catalogue, settings and staff file in the work tree",
             RunCatalogueStep);

}  // namespace
}  // namespace zuvo::cli
