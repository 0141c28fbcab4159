// The RealSun page driven through its buttons over the demo's RealSun clinic: the folder choice,
// the one-shot run, the restore of the patient step's snapshot and the chart step again.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <map>

#include "app/program_folder.h"
#include "core/store_verify.h"
#include "demo/demo_clinic.h"
#include "main_window.h"
#include "option_group.h"
#include "platform/big5.h"
#include "platform/error.h"
#include "realsun_page.h"
// GCC's flow analysis sees the optional QString of the scripted folder answers as possibly
// uninitialised once it is inlined here; it is not.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "scripted_prompts.h"
#pragma GCC diagnostic pop
#include "review_dialog.h"
#include "started_steps.h"
#include "support/temp_dir.h"
#include "test_application.h"
#include "text_fields.h"
#include "workspace/conversion_guard.h"
#include "workspace/folder_layout.h"

namespace zuvo::gui {
namespace {

using zuvo::testing::TempDir;
using zuvo::testing::WriteFileBytes;

// The day after the demo's last visit day.
const DateTime kRunTime = *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0});

struct RealSunBench {
  RealSunBench() {
    testing::EnsureApplication();
    InstallDeliveredFiles(home.path());
    WriteFileBytes(home / "DataEdit.ini", "[Workbench]\r\nOperatorMode=1\r\n");
    environment.clock = [] { return kRunTime; };
    window = std::make_unique<TFdataedit>(environment);
    clinic = demo::WriteRealSunDemoSource(source.path(), 1);
    // The real steps, noting which of them started.
    testing::NoteStartedSteps(page().pipeline(), ran);
  }
  RealSunPage& page() { return window->realsun_page(); }
  template <typename Widget>
  Widget* Find(const char* name) {
    Widget* widget = page().findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::filesystem::path WorkTree() { return ToPath(Find<QLineEdit>("CRSqmxDir")->text()); }
  StoreVerifyReport Verify() { return VerifyStore(WorkTreeStoreLocation(WorkTree(), clinic.code)); }
  // The folder choice with the clinic's settings a new data.ini lacks typed in.
  void ChooseFolder() {
    prompts.AnswerNextFolder(FromPath(source.path()));
    Find<QPushButton>("CRSselectPath")->click();
    Find<QLineEdit>("CstartDate")->setText(QString::fromUtf8(demo::kRealSunDemoOpeningDate.data()));
    Find<QLineEdit>("CRSPharmacistName")->setText("林美玲");
    Find<QLineEdit>("CRSPharmacistID")->setText("B223456789");
  }

  TempDir home;
  TempDir source;
  demo::DemoClinic clinic;
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  std::unique_ptr<TFdataedit> window;
  std::vector<std::string_view> ran;
};

// "一次性轉換" with a blank split date: the mode "before", every step in order, their boxes
// ticked (the claim correction included), the doctors the clinic does not know listed, one closing
// box, a store that verifies; then "套用轉檔後資料" applies it.
TEST(RealSunRun, OneShotConvertsTheWholeClinicAndApplyMakesItLive) {
  RealSunBench bench;
  bench.ChooseFolder();
  bench.Find<QLineEdit>("CRSsplitDate")->clear();
  const size_t boxes_before = bench.prompts.messages().size();
  bench.Find<QPushButton>("CRSmakeall")->click();

  EXPECT_EQ(bench.ran,
            (std::vector<std::string_view>{"catalogue", "patients", "charts", "screen", "claims"}));
  ASSERT_EQ(bench.prompts.messages().size(), boxes_before + 1)
      << bench.prompts.messages().back().toStdString();
  EXPECT_EQ(bench.prompts.messages().back(), "Zuvo病歷資料製作完成");
  EXPECT_TRUE(bench.WorkTree().string().ends_with("_2/")) << bench.WorkTree();
  for (const char* box : {"CRSmakeMXcheck", "CRScreateAntcheck", "CRSdoCorvixChartcheck"}) {
    EXPECT_TRUE(bench.Find<QCheckBox>(box)->isChecked()) << box;
  }
  QStringList doctors;
  auto* list = bench.Find<QListWidget>("CRSdrlist");
  for (int row = 0; row < list->count(); ++row) doctors << list->item(row)->text();
  EXPECT_EQ(doctors, QStringList{"林醫師"}) << "the placeholder names are no doctors";
  EXPECT_TRUE(bench.Find<QLabel>("CRSuseTime")->text().startsWith("耗時:"));
  // The end told on the panel: the gauge full, each step's rows, the report to open.
  auto* gauge = bench.Find<QProgressBar>("CRSGauge");
  EXPECT_EQ(gauge->value(), gauge->maximum());
  EXPECT_GT(gauge->maximum(), 0);
  const QString summary = bench.Find<QLabel>("Panel6Summary")->text();
  EXPECT_TRUE(summary.startsWith("完成\n製作基本資料及OPD.MDB: ")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("\n篩選常用診斷及醫令: ")) << summary.toStdString();
  EXPECT_TRUE(bench.Find<QPushButton>("Panel6Report")->isVisibleTo(&bench.page()));
  EXPECT_TRUE(
      std::filesystem::is_regular_file(ToPath(bench.page().context().panel().report_file())));

  StoreVerifyReport verified = bench.Verify();
  EXPECT_TRUE(verified.clean());
  EXPECT_GT(verified.entries, 500);
  std::optional<ConversionRecord> record = ReadConversionRecord(bench.WorkTree());
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->activity, "realsun run");
  EXPECT_EQ(record->state, ConversionState::kCompleted);

