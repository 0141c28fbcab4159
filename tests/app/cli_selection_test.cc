// The command line run as a program: folder selection, the demo, the Vision steps one by one,
// apply and restore.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "demo/demo_clinic.h"
#include "platform/big5.h"
#include "platform/dbf_table.h"
#include "platform/file_ops.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace zuvo {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

using testing::CliRun;
using testing::Quoted;
using testing::ReadFileBytes;
using testing::RunCli;

class CliSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
  }
  TempDir home;
  TempDir sources;
};

TEST_F(CliSelection, VisionSelectMakesTheWorkTreeAndPrintsTheFields) {
  fs::path source = sources / "visw";
  fs::create_directories(source);
  demo::WriteVisionParameterTable(source, {big5::FromUtf8("展望示範診所"), "3501200000"});
  fs::rename(source / "VISPARA.DBF", source / "vispara.DBF");
  CliRun run = RunCli("--home " + Quoted(home.path()) + " vision select " + Quoted(source));
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("system: 展望\nclinic name: 展望示範診所\nclinic code: 3501200000\n"),
            std::string::npos)
      << run.out;
  fs::path clinic = home.path() / "VISW" / "3501200000";
  ASSERT_TRUE(fs::is_directory(clinic));
  std::vector<fs::path> trees;
  for (const auto& entry : fs::directory_iterator(clinic)) {
    if (entry.is_directory()) trees.push_back(entry.path());
  }
  ASSERT_EQ(trees.size(), 1u);
  EXPECT_EQ(trees[0].filename().string().substr(7), "_1");
  EXPECT_TRUE(fs::is_directory(trees[0] / "Tolsern"));
  EXPECT_TRUE(fs::is_directory(trees[0] / "Corvix"));
  std::string last_line = "work tree: " + trees[0].string() + "/\n";
  ASSERT_GE(run.out.size(), last_line.size());
  EXPECT_EQ(run.out.substr(run.out.size() - last_line.size()), last_line);
}

TEST_F(CliSelection, VisionSelectOnARealSunFolderStopsWithStatusTwo) {
  fs::path source = sources / "rs";
  fs::create_directories(source);
  demo::WriteRealSunTitleTable(source, {"A", "X1"});
  CliRun run = RunCli("--home " + Quoted(home.path()) + " vision select " + Quoted(source));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.out.find("message: 你選取的系統是耀聖,與目前設定的系統不合\n"), std::string::npos)
      << run.out;
  EXPECT_EQ(run.out.find("work tree:"), std::string::npos);
  EXPECT_FALSE(fs::exists(home / "VISW"));
}

TEST_F(CliSelection, ADamagedTableIsAnErrorWithStatusOne) {
  fs::path source = sources / "broken";
  fs::create_directories(source);
  testing::WriteFileBytes(source / "VISPARA.DBF", "xx");
  EXPECT_EQ(RunCli("--home " + Quoted(home.path()) + " vision select " + Quoted(source)).status, 1);
}

// An empty program folder would silently be the program's own folder.
TEST_F(CliSelection, AnEmptyHomeIsRefused) {
  for (const char* home_option : {"--home ''", "--home="}) {
    CliRun run = RunCli(std::string(home_option) + " init", testing::WithErrors());
    EXPECT_EQ(run.status, 64) << home_option << run.out;
    EXPECT_NE(run.out.find("--home needs a folder"), std::string::npos) << run.out;
  }
}

TEST_F(CliSelection, DemoBuildsAndConvertsBothClinics) {
  CliRun run = RunCli("--home " + Quoted(home.path()) + " demo");
  ASSERT_EQ(run.status, 0) << run.out;
  size_t realsun = run.out.find("\nrealsun clinic\n");
  ASSERT_NE(realsun, std::string::npos) << run.out;
  const std::string vision = run.out.substr(0, realsun);
  const std::string rest = run.out.substr(realsun);
  EXPECT_NE(vision.find("system: 展望\n"), std::string::npos) << run.out;
  EXPECT_NE(rest.find("system: 耀聖\n"), std::string::npos) << run.out;
  // Each clinic is converted whole; every visit belongs to a patient record, so both stores
  // verify clean.
  for (const std::string& part : {vision, rest}) {
    EXPECT_NE(part.find("verify: clean"), std::string::npos) << part;
    EXPECT_NE(part.find("message: Zuvo病歷資料製作完成"), std::string::npos) << part;
  }
  EXPECT_NE(vision.find("work tree: " + (home.path() / "VISW").string()), std::string::npos);
  EXPECT_NE(rest.find("work tree: " + (home.path() / "RS").string()), std::string::npos);
  // The Vision clinic's lab values are imported, which replaces entries, and verified again.
  const size_t labs = vision.find("\nlab import\n");
  ASSERT_NE(labs, std::string::npos) << run.out;
  EXPECT_NE(vision.find("輸入檢驗值完成", labs), std::string::npos) << run.out;
  EXPECT_NE(vision.find("verify: clean", labs), std::string::npos) << run.out;
}

// The text after `label` up to the end of its line in `out`; empty when `label` is missing.
std::string PrintedValue(const std::string& out, const std::string& label) {
  const size_t at = out.find(label);
  if (at == std::string::npos) return {};
  const size_t start = at + label.size();
  return out.substr(start, out.find('\n', start) - start);
}

