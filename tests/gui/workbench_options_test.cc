// zuvo-workbench --help and --version answer and end before any window is made, so that they
// work where no display is.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/cli_runner.h"

namespace zuvo::gui {
namespace {

struct Ran {
  int status = -1;
  std::string out;
};

// Runs the workbench beside the zuvoconv of ZUVO_CLI with no display at all: a window would
// make Qt give up (or, offscreen, wait for ever; the timeout ends that).
Ran RunWorkbench(const std::string& arguments) {
  const std::filesystem::path program =
      std::filesystem::path(std::getenv("ZUVO_CLI")).parent_path().parent_path() / "gui" /
      "zuvo-workbench";
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 20 " +
                              testing::Quoted(program) + " " + arguments + " 2>&1";
  Ran ran;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return ran;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) ran.out.append(buffer, n);
  const int raw = pclose(pipe);
  ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return ran;
}

TEST(WorkbenchOptions, HelpAndVersionEndWithoutAWindow) {
  if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
  for (const char* help : {"--help", "-h"}) {
    Ran ran = RunWorkbench(help);
    EXPECT_EQ(ran.status, 0) << ran.out;
    EXPECT_TRUE(ran.out.starts_with("usage: zuvo-workbench [--home DIR] [--screenshots DIR]\n"))
        << ran.out;
  }
  Ran version = RunWorkbench("--version");
  EXPECT_EQ(version.status, 0) << version.out;
  EXPECT_EQ(version.out, std::string("zuvo-workbench ") + ZUVO_VERSION + "\n");
}

}  // namespace
}  // namespace zuvo::gui
