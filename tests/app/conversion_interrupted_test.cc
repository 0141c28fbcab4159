// Conversion steps killed at chosen points and run again, as separate processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "demo/demo_clinic.h"
#include "platform/file_ops.h"
#include "platform/table_store.h"
#include "support/cli_runner.h"
#include "support/folder_files.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::CliOptions;
using testing::Quoted;
using testing::RunCli;

constexpr int kKilled = 128 + 9;

class ConversionInterruptedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
    demo::WriteVisionDemoSource(source, 5);
    testing::CliRun selected = RunCli(home_option + "vision select " + Quoted(source));
    ASSERT_EQ(selected.status, 0) << selected.out;
    work_tree = testing::PrintedWorkTree(selected.out);
    ASSERT_FALSE(work_tree.empty()) << selected.out;
  }

  testing::CliRun Step(const std::string& step, const std::string& test_point = "") {
    CliOptions options =
        testing::WithErrors(test_point.empty() ? "" : "ZUVO_TEST_POINT='" + test_point + "'");
    return RunCli(home_option + "vision step " + step + " --work-tree " + Quoted(work_tree),
                  options);
  }
  size_t CatalogueRows() {
    Database opd = Database::OpenReadOnly(work_tree / "Corvix" / "OPD.mdb");
    return opd.Query("select INSUcode from MX").RecordCount();
  }

  testing::TempDir home;
  testing::TempDir sources;
  fs::path source = sources / "visw";
  fs::path work_tree;
  std::string home_option = "--home " + Quoted(home.path()) + " ";
};

// The killed step leaves OPD.mdb with its write-ahead log; the rerun must not replay that log
// into the fresh catalogue, and the program folder's reference databases stay as delivered.
TEST_F(ConversionInterruptedTest, ACatalogueStepRunAfterAKillHasNoDuplicateRows) {
  std::map<std::string, std::string> delivered = testing::FolderFiles(home.path());
  std::erase_if(delivered, [](const auto& file) {
    return !file.first.ends_with(".MDB") && !file.first.ends_with(".mdb");
  });
  ASSERT_FALSE(delivered.empty());
  ASSERT_EQ(Step("catalogue", "catalogue:orders-converted").status, kKilled);
  ASSERT_TRUE(fs::exists(work_tree / "Corvix" / "OPD.mdb-wal"));
  testing::CliRun rerun = Step("catalogue");
  ASSERT_EQ(rerun.status, 0) << rerun.out;
  const size_t after_kill = CatalogueRows();
  ASSERT_EQ(Step("catalogue").status, 0);
  EXPECT_EQ(after_kill, CatalogueRows());
  EXPECT_GT(after_kill, 0u);

  std::map<std::string, std::string> now = testing::FolderFiles(home.path());
  for (const auto& [name, digest] : delivered) EXPECT_EQ(now[name], digest) << name;
}

// A run killed in its pre-pass, and a run that ended on a damaged visit table, leave work trees
// that apply refuses, saying why.
TEST_F(ConversionInterruptedTest, ApplyRefusesWorkTreesOfKilledAndFailedRuns) {
  testing::CliRun killed =
      RunCli(home_option + "vision run " + Quoted(source),
             testing::WithErrors("ZUVO_TEST_POINT='prepass:complaints-converted'"));
  ASSERT_EQ(killed.status, kKilled) << killed.out;
  const fs::path killed_tree = testing::PrintedWorkTree(killed.out);
  ASSERT_EQ(killed_tree, work_tree);
  testing::CliRun refused =
      RunCli(home_option + "apply " + Quoted(killed_tree) + " --yes", testing::WithErrors());
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_NE(refused.out.find("最後一次轉檔 vision run"), std::string::npos) << refused.out;
  EXPECT_NE(refused.out.find("started"), std::string::npos) << refused.out;
  EXPECT_FALSE(fs::exists(home / "live" / "Tolsern"));

  // A visit table cut in the middle of a record.
  const fs::path visits = source / "CO03L.DBF";
  fs::resize_file(visits, fs::file_size(visits) - 7);
  testing::CliRun failed =
      RunCli(home_option + "vision run " + Quoted(source), testing::WithErrors());
  ASSERT_EQ(failed.status, 1) << failed.out;
  EXPECT_NE(failed.out.find(PathToUtf8(visits)), std::string::npos)
      << "the error names the source table: " << failed.out;
  refused = RunCli(home_option + "apply " + Quoted(testing::PrintedWorkTree(failed.out)) + " --yes",
                   testing::WithErrors());
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_NE(refused.out.find("failed"), std::string::npos) << refused.out;
  fs::create_directories(home.path() / "live");
  testing::CliRun forced = RunCli(
      home_option + "apply " + Quoted(testing::PrintedWorkTree(failed.out)) + " --yes --force",
      testing::WithErrors());
  EXPECT_EQ(forced.status, 0) << forced.out;
}

// Two runs of one clinic started together: one refuses at once, the other converts the whole
// catalogue and a store that verifies clean.
TEST_F(ConversionInterruptedTest, TwoRunsOfOneClinicNeverShareTheWorkTree) {
  const fs::path out = sources / "runs";
  fs::create_directories(out);
  std::string command;
  for (const char* run : {"a", "b"}) {
    command += "('" + std::string(std::getenv("ZUVO_CLI")) + "' " + home_option + "vision run " +
               Quoted(source) + " > " + Quoted(out / run) + " 2>&1; echo $? > " +
               Quoted(out / (std::string(run) + ".status")) + ") & ";
  }
  ASSERT_EQ(std::system((command + "wait").c_str()), 0);
  std::vector<std::string> statuses, outputs;
  for (const char* run : {"a", "b"}) {
    statuses.push_back(testing::ReadFileBytes(out / (std::string(run) + ".status")));
    outputs.push_back(testing::ReadFileBytes(out / run));
  }
  ASSERT_EQ(std::count(statuses.begin(), statuses.end(), "0\n"), 1) << outputs[0] << outputs[1];
  const size_t winner = statuses[0] == "0\n" ? 0 : 1;
  EXPECT_EQ(statuses[1 - winner], "1\n");
  EXPECT_NE(outputs[1 - winner].find("這個診所正在轉檔或套用"), std::string::npos)
      << outputs[1 - winner];
  const fs::path store =
      work_tree / "Tolsern" / WithoutTrailingSeparator(work_tree).parent_path().filename();
  EXPECT_EQ(RunCli(home_option + "verify " + Quoted(store)).status, 0);
  const size_t rows = CatalogueRows();
  ASSERT_EQ(Step("catalogue").status, 0);
  EXPECT_EQ(CatalogueRows(), rows) << "the run's catalogue is the whole catalogue";
}

// A source folder inside the program folder (here the work tree itself, holding the source's
// tables) is refused before anything is copied, and its tables stay.
TEST_F(ConversionInterruptedTest, TheWorkTreeAsSourceFolderIsRefused) {
  for (const auto& entry : fs::directory_iterator(source)) {
    if (entry.is_regular_file()) fs::copy_file(entry.path(), work_tree / entry.path().filename());
  }
  const std::map<std::string, std::string> before = testing::FolderFiles(work_tree);
  testing::CliRun refused = RunCli(home_option + "vision step catalogue --work-tree " +
                                       Quoted(work_tree) + " --source " + Quoted(work_tree),
                                   testing::WithErrors());
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_NE(refused.out.find("原始目錄不可以是程式資料夾或在它裡面"), std::string::npos)
      << refused.out;
  EXPECT_EQ(testing::FolderFiles(work_tree), before);
}

}  // namespace
}  // namespace zuvo
