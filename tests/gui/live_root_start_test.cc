// The window's start settles an apply that was killed between the renames of its switch, so
// that the live root is whole again before anything else happens.
#include <gtest/gtest.h>

#include "app/live_folders.h"
#include "core/chart_fixture.h"
#include "core/store_verify.h"
#include "main_window.h"
#include "scripted_prompts.h"
#include "support/chart_set_builder.h"
#include "support/cli_runner.h"
#include "support/folder_files.h"
#include "support/temp_dir.h"
#include "test_application.h"
#include "text_fields.h"
#include "workspace/conversion_guard.h"

namespace zuvo::gui {
namespace {

namespace fs = std::filesystem;
using zuvo::testing::TempDir;

constexpr char kCode[] = "3501200000";

void BuildSet(const fs::path& folder, const std::string& tag, double first_visit) {
  zuvo::testing::ChartSetSpec spec;
  spec.tag = tag;
  for (int32_t number = 1; number <= 2; ++number) {
    spec.patients.push_back(zuvo::testing::NumberedPatient(number));
  }
  for (int visit = 0; visit < 4; ++visit) {
    spec.visits.push_back(zuvo::testing::Visit(visit % 2 + 1, first_visit + visit * 3 + 0.4));
  }
  spec.opening = first_visit - 10;
  spec.last_day = first_visit + 50;
  zuvo::testing::BuildChartSet(folder, spec);
}

TEST(MainWindowStart, UndoesAnApplyKilledBetweenTheRenamesOfItsSwitch) {
  if (!zuvo::testing::HaveCli()) GTEST_SKIP() << "ZUVO_CLI names no zuvoconv";
  testing::EnsureApplication();
  TempDir home;
  TempDir dir;
  const fs::path live = home / "live";  // the default live root of the program folder
  const fs::path work_tree = dir / kCode / "work";
  BuildSet(work_tree, "new", 44000);
  {
    ConversionGuard run(work_tree, "vision run", SourceSystem::kVision, {}, [] { return 46000.0; });
    run.Finish(true, {});
  }
  BuildSet(live, "live", 43900);
  const auto original = zuvo::testing::LiveFolderFiles(live);

  zuvo::testing::CliRun killed =
      zuvo::testing::RunCli("--home " + zuvo::testing::Quoted(home.path()) + " apply " +
                                zuvo::testing::Quoted(work_tree) + " --yes",
                            zuvo::testing::WithErrors("ZUVO_TEST_POINT='folder-switch:in Corvix'"));
  ASSERT_EQ(killed.status, 128 + 9) << killed.out;
  ASSERT_FALSE(fs::exists(live / "Tolsern"));

  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  TFdataedit window(environment);
  EXPECT_EQ(prompts.messages(),
            (std::vector<QString>{"上次中斷的套用或還原已經復原,現用資料是中斷前的資料"}));
  EXPECT_EQ(zuvo::testing::LiveFolderFiles(live), original);
  EXPECT_FALSE(fs::exists(live / "ZuvoSwitch.journal"));
  EXPECT_TRUE(VerifyStore(zuvo::testing::ChartSetStoreOf(live, kCode)).clean());
}

}  // namespace
}  // namespace zuvo::gui
