#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>

#include "core/code_tables.h"
#include "demo/demo_clinic.h"
#include "diagnosis_grid_layout.h"
#include "main_window.h"
#include "platform/big5.h"
#include "scripted_prompts.h"
#include "support/temp_dir.h"
#include "test_application.h"
#include "text_fields.h"

namespace zuvo::gui {
namespace {

using zuvo::testing::TempDir;
using zuvo::testing::WriteFileBytes;

QApplication& Application() { return testing::EnsureApplication(); }

// A program folder without the diagnosis database, the two windows over it, and the dialogs
// answered by the test.
struct Workbench {
  explicit Workbench(std::string data_edit_ini = "") {
    Application();
    if (!data_edit_ini.empty()) WriteFileBytes(home / "DataEdit.ini", data_edit_ini);
    window = std::make_unique<TFdataedit>(environment);
  }

  template <typename Widget>
  Widget* Find(const char* name) {
    Widget* widget = window->findChild<Widget*>(name);
    if (widget == nullptr) widget = window->vision_window().findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QString CaptionOf(const char* name) {
    for (QLabel* label : window->vision_window().findChildren<QLabel*>()) {
      if (label->buddy() != nullptr && label->buddy()->objectName() == name) return label->text();
    }
    return QString();
  }

  TempDir home;
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  std::unique_ptr<TFdataedit> window;
};

TEST(MainWindow, HasSixPagesWithHiddenTabsShowingTheTransferPage) {
  Workbench bench;
  TFdataedit& window = *bench.window;
  EXPECT_EQ(window.windowTitle(), "Zuvo系統資料轉檔");
  EXPECT_EQ(window.size(), QSize(391, 192));
  auto* pages = bench.Find<QTabWidget>("CPOPD");
  ASSERT_NE(pages, nullptr);
  QStringList names, captions;
  for (int i = 0; i < pages->count(); ++i) {
    names << pages->widget(i)->objectName();
    captions << pages->tabText(i);
  }
  EXPECT_EQ(names,
            QStringList({"CPdx", "Cset", "CPrealsun", "CPtransfer", "TabSheet1", "TabSheet2"}));
  EXPECT_EQ(captions, QStringList({"診斷", "設定", "耀聖", "轉檔", "家醫群轉檔", "檔案融合"}));
  EXPECT_FALSE(pages->tabBar()->isVisibleTo(&window));
  EXPECT_EQ(pages->currentWidget()->objectName(), "CPtransfer");
  EXPECT_EQ(bench.Find<QPushButton>("Button1")->text(), "轉檔");
}

TEST(MainWindow, StartsWithoutTheDiagnosisDatabaseAndStillListsTheDepartments) {
  Workbench bench;
  ASSERT_EQ(bench.prompts.messages().size(), 1u);
  EXPECT_TRUE(bench.prompts.messages()[0].contains("ICD10CM.MDB"))
      << bench.prompts.messages()[0].toStdString();
  auto* departments = bench.Find<QListWidget>("CclinicTypesList");
  ASSERT_EQ(departments->count(), 39);
  for (int i = 0; i < 39; ++i) {
    EXPECT_EQ(departments->item(i)->text(), FromUtf8(DepartmentNames[static_cast<size_t>(i)]));
    EXPECT_EQ(departments->item(i)->checkState(), Qt::Unchecked);
  }
  EXPECT_EQ(departments->item(16)->text(), "急診醫學科") << "code 22 comes before code 16";
  EXPECT_TRUE(bench.flags.StepMessages());
  EXPECT_FALSE(bench.Find<QListWidget>("CkeywordList")->isVisibleTo(bench.window.get()));
}

TEST(MainWindow, ShowsTheLastRealSunFolderFromDataEditIni) {
  Workbench bench("[" + big5::FromUtf8("耀聖system") + "]\r\n" + big5::FromUtf8("一轉目錄") +
                  "=/clinic/rs/\r\n");
  EXPECT_EQ(bench.Find<QLineEdit>("CRSdir")->text(), "/clinic/rs/");
  EXPECT_EQ(bench.Find<QLineEdit>("CRSsplitDate")->text(), "1060101");
}

TEST(VisionWindow, HasTheControlsOfItsLayout) {
  Workbench bench;
  TFVISW& vision = bench.window->vision_window();
  EXPECT_EQ(vision.windowTitle(), "V2Q轉換");
  EXPECT_FALSE(vision.isVisible());
  EXPECT_EQ(bench.Find<QPushButton>("CVISWselectPath")->text(), "選取原始目錄");
  const std::pair<const char*, const char*> fields[] = {{"CVISWdir", "原始目錄:"},
                                                        {"CVISWclinicName", "診所名稱:"},
                                                        {"CVISWclinicID", "健保代碼:"},
                                                        {"CVISWHIS", "HIS系統:"},
                                                        {"CVISWqmxDir", "轉檔後Zuvo資料夾:"},
                                                        {"CVISWPharmacistName", "藥師姓名:"},
                                                        {"CVISWPharmacistID", "藥師身分證:"},
                                                        {"CstartDate", "開業日期"},
                                                        {"CVISWsplitDate", "切割日期"}};
  for (auto [name, caption] : fields) {
    EXPECT_NE(vision.findChild<QLineEdit*>(name), nullptr) << name;
    EXPECT_EQ(bench.CaptionOf(name), caption) << name;
  }
  EXPECT_EQ(bench.Find<QLineEdit>("CVISWsplitDate")->text(), "1070101");
  for (const char* name : {"CSnameType", "CreMarkType", "CmakeDateMode"}) {
    auto* group = vision.findChild<OptionGroup*>(name);
    ASSERT_NE(group, nullptr) << name;
    EXPECT_EQ(group->ItemIndex(), 0) << name;
    EXPECT_FALSE(group->isEnabled()) << name;
  }
  EXPECT_EQ(vision.findChild<OptionGroup*>("CmakeDateMode")->Item(1)->text(), "之前日期");
  const std::pair<const char*, const char*> steps[] = {
      {"CmakeMX", "CVISWmakeMXcheck"},           {"CcreateAnt", "CcreateAntCheck"},
      {"CVISWreadChart", "CreadWishChartcheck"}, {"CVISWdoCorvixChart", "CVISWdoCorvixChartcheck"},
      {"CscreenMXDX", "CscreenMXDXcheck"},       {"ClabInput", "ClabInputcheck"}};
  for (auto [button, box] : steps) {
    EXPECT_FALSE(bench.Find<QPushButton>(button)->isEnabled()) << button;
    EXPECT_TRUE(bench.Find<QCheckBox>(box)->text().isEmpty()) << box;
  }
  EXPECT_EQ(bench.Find<QPushButton>("CVISWreadChart")->text(), "製作主訴,轉診,醫令連結檔");
  EXPECT_TRUE(bench.Find<QPushButton>("CVISWall")->isEnabled());
  EXPECT_EQ(bench.Find<QPushButton>("CVISWall")->text(), "一次性轉換");
  EXPECT_EQ(bench.Find<QPushButton>("CVISWcopy")->text(), "套用轉檔後資料");
  EXPECT_EQ(bench.Find<QPushButton>("Cstop")->text(), "停止");
  auto* file_size = bench.Find<QSpinBox>("CfileSize");
  EXPECT_EQ(file_size->value(), 6);
  EXPECT_EQ(file_size->minimum(), 1);
  EXPECT_EQ(file_size->maximum(), 12);
  EXPECT_NE(vision.findChild<QFrame*>("Panel4"), nullptr);
  EXPECT_NE(vision.findChild<QProgressBar*>("CVISWGauge"), nullptr);
  EXPECT_FALSE(bench.Find<QListWidget>("CVISWlist")->isVisibleTo(&vision));
}

TEST(VisionWindow, OperatorModeShowsTheTabsAndEnablesTheSingleSteps) {
  Workbench bench("[Workbench]\r\nOperatorMode=1\r\n");
  EXPECT_TRUE(bench.Find<QTabWidget>("CPOPD")->tabBar()->isVisibleTo(bench.window.get()));
  for (const char* step : {"CmakeMX", "CcreateAnt", "CVISWreadChart", "CVISWdoCorvixChart",
                           "CscreenMXDX", "ClabInput"}) {
    EXPECT_TRUE(bench.Find<QPushButton>(step)->isEnabled()) << step;
  }
  EXPECT_EQ(bench.Find<QPushButton>("ClabInput")->text(), "轉入檢驗值");
  EXPECT_TRUE(bench.Find<QListWidget>("CVISWlist")->isVisibleTo(&bench.window->vision_window()));
}

TEST(VisionWindow, Button1OpensItModallyWithTheLastVisionFolder) {
  Workbench bench("[Vsystem]\r\n" + big5::FromUtf8("一轉目錄") + "=/clinic/visw/\r\n");
  TFVISW& vision = bench.window->vision_window();
  bool was_open = false;
  QString folder;
  QTimer::singleShot(0, [&] {
    was_open = vision.isVisible() && vision.isModal();
    folder = bench.Find<QLineEdit>("CVISWdir")->text();
    vision.reject();
  });
  bench.Find<QPushButton>("Button1")->click();
  EXPECT_TRUE(was_open);
  EXPECT_EQ(folder, "/clinic/visw/");
}

TEST(VisionWindow, Button1WithoutAVsystemSectionOpensWithAnEmptyFolder) {
  Workbench bench;
  TFVISW& vision = bench.window->vision_window();
  vision.SetSourceFolderText("/stale/");
  QString folder = "unset";
  QTimer::singleShot(0, [&] {
    folder = bench.Find<QLineEdit>("CVISWdir")->text();
    vision.reject();
  });
  bench.window->Button1Click();
  EXPECT_TRUE(folder.isEmpty()) << folder.toStdString();
}

TEST(VisionWindow, StopButtonsSetTheRunFlags) {
  Workbench bench;
  EXPECT_TRUE(bench.flags.StepMessages());
  bench.Find<QPushButton>("CRSstop")->click();
  EXPECT_TRUE(bench.flags.StopRequested());
  EXPECT_TRUE(bench.flags.StepMessages()) << "the RealSun stop button leaves StepMessages";
  bench.flags.SetStopRequested(false);
  bench.Find<QPushButton>("Cstop")->click();
  EXPECT_TRUE(bench.flags.StopRequested());
  EXPECT_FALSE(bench.flags.StepMessages());
}

TEST(VisionWindow, DoubleClickOnAMessageLineOffersItForCopying) {
  Workbench bench;
  TFVISW& vision = bench.window->vision_window();
  vision.context().AddLine("病歷號為0錯誤:12");
  auto* list = bench.Find<QListWidget>("CVISWlist");
  ASSERT_EQ(list->count(), 1);
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_EQ(bench.prompts.asked_texts(), std::vector<QString>{"病歷號為0錯誤:12"});
}

TEST(VisionWindow, FolderChoiceFillsTheFieldsAndMakesTheWorkTree) {
  Workbench bench;
  bench.environment.clock = [] { return *EncodeDateTime({2018, 3, 26, 10, 0, 0, 0}); };
  TempDir source;
  demo::WriteVisionParameterTable(source.path(), {big5::FromUtf8("展望示範診所"), "3501200000"});
  bench.prompts.AnswerNextFolder(FromPath(source.path()));
  bench.Find<QPushButton>("CVISWselectPath")->click();

  EXPECT_EQ(bench.prompts.folder_captions(), std::vector<QString>{"選擇系統檔案夾"});
  EXPECT_EQ(bench.Find<QLineEdit>("CVISWdir")->text(), FromPath(source.path()) + "/");
  EXPECT_EQ(bench.Find<QLineEdit>("CVISWclinicName")->text(), "展望示範診所");
  EXPECT_EQ(bench.Find<QLineEdit>("CVISWclinicID")->text(), "3501200000");
  EXPECT_EQ(bench.Find<QLineEdit>("CVISWHIS")->text(), "展望");
  std::filesystem::path tree = bench.home / "VISW" / "3501200000" / "1070326_1";
  EXPECT_EQ(bench.Find<QLineEdit>("CVISWqmxDir")->text(), FromPath(tree) + "/");
  EXPECT_TRUE(std::filesystem::is_directory(tree / "Tolsern"));
  EXPECT_TRUE(std::filesystem::is_directory(tree / "Corvix"));
  EXPECT_EQ(bench.prompts.messages().size(), 1u) << "only the start-up message about the database";
}

TEST(RealSunPage, ModeChoiceMovesTheWorkTreeOnceTheClinicIsKnown) {
  Workbench bench;
  bench.environment.clock = [] { return *EncodeDateTime({2018, 3, 26, 10, 0, 0, 0}); };
  auto* mode = bench.Find<OptionGroup>("CmakeDateMode");
  EXPECT_TRUE(mode->isEnabled());
  mode->Item(1)->click();
  EXPECT_TRUE(bench.Find<QLineEdit>("CRSqmxDir")->text().isEmpty());

  TempDir source;
  demo::WriteRealSunTitleTable(source.path(), {big5::FromUtf8("耀聖示範診所"), "X9"});
  bench.prompts.AnswerNextFolder(FromPath(source.path()));
  bench.Find<QPushButton>("CRSselectPath")->click();
  EXPECT_EQ(bench.prompts.folder_captions(), std::vector<QString>{"選擇耀聖檔案夾"});
  EXPECT_EQ(bench.Find<QLineEdit>("CRSclinicName")->text(), "耀聖示範診所");
  std::filesystem::path clinic = bench.home / "RS" / "X9";
  EXPECT_EQ(bench.Find<QLineEdit>("CRSqmxDir")->text(), FromPath(clinic / "1070326_2") + "/");
  mode->Item(0)->click();
  EXPECT_EQ(bench.Find<QLineEdit>("CRSqmxDir")->text(), FromPath(clinic / "1070326_1") + "/");
  EXPECT_TRUE(std::filesystem::is_directory(clinic / "1070326_1" / "Tolsern" / "X9"));
}

// Without a work tree the RealSun page offers no apply; its restore refuses a page whose system
// is not RealSun. Nothing changes.
TEST(RealSunPage, ApplyAndRestoreWithoutARealSunFolderAreRefused) {
  Workbench bench;
  bench.Find<QLineEdit>("CRSHIS")->setText("展望");
  auto* apply = bench.Find<QPushButton>("CRSreplaceNow");
  EXPECT_FALSE(apply->isEnabled());
  EXPECT_EQ(apply->toolTip(), "還沒有轉檔後Zuvo資料夾");
  bench.Find<QPushButton>("CRSreturnInit")->click();
  ASSERT_FALSE(bench.prompts.messages().empty());
  EXPECT_EQ(bench.prompts.messages().back(), "請先選取正確耀聖來源目錄");
  EXPECT_FALSE(std::filesystem::exists(bench.home / "live"));
}

TEST(DiagnosisGrid, LongNameColumnsShareTheWidthBeyond400Pixels) {
  EXPECT_EQ(LongNameColumnWidths(1000), std::make_pair(360, 240));
  EXPECT_EQ(LongNameColumnWidths(401), std::make_pair(1, 0));
  EXPECT_EQ(LongNameColumnWidths(403), std::make_pair(2, 1));
  EXPECT_EQ(LongNameColumnWidths(300), std::make_pair(0, 0));
}

// Every single-step button runs its own step with what the window's boxes hold (the chart-file
// size box among them); while a step runs, every other run or step button does nothing.
TEST(VisionWindow, EachStepButtonRunsItsStepWithTheWindowsFields) {
  Workbench bench("[Workbench]\r\nOperatorMode=1\r\n");
  TFVISW& vision = bench.window->vision_window();
  std::vector<std::string> received;
  for (PipelineStep& step : vision.pipeline().steps) {
    step.run = [&, word = std::string(step.word)](RunFields& fields, const Workplace&,
                                                  StepContext&) {
      received.push_back(word + " size=" + std::to_string(fields.chart.file_size) +
                         " split=" + fields.chart.split_date +
                         " mode=" + std::to_string(static_cast<int>(fields.chart.mode)) +
                         " clinic=" + fields.folder.clinic_id);
      // Buttons pressed while the step runs: none of them may start anything.
      for (const char* other :
           {"CVISWall", "CmakeMX", "CVISWdoCorvixChart", "CVISWselectPath", "CVISWcopy"}) {
        bench.Find<QPushButton>(other)->click();
      }
      fields.chart.split_date = "1100101";  // what the step leaves is shown afterwards
      return StepResult::kDone;
    };
  }
  bench.Find<QSpinBox>("CfileSize")->setValue(3);
  bench.Find<QLineEdit>("CVISWsplitDate")->setText("1090101");
  bench.Find<QLineEdit>("CVISWclinicID")->setText("3501");
  std::vector<std::string> expected;
  for (const char* button :
       {"CmakeMX", "CcreateAnt", "CVISWreadChart", "CVISWdoCorvixChart", "CscreenMXDX"}) {
    bench.Find<QLineEdit>("CVISWsplitDate")->setText("1090101");
    bench.Find<QPushButton>(button)->click();
    EXPECT_EQ(bench.Find<QLineEdit>("CVISWsplitDate")->text(), "1100101") << button;
  }
  for (const char* word : {"catalogue", "patients", "prepass", "charts", "screen"}) {
    expected.push_back(std::string(word) + " size=3 split=1090101 mode=0 clinic=3501");
  }
  EXPECT_EQ(received, expected);
  // Each step ticks its box when it is done.
  for (const char* box : {"CVISWmakeMXcheck", "CcreateAntCheck", "CreadWishChartcheck",
                          "CVISWdoCorvixChartcheck", "CscreenMXDXcheck"}) {
    EXPECT_TRUE(bench.Find<QCheckBox>(box)->isChecked()) << box;
  }
}

}  // namespace
}  // namespace zuvo::gui
