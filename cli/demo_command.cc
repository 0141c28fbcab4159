#include <iostream>

#include "app/program_folder.h"
#include "app/workplace_setup.h"
#include "command.h"
#include "demo/demo_clinic.h"
#include "step_output.h"
#include "terminal_session.h"
#include "workspace/path_text.h"
#include "workspace/vision_selection.h"

namespace zuvo::cli {
namespace {

constexpr char kDemoSourcesFolder[] = "demo-sources";

uint32_t SeedArgument(Invocation& invocation) {
  std::string text = invocation.args.OptionOr("seed", "1");
  try {
    size_t used = 0;
    unsigned long seed = std::stoul(text, &used);
    if (used == text.size() && seed <= UINT32_MAX) return static_cast<uint32_t>(seed);
  } catch (const std::exception&) {
  }
  throw UsageError("--seed must be a number from 0 to 4294967295");
}

int RunDemo(Invocation& invocation) {
  uint32_t seed = SeedArgument(invocation);
  invocation.args.Finish(0);
  InstallDeliveredFiles(invocation.home);
  std::filesystem::path sources = invocation.home / kDemoSourcesFolder;
  std::filesystem::path vision_source = sources / "VISW";
  std::filesystem::path realsun_source = sources / "RealSun";
  demo::WriteVisionDemoSource(vision_source, seed);
  demo::WriteRealSunDemoSource(realsun_source, seed);
  std::cout << "demo Vision source: " << PathToUtf8(vision_source) << "\n"
            << "demo RealSun source: " << PathToUtf8(realsun_source) << "\n";

  TerminalSession session;
  session.context().SetFolderAnswer(vision_source);
  VisionFolderFields fields;
  StepResult result =
      SelectVisionFolder(fields, CurrentWorkplace(invocation.home), session.context());
  return PrintClinicResult(std::cout, fields, result);
}

ZUVO_COMMAND("demo", "[--seed N]",
             "build the demo clinics' source folders and choose the Vision one", RunDemo);

}  // namespace
}  // namespace zuvo::cli