  // The review accounts for every source visit row; the month without a claim table is the one
  // reason the demo's visits are left out. Its "套用轉檔後資料" applies: the question names the
  // clinic and its counts, and the converted store becomes the live one.
  std::filesystem::create_directories(bench.home / "live");  // apply never makes the live root
  EXPECT_TRUE(bench.Find<QPushButton>("CRSreplaceNow")->isEnabled());
  bench.Find<QPushButton>("CRSreview")->click();
  auto* dialog = bench.page().findChild<ReviewDialog*>("ReviewDialog");
  ASSERT_NE(dialog, nullptr) << bench.prompts.messages().back().toStdString();
  auto* years = dialog->findChild<QTableWidget*>("ReviewYears");
  const int total = years->rowCount() - 1;
  std::map<QString, long> totals;
  for (int column = 1; column < years->columnCount(); ++column) {
    totals[years->horizontalHeaderItem(column)->text()] =
        years->item(total, column)->text().toLong();
  }
  EXPECT_EQ(totals["已轉"], static_cast<long>(verified.entries));
  EXPECT_GT(totals["無申報檔"], 0);
  EXPECT_EQ(totals["其他"], 0);
  EXPECT_EQ(totals["來源"], totals["已轉"] + totals["無申報檔"]);
  auto* apply = dialog->findChild<QPushButton*>("ReviewApply");
  ASSERT_NE(apply, nullptr);
  EXPECT_TRUE(apply->isEnabled()) << apply->toolTip().toStdString();
  const size_t before_apply = bench.prompts.messages().size();
  apply->click();
  ASSERT_EQ(bench.prompts.messages().size(), before_apply + 2);
  const QString question = bench.prompts.messages()[before_apply];
  EXPECT_TRUE(question.contains("診所: " + FromBig5(bench.clinic.name) + " (" +
                                QString::fromStdString(bench.clinic.code) + ")\n病人 " +
                                QString::number(verified.patients) + " 筆,門診 " +
                                QString::number(verified.entries) + " 筆\n"))
      << question.toStdString();
  EXPECT_EQ(bench.prompts.messages().back(), "已經套用");
  StoreVerifyReport live =
      VerifyStore(WorkTreeStoreLocation(bench.home / "live", bench.clinic.code));
  EXPECT_TRUE(live.clean());
  EXPECT_EQ(live.entries, verified.entries);
}

// Each step button on its own, the claim correction last; then "返還前二階段資料" takes the work
// tree back to the patient step's snapshot (no chart entries, the first two boxes ticked), and
// "製作Zuvo病歷檔" makes the same store again.
TEST(RealSunRun, StepButtonsThenRestoreAndTheChartsAgain) {
  RealSunBench bench;
  bench.ChooseFolder();
  bench.Find<QLineEdit>("CRSsplitDate")->setText("1151201");
  bench.Find<OptionGroup>("CmakeDateMode")->Item(1)->click();
  for (const char* button :
       {"CRSmakeMX", "CRScreateAnt", "CRSdoCorvixChart", "CRSscreenMXDX", "CRSfixbyINSU"}) {
    bench.Find<QPushButton>(button)->click();
  }
  EXPECT_EQ(bench.ran,
            (std::vector<std::string_view>{"catalogue", "patients", "charts", "screen", "claims"}));
  EXPECT_EQ(bench.prompts.messages().back(), "病歷修正完成");
  StoreVerifyReport converted = bench.Verify();
  ASSERT_TRUE(converted.clean());
  ASSERT_GT(converted.entries, 500);
  EXPECT_EQ(bench.Find<QListWidget>("CRSdrlist")->count(), 1);

  bench.Find<QCheckBox>("CRSmakeMXcheck")->setChecked(false);
  bench.Find<QCheckBox>("CRScreateAntcheck")->setChecked(false);
  bench.Find<QPushButton>("CRSreturnInit")->click();
  EXPECT_EQ(bench.prompts.messages().back(), "返還完成,可以直接[製作Zuvo病歷檔]");
  EXPECT_TRUE(bench.Find<QCheckBox>("CRSmakeMXcheck")->isChecked());
  EXPECT_TRUE(bench.Find<QCheckBox>("CRScreateAntcheck")->isChecked());
  EXPECT_EQ(bench.Verify().entries, 0);

  bench.Find<QPushButton>("CRSdoCorvixChart")->click();
  StoreVerifyReport again = bench.Verify();
  EXPECT_TRUE(again.clean());
  EXPECT_EQ(again.entries, converted.entries);
}

