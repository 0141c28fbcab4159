#include <iostream>

#include "app/program_folder.h"
#include "command.h"

namespace zuvo::cli {
namespace {

int RunDemo(Invocation& invocation) {
  invocation.args.Finish(0);
  InstallDeliveredFiles(invocation.home);
  std::cout << "program folder prepared: " << invocation.home.string() << "\n"
            << "The demo clinics and their conversion steps are not built yet; this demo only\n"
               "prepares the program folder.\n";
  return kExitOk;
}

ZUVO_COMMAND("demo", "", "build the demo clinic and convert it", RunDemo);

}  // namespace
}  // namespace zuvo::cli
