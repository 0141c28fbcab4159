// The backups of the live folders in the window, and the window's own conventions: Qt's
// Chinese texts, its size remembered, the page it grows to, path boxes, the About box.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QTabBar>
#include <QTimer>

#include "app/apply_live.h"
#include "core/chart_fixture.h"
#include "live_backups_dialog.h"
#include "main_window.h"
#include "platform/file_ops.h"
#include "qt_translations.h"
#include "scripted_prompts.h"
#include "support/chart_set_builder.h"
#include "support/folder_files.h"
#include "support/recording_step_context.h"
#include "support/temp_dir.h"
#include "test_application.h"
#include "text_fields.h"
#include "workspace/conversion_guard.h"
#include "workspace/dataedit_ini.h"

namespace zuvo::gui {
namespace {

namespace fs = std::filesystem;
using zuvo::testing::TempDir;

constexpr char kCode[] = "3501200000";
const DateTime kFirstApply = *EncodeDateTime({2026, 12, 9, 8, 15, 30, 0});
const DateTime kSecondApply = *EncodeDateTime({2026, 12, 9, 9, 0, 0, 0});

void BuildSet(const fs::path& folder, const std::string& tag, double first_visit) {
  zuvo::testing::ChartSetSpec spec;
  spec.tag = tag;
  spec.patients.push_back(zuvo::testing::NumberedPatient(1));
  for (int visit = 0; visit < 3; ++visit) {
    spec.visits.push_back(zuvo::testing::Visit(1, first_visit + visit * 3 + 0.4));
  }
  spec.opening = first_visit - 10;
  spec.last_day = first_visit + 50;
  zuvo::testing::BuildChartSet(folder, spec);
}

// The files a backup holds apart from its manifest, in bytes.
uint64_t BackupBytes(const fs::path& backup) {
  uint64_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(backup)) {
    if (entry.is_regular_file() && entry.path().filename() != "ZuvoBackup.manifest") {
      bytes += entry.file_size();
    }
  }
  return bytes;
}

// A program folder whose default live root (home/live) was applied over twice: two backups,
// the older holding the original live folders.
struct BackupsBench {
  BackupsBench() {
    testing::EnsureApplication();
    BuildSet(live, "live", 43900);
    original = zuvo::testing::LiveFolderFiles(live);
    BuildSet(work_tree, "new", 44000);
    {
      ConversionGuard run(work_tree, "vision run", SourceSystem::kVision, {},
                          [] { return 46000.0; });
      run.Finish(true, {});
    }
    RecordingStepContext context(flags);
    first = ApplyWorkTree(work_tree, live, kFirstApply, context).backup;
    second = ApplyWorkTree(work_tree, live, kSecondApply, context).backup;
  }
  QStringList Row(QTreeWidget* list, int row) {
    QStringList texts;
    for (int column = 0; column < list->columnCount(); ++column) {
      texts << list->topLevelItem(row)->text(column);
    }
    return texts;
  }

  TempDir home;
  TempDir dir;
  fs::path live = home / "live";
  fs::path work_tree = dir / kCode / "1151209_1";
  std::map<std::string, std::string> original;
  fs::path first;
  fs::path second;
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts, [] { return kSecondApply + 0.1; }};
};

