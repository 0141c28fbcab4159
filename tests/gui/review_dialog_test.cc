// The review of a converted work tree, opened from the Vision window's button after a one-shot
// run, and the RealSun page's button before anything was converted.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <cstdlib>

#include "app/program_folder.h"
#include "demo/demo_clinic.h"
#include "main_window.h"
#include "review_dialog.h"
#include "scripted_prompts.h"
#include "support/temp_dir.h"
#include "test_application.h"
#include "text_fields.h"

namespace zuvo::gui {
namespace {

using zuvo::testing::TempDir;

TEST(ReviewDialog, TheVisionButtonShowsWhatWasConvertedAndWhatWasLeftOut) {
  testing::EnsureApplication();
  TempDir home, source;
  InstallDeliveredFiles(home.path());
  std::filesystem::create_directories(home / "live");  // the live root apply would replace
  demo::WriteVisionDemoSource(source.path(), 1);
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  environment.clock = [] { return *EncodeDateTime({2026, 12, 1, 10, 0, 0, 0}); };
  TFdataedit window(environment);
  TFVISW& vision = window.vision_window();
  prompts.AnswerNextFolder(FromPath(source.path()));
  vision.findChild<QPushButton*>("CVISWselectPath")->click();
  vision.findChild<QPushButton*>("CVISWall")->click();

  vision.findChild<QPushButton*>("CVISWreview")->click();
  auto* dialog = vision.findChild<ReviewDialog*>("ReviewDialog");
  ASSERT_NE(dialog, nullptr)
      << (prompts.messages().empty() ? QString() : prompts.messages().back()).toStdString();
  const QString summary = dialog->findChild<QLabel*>("ReviewSummary")->text();
  EXPECT_TRUE(summary.contains("只轉換 107/01/01 以後的門診,之前的 ")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("可以套用")) << summary.toStdString();

  // The year table ends with the totals: what was converted and what was left out add up.
  auto* years = dialog->findChild<QTableWidget*>("ReviewYears");
  const int total = years->rowCount() - 1;
  ASSERT_GT(total, 0);
  EXPECT_EQ(years->item(total, 0)->text(), "合計");
  long source_rows = years->item(total, 1)->text().toLong();
  long accounted = 0;
  for (int column = 2; column < years->columnCount(); ++column) {
    accounted += years->item(total, column)->text().toLong();
  }
  EXPECT_GT(source_rows, 0);
  EXPECT_EQ(accounted, source_rows);
  EXPECT_GT(years->item(total, 3)->text().toLong(), 0) << "visits before the split date";

  // A message kind opens to its lines.
  auto* kinds = dialog->findChild<QListWidget*>("ReviewMessageKinds");
  ASSERT_GT(kinds->count(), 0);
  kinds->setCurrentRow(0);
  EXPECT_FALSE(dialog->findChild<QPlainTextEdit*>("ReviewMessageLines")->toPlainText().isEmpty());

  // The patients searched by chart number; one patient's visits.
  auto* patients = dialog->findChild<QListWidget*>("ReviewPatients");
  const int everyone = patients->count();
  ASSERT_GT(everyone, 1);
  dialog->findChild<QLineEdit*>("ReviewPatientSearch")->setText("2");
  EXPECT_LT(patients->count(), everyone);
  ASSERT_GT(patients->count(), 0);
  for (int row = 0; row < patients->count(); ++row) {
    EXPECT_TRUE(patients->item(row)->text().contains("2"))
        << patients->item(row)->text().toStdString();
  }
  dialog->findChild<QLineEdit*>("ReviewPatientSearch")->setText("");
  for (int row = 0; row < patients->count(); ++row) {
    if (patients->item(row)->text().contains("(0 次門診)")) continue;
    patients->setCurrentRow(row);
    break;
  }
  const QString visits = dialog->findChild<QPlainTextEdit*>("ReviewVisits")->toPlainText();
  EXPECT_TRUE(visits.contains("診斷 ")) << visits.toStdString();

  // The picture of the documentation, when asked for.
  if (const char* folder = std::getenv("ZUVO_SCREENSHOTS")) {
    dialog->findChild<QLineEdit*>("ReviewPatientSearch")->setText("");
    dialog->grab().save(QString(folder) + "/review-dialog.png");
  }

  // Apply is offered from the review; without the live root it is not, and the button says why.
  EXPECT_TRUE(dialog->findChild<QPushButton*>("ReviewApply")->isEnabled());
  delete dialog;
  std::filesystem::remove(home / "live");
  vision.findChild<QPushButton*>("CVISWreview")->click();
  dialog = vision.findChild<ReviewDialog*>("ReviewDialog");
  ASSERT_NE(dialog, nullptr);
  auto* apply = dialog->findChild<QPushButton*>("ReviewApply");
  EXPECT_FALSE(apply->isEnabled());
  EXPECT_EQ(apply->toolTip(), "現用資料的根目錄不存在:" + FromPath(home / "live" / ""));
}

TEST(ReviewDialog, TheRealSunButtonWithoutAWorkTreeSaysSo) {
  testing::EnsureApplication();
  TempDir home;
  InstallDeliveredFiles(home.path());
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts};
  TFdataedit window(environment);
  window.realsun_page().findChild<QPushButton*>("CRSreview")->click();
  ASSERT_FALSE(prompts.messages().empty());
  EXPECT_EQ(prompts.messages().back(), "還沒有轉檔後Zuvo資料夾,請先選取原始目錄並轉檔");
  EXPECT_EQ(window.realsun_page().findChild<ReviewDialog*>("ReviewDialog"), nullptr);
}

}  // namespace
}  // namespace zuvo::gui
