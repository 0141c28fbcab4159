// What every zuvoconv command shares: --help and -h, refusals on stderr with the option that
// mends them, the end of a run told once (each kind of message line at most three times), and
// verify over the work tree a run prints.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "app/conversion_report.h"
#include "demo/demo_clinic.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "workspace/path_text.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::Quoted;
using testing::RunCli;
using testing::TempDir;

class CliConventions : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
  }
  CliRun Run(const std::string& arguments, testing::CliOptions options = {}) {
    return RunCli("--home " + Quoted(home_.path()) + " " + arguments, options);
  }
  TempDir home_;
  TempDir sources_;
};

// The words of each command the general help lists ("  vision step charts --work-tree WT ...").
std::vector<std::string> ListedCommands(const std::string& help) {
  std::vector<std::string> commands;
  std::istringstream lines(help.substr(help.find("commands:\n")));
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("  ") || line.starts_with("   ")) continue;
    std::istringstream words(line);
    std::string command;
    for (std::string word; words >> word;) {
      if (word.find_first_of("[-|ABCDEFGHIJKLMNOPQRSTUVWXYZ") == 0) break;
      command += (command.empty() ? "" : " ") + word;
    }
    commands.push_back(command);
  }
  return commands;
}

TEST_F(CliConventions, EveryCommandAnswersHelpWithoutRunning) {
  CliRun general = Run("--help");
  ASSERT_EQ(general.status, 0);
  std::vector<std::string> commands = ListedCommands(general.out);
  ASSERT_GT(commands.size(), 20u) << general.out;
  for (const std::string& command : commands) {
    for (const char* flag : {"--help", "-h"}) {
      CliRun help = Run(command + " " + flag, testing::WithErrors());
      EXPECT_EQ(help.status, 0) << command << " " << flag << "\n" << help.out;
      const std::string usage = "usage: zuvoconv " + command;
      EXPECT_TRUE(help.out.starts_with(usage) &&
                  std::string(" \n").find(help.out[usage.size()]) != std::string::npos)
          << help.out;
    }
  }
  EXPECT_TRUE(fs::is_empty(home_.path())) << "help touched the program folder";

  CliRun vision = Run("vision run -h");
  for (const char* option :
       {"  --split-date D      split date, ROC yyymmdd or yyyy-mm-dd (default: 1070101)\n",
        "  --mode after|before  visits on and after the split date, or before it (default: "
        "after)\n",
        "  --file-size N       size limit of one chart file, 1-12 million bytes (default: 6)\n",
        "(default: source)\n", "(default: full)\n",
        "  --verbose           every message line (default: the first 3 of each kind)\n"}) {
    EXPECT_NE(vision.out.find(option), std::string::npos) << option << "\n" << vision.out;
  }
  EXPECT_NE(Run("realsun run --help").out.find("(default: 1060101)\n"), std::string::npos);
  CliRun group = Run("realsun --help");
  EXPECT_EQ(group.status, 0);
  EXPECT_NE(group.out.find("  realsun step charts --work-tree WT"), std::string::npos) << group.out;
}

// Refusals and stops say why on stderr, naming the option that supplies what was missing.
TEST_F(CliConventions, StopsAndRefusalsSayWhyOnStandardError) {
  const fs::path realsun = sources_ / "rs";
  demo::WriteRealSunDemoSource(realsun, 4);
  testing::CliOptions errors;
  errors.errors_only = true;
  CliRun stopped = Run("realsun run " + Quoted(realsun) + " --pharmacist 林美玲", errors);
  EXPECT_EQ(stopped.status, 2);
  EXPECT_EQ(
      stopped.out,
      "zuvoconv realsun run: 已停止 (製作Zuvo病歷檔): 沒有開業日期記錄:用 --start-date 指定\n");

  CliRun refused = Run("vision run " + Quoted(realsun), errors);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.out, "zuvoconv vision run: 已停止: 你選取的系統是耀聖,與目前設定的系統不合\n");
}

// A whole run given every setting: no reminder of a setting the command gave, the end told once
// with each step's rows, each kind of line printed at most three times, the report named; verify
// takes the printed work tree.
TEST_F(CliConventions, ARunEndsWithItsSummaryAndVerifyTakesItsWorkTree) {
  const fs::path realsun = sources_ / "rs";
  demo::WriteRealSunDemoSource(realsun, 4);
  CliRun run = Run("realsun run " + Quoted(realsun) +
                   " --split-date '' --start-date 0990101 --pharmacist 林美玲"
                   " --pharmacist-id B223456789");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out.find("沒有藥師資料"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("尚未設定開業日期"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\n完成\n"), std::string::npos) << run.out;
  std::smatch patients;
  ASSERT_TRUE(
      std::regex_search(run.out, patients, std::regex("\n製作病人資料: (\\d+)/(\\d+) 筆\n")))
      << run.out;
  EXPECT_EQ(patients[1], patients[2]);
  EXPECT_GT(std::stol(patients[1]), 0);
  EXPECT_NE(run.out.find("\nreport: "), std::string::npos);

  // Every kind the warning line counts shows at most three of its lines before the summary.
  std::smatch warnings;
  ASSERT_TRUE(std::regex_search(run.out, warnings, std::regex("\n警告: ([^\n]*)\n")));
  std::map<std::string, size_t> printed;
  std::istringstream lines(run.out.substr(0, run.out.find("\n完成\n")));
  for (std::string line; std::getline(lines, line);) ++printed[MessageKindOf(line)];
  bool held_back = false;
  std::string counted = std::string(warnings[1]) + ", ";
  for (size_t at = 0, next; (next = counted.find(", ", at)) != std::string::npos; at = next + 2) {
    const std::string entry = counted.substr(at, next - at);
    const std::string kind = entry.substr(0, entry.rfind(' '));
    const size_t count = std::stoul(entry.substr(entry.rfind(' ') + 1));
    EXPECT_EQ(printed[kind], std::min<size_t>(count, 3)) << kind;
    held_back = held_back || count > 3;
  }
  EXPECT_TRUE(held_back) << "the demo clinic has some kind more than three times: " << counted;
  EXPECT_NE(run.out.find("(每種訊息只列出前 3 筆;全部見轉檔報告,或加 --verbose)\n"),
            std::string::npos);

  const fs::path work_tree = testing::PrintedWorkTree(run.out);
  CliRun verified = Run("verify " + Quoted(work_tree), testing::WithErrors());
  EXPECT_EQ(verified.status, 0) << verified.out;
  EXPECT_TRUE(verified.out.starts_with("store: " + PathToUtf8(work_tree / "Tolsern")))
      << verified.out;
  EXPECT_NE(verified.out.find("\nclean\n"), std::string::npos);
}

}  // namespace
}  // namespace zuvo
