#include <iostream>

#include "app/program_folder.h"
#include "command.h"

namespace zuvo::cli {
namespace {

int RunInit(Invocation& invocation) {
  invocation.args.Finish(0);
  std::vector<std::string> written = InstallDeliveredFiles(invocation.home);
  for (const std::string& name : written) std::cout << "installed " << name << "\n";
  std::cout << "program folder: " << invocation.home.string() << "\n";
  return kExitOk;
}

ZUVO_COMMAND("init", "", "create the program folder and install the delivered files it lacks",
             RunInit);

}  // namespace
}  // namespace zuvo::cli