TEST(LiveBackupsDialog, ListsTheBackupsNewestFirstAndRestoresOnlyWhenConfirmed) {
  BackupsBench bench;
  ASSERT_EQ(bench.first, bench.live / "ZuvoBackup_1151209081530");
  ASSERT_EQ(bench.second, bench.live / "ZuvoBackup_1151209090000");
  const auto applied = zuvo::testing::LiveFolderFiles(bench.live);
  LiveBackupsDialog dialog(bench.environment);
  auto* list = dialog.findChild<QTreeWidget*>("CbackupList");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(dialog.findChild<QLineEdit*>("CliveRoot")->text(), FromPath(bench.live));
  ASSERT_EQ(list->topLevelItemCount(), 2);
  // Both backups are a little over 2.5 MB: shown in MB to one decimal.
  auto megabytes = [](uint64_t bytes) {
    EXPECT_GE(bytes, 1'000'000u);
    return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1) + " MB";
  };
  EXPECT_EQ(bench.Row(list, 0),
            QStringList({"115/12/09 09:00:00", kCode, megabytes(BackupBytes(bench.second)), "完整",
                         "ZuvoBackup_1151209090000"}));
  EXPECT_EQ(bench.Row(list, 1),
            QStringList({"115/12/09 08:15:30", kCode, megabytes(BackupBytes(bench.first)), "完整",
                         "ZuvoBackup_1151209081530"}));

  // The older backup, declined: nothing changes.
  list->setCurrentItem(list->topLevelItem(1));
  bench.prompts.AnswerNextMessage(MessageAnswer::kCancel);
  dialog.findChild<QPushButton*>("CbackupRestore")->click();
  const QString question =
      "請先關閉Zuvo系統門診及伺服器程式\n\n還原備份: " + FromPath(bench.first) +
      "\n現用資料根目錄: " + FromPath(bench.live) +
      "\n目前的現用資料會備份到: " + FromPath(bench.live / "ZuvoBackup_1151209112400");
  EXPECT_EQ(bench.prompts.messages(), (std::vector<QString>{question}));
  EXPECT_EQ(zuvo::testing::LiveFolderFiles(bench.live), applied);
  EXPECT_EQ(list->topLevelItemCount(), 2);

  // Confirmed: the original live folders are back, and what was live is a third backup, named
  // after the window's clock (09:00:00 + 0.1 day = 11:24:00).
  list->setCurrentItem(list->topLevelItem(1));
  dialog.findChild<QPushButton*>("CbackupRestore")->click();
  EXPECT_EQ(bench.prompts.messages(), (std::vector<QString>{question, question, "已經還原"}));
  EXPECT_EQ(zuvo::testing::LiveFolderFiles(bench.live), bench.original);
  ASSERT_EQ(list->topLevelItemCount(), 3);
  const fs::path third = bench.live / "ZuvoBackup_1151209112400";
  EXPECT_EQ(list->topLevelItem(0)->text(LiveBackupsDialog::kFolderColumn),
            FromPath(third.filename()));
  EXPECT_EQ(zuvo::testing::LiveFolderFiles(third), applied);
  auto* messages = dialog.findChild<QListWidget*>("CbackupMessages");
  ASSERT_EQ(messages->count(), 1);
  EXPECT_EQ(messages->item(0)->text(), "現用資料已備份到:" + FromPath(third));
}

TEST(LiveBackupsDialog, AsksForAChoiceAndNamesAMissingLiveRoot) {
  testing::EnsureApplication();
  TempDir home;
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  LiveBackupsDialog dialog(environment);
  EXPECT_EQ(dialog.findChild<QTreeWidget*>("CbackupList")->topLevelItemCount(), 0);
  auto* messages = dialog.findChild<QListWidget*>("CbackupMessages");
  ASSERT_EQ(messages->count(), 1);
  EXPECT_EQ(messages->item(0)->text(), "現用資料的根目錄不存在: " + FromPath(home / "live"));
  dialog.findChild<QPushButton*>("CbackupRestore")->click();
  EXPECT_EQ(prompts.messages(), (std::vector<QString>{"請先選取要還原的備份"}));
  EXPECT_FALSE(fs::exists(home / "live"));
}

// A main window over its own program folder, DataEdit.ini as given.
struct WindowBench {
  explicit WindowBench(const fs::path& folder, const std::string& data_edit_ini = "")
      : home(folder) {
    testing::EnsureApplication();
    if (!data_edit_ini.empty()) zuvo::testing::WriteFileBytes(home / "DataEdit.ini", data_edit_ini);
    window = std::make_unique<TFdataedit>(environment);
  }
  fs::path home;
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home, flags, prompts};
  std::unique_ptr<TFdataedit> window;
};

