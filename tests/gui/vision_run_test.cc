// The Vision window's one-shot run and apply over the demo clinic, driven through its buttons
// with the dialogs answered by the test.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/program_folder.h"
#include "core/store_verify.h"
#include "demo/demo_clinic.h"
#include "main_window.h"
#include "platform/big5.h"
#include "platform/file_ops.h"
#include "platform/profile_file.h"
#include "platform/table_store.h"
#include "postprocess/screening.h"
// GCC's flow analysis sees the optional QString of the scripted folder answers as possibly
// uninitialised once it is inlined here; it is not.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "scripted_prompts.h"
#pragma GCC diagnostic pop
#include "started_steps.h"
#include "support/temp_dir.h"
#include "test_application.h"
#include "text_fields.h"
#include "workspace/folder_layout.h"

namespace zuvo::gui {
namespace {

using zuvo::testing::TempDir;

// The day after the demo's last visit day.
const DateTime kRunTime = *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});

struct VisionBench {
  explicit VisionBench(bool operator_mode = false) {
    testing::EnsureApplication();
    InstallDeliveredFiles(home.path());
    if (operator_mode) WriteProfileString(home / "DataEdit.ini", "Workbench", "OperatorMode", "1");
    environment.clock = [] { return kRunTime; };
    window = std::make_unique<TFdataedit>(environment);
    demo::WriteVisionDemoSource(source.path(), 1);
    // The real steps, noting which of them started.
    testing::NoteStartedSteps(vision().pipeline(), ran);
  }
  TFVISW& vision() { return window->vision_window(); }
  template <typename Widget>
  Widget* Find(const char* name) {
    Widget* widget = vision().findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::filesystem::path WorkTree() { return ToPath(Find<QLineEdit>("CVISWqmxDir")->text()); }

  TempDir home;
  TempDir source;
  RunFlags flags;
  zuvo::gui::testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  std::unique_ptr<TFdataedit> window;
  std::vector<std::string_view> ran;
};

TEST(VisionRun, FolderChoiceOneShotRunAndApply) {
  VisionBench bench;
  bench.prompts.AnswerNextFolder(FromPath(bench.source.path()));
  bench.Find<QPushButton>("CVISWselectPath")->click();
  ASSERT_EQ(bench.Find<QLineEdit>("CVISWHIS")->text(), "展望");
  size_t messages_before = bench.prompts.messages().size();

  bench.Find<QPushButton>("CVISWall")->click();
  EXPECT_EQ(bench.ran.size(), 5u);
  for (const char* box : {"CVISWmakeMXcheck", "CcreateAntCheck", "CreadWishChartcheck",
                          "CVISWdoCorvixChartcheck", "CscreenMXDXcheck"}) {
    EXPECT_TRUE(bench.Find<QCheckBox>(box)->isChecked()) << box;
  }
  EXPECT_FALSE(bench.Find<QCheckBox>("ClabInputcheck")->isChecked());
  EXPECT_EQ(bench.Find<QLineEdit>("CVISWPharmacistName")->text(), "釋出處方箋");
  EXPECT_EQ(bench.Find<QLabel>("CVISWuseTime")->text(), "耗時:00:00:00");  // the clock stands
  std::vector<QString> run_messages(bench.prompts.messages().begin() + messages_before,
                                    bench.prompts.messages().end());
  EXPECT_EQ(run_messages, std::vector<QString>{"Zuvo病歷資料製作完成"});
  Database catalogue = Database::Open(bench.WorkTree() / "Corvix" / "OPD.mdb");
  auto common = [&](std::string_view code) {
    RecordSet row = catalogue.Query("select common from DX where ICD10 = ?", {code});
    return !row.Eof() && row.Boolean("common");
  };
  EXPECT_TRUE(common("J069"));
  EXPECT_FALSE(common("J00")) << "a diagnosis the visits never use";
  EXPECT_EQ(ListByWildcard(bench.WorkTree(), "ConversionReport_*.txt").size(), 1u);

  std::filesystem::path live = bench.home / "live";
  std::filesystem::create_directories(live);  // apply never makes the live root
  bench.Find<QPushButton>("CVISWcopy")->click();
  EXPECT_EQ(bench.prompts.messages().back(), "已經套用");
  EXPECT_TRUE(std::filesystem::is_regular_file(live / "Corvix" / "OPD.mdb"));
  std::string clinic = bench.Find<QLineEdit>("CVISWclinicID")->text().toStdString();
  EXPECT_TRUE(std::filesystem::is_regular_file(live / "Tolsern" / clinic / "DayLink.Dat"));
  EXPECT_EQ(ReadProfileString(live / "Corvix" / "CORVIX.INI", "Corvix", "HostName"),
            ComputerName());
}

TEST(VisionRun, TheLabButtonImportsTheLabValuesOfTheConvertedClinic) {
  VisionBench bench(/*operator_mode=*/true);
  bench.prompts.AnswerNextFolder(FromPath(bench.source.path()));
  bench.Find<QPushButton>("CVISWselectPath")->click();
  bench.Find<QPushButton>("CVISWall")->click();
  ASSERT_TRUE(bench.Find<QCheckBox>("CscreenMXDXcheck")->isChecked());
  ASSERT_FALSE(bench.Find<QCheckBox>("ClabInputcheck")->isChecked());

  bench.Find<QPushButton>("ClabInput")->click();
  EXPECT_TRUE(bench.Find<QCheckBox>("ClabInputcheck")->isChecked());
  EXPECT_EQ(bench.prompts.messages().back(), "輸入檢驗值完成");
  auto* gauge = bench.Find<QProgressBar>("CVISWGauge");
  EXPECT_EQ(gauge->maximum(), 16) << "the demo's lab rows";
  EXPECT_EQ(gauge->value(), 16);
  auto* list = bench.Find<QListWidget>("CVISWlist");
  EXPECT_FALSE(list->findItems("沒有符合檢驗項目:999_XYZ", Qt::MatchExactly).isEmpty());
  EXPECT_EQ(list->findItems("*之前的14天病歷", Qt::MatchWildcard).size(), 2);
  const std::string clinic = bench.Find<QLineEdit>("CVISWclinicID")->text().toStdString();
  StoreVerifyReport verified = VerifyStore(WorkTreeStoreLocation(bench.WorkTree(), clinic));
  EXPECT_TRUE(verified.clean());
  EXPECT_GT(verified.entries, verified.chained_entries) << "the replaced entries stay behind";
}

TEST(VisionRun, StopButtonIsHeardWhileAStepRuns) {
  VisionBench bench;
  bench.prompts.AnswerNextFolder(FromPath(bench.source.path()));
  bench.Find<QPushButton>("CVISWselectPath")->click();
  size_t messages_before = bench.prompts.messages().size();
  QTimer::singleShot(0, [&] { bench.Find<QPushButton>("Cstop")->click(); });
  bench.Find<QPushButton>("CVISWall")->click();
  EXPECT_EQ(bench.ran, std::vector<std::string_view>{"catalogue"});
  EXPECT_FALSE(bench.Find<QCheckBox>("CVISWmakeMXcheck")->isChecked());
  EXPECT_FALSE(bench.Find<QCheckBox>("CscreenMXDXcheck")->isChecked());
  EXPECT_EQ(bench.prompts.messages().size(), messages_before);
  EXPECT_FALSE(bench.flags.StepMessages());
}

}  // namespace
}  // namespace zuvo::gui