// The package installer gives the RealSun demo's vaccine row (clinic code FLU) the reference
// name as its Tname; every visit slot naming FLU still becomes an order line of the vaccine's
// NHI code (tag 24, the code a string[10] at its offset 0).
TEST_F(CliSelection, DemoKeepsEveryOrderTheCatalogueHoldsUnderAnotherName) {
  CliRun run = RunCli("--home " + Quoted(home.path()) + " demo");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::string rest = run.out.substr(run.out.find("\nrealsun clinic\n"));
  EXPECT_EQ(run.out.find("找不到處置:[FLU]"), std::string::npos) << run.out;

  const fs::path source = PrintedValue(run.out, "demo RealSun source: ");
  size_t flu_slots = 0;
  for (int n = 1; ResolvePath(source, "Z/plut" + std::to_string(n) + ".dbf"); ++n) {
    DbfTable visits = DbfTable::Open(source, "Z/plut" + std::to_string(n) + ".dbf");
    for (visits.First(); !visits.Eof(); visits.Next()) {
      for (int k = 1; k <= 28; ++k) {
        flu_slots += big5::Trim(visits.Text("DRUG" + std::to_string(k))) == "FLU";
      }
    }
  }
  const fs::path result = PrintedValue(rest, "  result: ");
  const std::string code = result.parent_path().parent_path().filename().string();
  const std::string vaccine_line = std::string("\x18\x00\x0a", 3) + "K000912210";
  size_t vaccine_lines = 0;
  for (const auto& item : fs::directory_iterator(result / "Tolsern" / code / "CHART")) {
    const std::string bytes = ReadFileBytes(item.path());
    for (size_t at = bytes.find(vaccine_line); at != std::string::npos;
         at = bytes.find(vaccine_line, at + 1)) {
      ++vaccine_lines;
    }
  }
  EXPECT_GT(flu_slots, 0u);
  EXPECT_EQ(vaccine_lines, flu_slots);
}

// The path a support engineer takes step by step: select, the six steps, verify, apply twice,
// restore the first backup.
TEST_F(CliSelection, VisionStepsOneByOneThenApplyAndRestore) {
  fs::path source = sources / "visw";
  demo::WriteVisionDemoSource(source, 3);
  const std::string home_option = "--home " + Quoted(home.path()) + " ";
  CliRun selected = RunCli(home_option + "vision select " + Quoted(source));
  ASSERT_EQ(selected.status, 0) << selected.out;
  const std::string marker = "work tree: ";
  size_t at = selected.out.rfind(marker);
  ASSERT_NE(at, std::string::npos);
  std::string work_tree = selected.out.substr(at + marker.size());
  work_tree.pop_back();  // the newline
  for (const char* step : {"catalogue", "patients", "prepass --split-date 1070101",
                           "charts --split-date 1070101", "screen", "labs"}) {
    CliRun run = RunCli(home_option + "vision step " + step + " --work-tree " + Quoted(work_tree));
    ASSERT_EQ(run.status, 0) << step << "\n" << run.out;
  }
  std::string clinic = fs::path(work_tree).parent_path().parent_path().filename().string();
  fs::path store = fs::path(work_tree) / "Tolsern" / clinic;
  CliRun verified = RunCli(home_option + "verify " + Quoted(store));
  EXPECT_EQ(verified.status, 0) << verified.out;

  // The default live root is not there yet: apply refuses it rather than making it.
  fs::path live = home / "live";
  CliRun refused =
      RunCli(home_option + "apply " + Quoted(work_tree) + " --yes", testing::WithErrors());
  EXPECT_EQ(refused.status, 1) << refused.out;
  EXPECT_NE(refused.out.find("現用資料的根目錄不存在: " + PathToUtf8(live) +
                             " (請檢查 DataEdit.ini [Workbench] LiveRoot),現用資料沒有變動"),
            std::string::npos)
      << refused.out;
  EXPECT_FALSE(fs::exists(live));
  fs::create_directories(live);
  ASSERT_EQ(RunCli(home_option + "apply " + Quoted(work_tree) + " --yes").status, 0);
  fs::path applied_store = live / "Tolsern" / clinic / "DayLink.Dat";
  const std::string applied = testing::ReadFileBytes(applied_store);
  // The second apply backs up the first one's result, under a name a second later.
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  CliRun again = RunCli(home_option + "apply " + Quoted(work_tree) + " --yes");
  ASSERT_EQ(again.status, 0) << again.out;
  EXPECT_EQ(testing::ReadFileBytes(applied_store), applied);
  std::vector<fs::path> backups;
  for (const auto& entry : fs::directory_iterator(live)) {
    if (entry.path().filename().string().rfind("ZuvoBackup_", 0) == 0) {
      backups.push_back(entry.path());
    }
  }
  ASSERT_EQ(backups.size(), 1u) << "the first apply found no live folders to back up";
  EXPECT_EQ(testing::ReadFileBytes(backups[0] / "Tolsern" / clinic / "DayLink.Dat"), applied);

  fs::remove(live / "Corvix" / "OPD.mdb");
  CliRun restored = RunCli(home_option + "restore-live " + Quoted(backups[0]));
  ASSERT_EQ(restored.status, 0) << restored.out;
  EXPECT_TRUE(fs::is_regular_file(live / "Corvix" / "OPD.mdb"));
}

}  // namespace
}  // namespace zuvo