// "停止" pressed while the patient step runs: no later step starts, no closing box, and the work
// tree's record says the run stopped (so apply refuses it).
TEST(RealSunRun, StopDuringAStepEndsTheRunThere) {
  RealSunBench bench;
  bench.ChooseFolder();
  bench.Find<QLineEdit>("CRSsplitDate")->clear();
  PipelineStep& patients = bench.page().pipeline().steps[1];
  ASSERT_EQ(patients.word, "patients");
  patients.run = [&bench, run = patients.run](RunFields& fields, const Workplace& place,
                                              StepContext& context) {
    StepResult result = run(fields, place, context);
    bench.Find<QPushButton>("CRSstop")->click();
    return result;
  };
  const size_t boxes_before = bench.prompts.messages().size();
  bench.Find<QPushButton>("CRSmakeall")->click();

  EXPECT_EQ(bench.ran, (std::vector<std::string_view>{"catalogue", "patients"}));
  EXPECT_EQ(bench.prompts.messages().size(), boxes_before);
  EXPECT_FALSE(bench.Find<QCheckBox>("CRSdoCorvixChartcheck")->isChecked());
  EXPECT_FALSE(bench.Find<QCheckBox>("CRScreateAntcheck")->isChecked());
  std::optional<ConversionRecord> record = ReadConversionRecord(bench.WorkTree());
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->state, ConversionState::kStopped);
  EXPECT_EQ(bench.Verify().entries, 0);
  EXPECT_EQ(bench.Find<QProgressBar>("CRSGauge")->value(), 0);
  EXPECT_TRUE(bench.Find<QLabel>("Panel6Summary")->text().startsWith("已停止 (製作病人資料)\n"))
      << bench.Find<QLabel>("Panel6Summary")->text().toStdString();
}

// While a run goes, the page's buttons are disabled but "停止"; a step that fails ends the run as
// failed on the panel, its error in a box, and the buttons come back.
TEST(RealSunRun, ButtonsWaitForTheRunAndAFailureIsToldOnThePanel) {
  RealSunBench bench;
  bench.ChooseFolder();
  bench.Find<QLineEdit>("CRSsplitDate")->clear();
  std::map<std::string, bool> enabled_during;
  PipelineStep& charts = bench.page().pipeline().steps[2];
  ASSERT_EQ(charts.word, "charts");
  charts.run = [&](RunFields&, const Workplace&, StepContext&) -> StepResult {
    for (const char* name : {"CRSmakeall", "CRSreplaceNow", "CRSreturnInit", "CRSselectPath",
                             "CRSmakeMX", "CRSstop"}) {
      enabled_during[name] = bench.Find<QPushButton>(name)->isEnabled();
    }
    throw Error("病歷檔無法寫入: X.dat");
  };
  bench.Find<QPushButton>("CRSmakeall")->click();

  EXPECT_EQ(enabled_during, (std::map<std::string, bool>{{"CRSmakeall", false},
                                                         {"CRSreplaceNow", false},
                                                         {"CRSreturnInit", false},
                                                         {"CRSselectPath", false},
                                                         {"CRSmakeMX", false},
                                                         {"CRSstop", true}}));
  EXPECT_EQ(bench.prompts.messages().back(), "病歷檔無法寫入: X.dat");
  const QString summary = bench.Find<QLabel>("Panel6Summary")->text();
  EXPECT_TRUE(summary.startsWith("失敗 (製作Zuvo病歷檔): 病歷檔無法寫入: X.dat\n"))
      << summary.toStdString();
  EXPECT_EQ(bench.Find<QProgressBar>("CRSGauge")->value(), 0);
  for (const char* name : {"CRSmakeall", "CRSmakeMX", "Panel6Report"}) {
    EXPECT_TRUE(bench.Find<QPushButton>(name)->isEnabled()) << name;
  }
  // A work tree whose run failed is not offered for apply, and the button says why.
  auto* apply = bench.Find<QPushButton>("CRSreplaceNow");
  EXPECT_FALSE(apply->isEnabled());
  EXPECT_TRUE(apply->toolTip().contains("沒有完成: failed")) << apply->toolTip().toStdString();
}

}  // namespace
}  // namespace zuvo::gui
