// Conversion steps killed at chosen points and run again, as separate processes.
#include <gtest/gtest.h>

#include <map>

#include "demo/demo_clinic.h"
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
    CliOptions options{test_point.empty() ? "" : "ZUVO_TEST_POINT='" + test_point + "'", true};
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

}  // namespace
}  // namespace zuvo