TEST(MainWindowConventions, RemembersItsSizeAcrossTwoWindows) {
  TempDir home;
  {
    WindowBench first(home.path());
    EXPECT_EQ(first.window->size(), QSize(391, 192)) << "nothing remembered yet";
    first.window->show();
    first.window->resize(640, 480);
    first.window->close();
  }
  WorkbenchSettings settings = DataEditIni(home.path()).ReadWorkbench();
  EXPECT_EQ(settings.window_width, 640);
  EXPECT_EQ(settings.window_height, 480);
  WindowBench second(home.path());
  EXPECT_EQ(second.window->size(), QSize(640, 480));
}

TEST(MainWindowConventions, GrowsToThePageChosenByItsTabAndDoesNotShrinkBack) {
  TempDir home;
  WindowBench bench(home.path(), "[Workbench]\r\nOperatorMode=1\r\n");
  TFdataedit& window = *bench.window;
  window.show();
  auto* pages = window.findChild<QTabWidget*>("CPOPD");
  auto* merge = window.findChild<QScrollArea*>("TabSheet2");
  ASSERT_NE(merge, nullptr);
  const QSize before = window.size();
  pages->tabBar()->setCurrentIndex(pages->indexOf(merge));
  QApplication::processEvents();
  // The page whole, unless the screen is smaller (the offscreen screen is 800 x 600).
  const QSize needed = merge->widget()->sizeHint();
  const QSize screen = window.screen()->availableSize();
  EXPECT_TRUE(merge->width() >= needed.width() || window.width() == screen.width())
      << merge->width() << " " << needed.width();
  EXPECT_TRUE(merge->height() >= needed.height() || window.height() == screen.height())
      << merge->height() << " " << needed.height();
  EXPECT_GT(window.width(), before.width());
  EXPECT_GT(window.height(), before.height());
  const QSize grown = window.size();
  pages->tabBar()->setCurrentIndex(pages->indexOf(window.findChild<QWidget*>("CPtransfer")));
  EXPECT_EQ(window.size(), grown);
}

TEST(MainWindowConventions, PathBoxesShowThePathsStartAndTheWholePathAsTooltip) {
  TempDir home;
  WindowBench bench(home.path());
  auto* box = bench.window->findChild<QLineEdit*>("CRSdir");
  ASSERT_NE(box, nullptr);
  const QString path = "/clinic/data/very/long/folder/names/of/a/realsun/installation/RSDATA";
  box->setText(path);
  EXPECT_EQ(box->cursorPosition(), 0);
  EXPECT_EQ(box->toolTip(), path);
  auto* vision = bench.window->vision_window().findChild<QLineEdit*>("CVISWqmxDir");
  vision->setText(path);
  EXPECT_EQ(vision->cursorPosition(), 0);
}

TEST(MainWindowConventions, MenuOpensTheBackupsAndTellsTheVersion) {
  TempDir home;
  WindowBench bench(home.path());
  bench.window->about_action()->trigger();
  ASSERT_FALSE(bench.prompts.messages().empty());
  EXPECT_EQ(bench.prompts.messages().back(), "Zuvo系統資料轉檔\n版本 " ZUVO_TEST_PROJECT_VERSION);
  // The dialog lets events through while it fills its list, before it is modal: wait for it.
  QString opened;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    opened = modal->objectName();
    modal->close();
    closer.stop();
  });
  closer.start(10);
  EXPECT_EQ(bench.window->backups_action()->text(), "現用資料備份與還原…");
  bench.window->backups_action()->trigger();
  EXPECT_EQ(opened, "FliveBackups");
}

TEST(QtTranslations, DialogButtonsAreChinese) {
  QApplication& application = testing::EnsureApplication();
  QTranslator* translator = InstallQtTranslations(application);
  if (translator == nullptr) {
    GTEST_SKIP() << "qtbase_zh_TW.qm is not in Qt's translations folder (Debian package "
                    "qt6-translations-l10n)";
  }
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text(), "是(&Y)");
  EXPECT_EQ(box.button(QMessageBox::No)->text(), "否(&N)");
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "取消");
  QCoreApplication::removeTranslator(translator);
  delete translator;
}

}  // namespace
}  // namespace zuvo::gui
