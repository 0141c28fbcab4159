// The diagnosis page and the ICD-10 tools of the settings page, offscreen, over a diagnosis
// database made by the test; every button pressed.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "diagnosis/diagnosis_fixture.h"
#include "main_window.h"
#include "platform/big5.h"
#include "scripted_prompts.h"
#include "support/temp_dir.h"
#include "support/xls_writer.h"
#include "test_application.h"
#include "text_fields.h"

namespace zuvo::gui {
namespace {

namespace fs = std::filesystem;
using zuvo::testing::DxField;
using zuvo::testing::InsertDx;
using zuvo::testing::TempDir;

constexpr int kFamily = 1;       // 01 家醫科
constexpr int kGynaecology = 5;  // 05 婦產科

// A program folder with a diagnosis database and DataEdit.ini, the main window over it showing
// the diagnosis page, and the dialogs answered by the test.
struct DiagnosisBench {
  explicit DiagnosisBench(std::string data_edit_ini = "") {
    testing::EnsureApplication();
    {
      Database database = zuvo::testing::CreateDiagnosisDatabase(home / "ICD10CM.MDB");
      for (const char* code : {"K29", "K297", "K30", "R10"}) {
        InsertDx(database, {.code = code, .english_name = std::string("E ") + code});
      }
      InsertDx(database, {.code = "E119",
                          .status = 1,
                          .chronic_code = "01",
                          .short_name = "糖尿病",
                          .english_name = "Diabetes",
                          .clinic_types = "01,05,",
                          .keyword = "[糖尿][血糖]",
                          .rec_time = 45000});
      InsertDx(database, {.code = "J00",
                          .listed = true,
                          .common = true,
                          .short_name = "感冒",
                          .english_name = "Cold",
                          .clinic_types = "01,"});
    }
    zuvo::testing::WriteFileBytes(home / "DataEdit.ini", data_edit_ini);
    window = std::make_unique<TFdataedit>(environment);
    window->show();
    window->ShowPage(window->findChild<QWidget*>("CPdx"));
  }

  template <typename Widget>
  Widget* Find(const char* name) {
    Widget* widget = window->findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QPushButton* Button(const char* name) { return Find<QPushButton>(name); }
  QTreeWidget* Selection() { return Find<QTreeWidget>("CselList"); }
  QStringList SelectionCodes() {
    QStringList codes;
    for (int i = 0; i < Selection()->topLevelItemCount(); ++i) {
      codes << Selection()->topLevelItem(i)->text(1);
    }
    return codes;
  }
  QStringList Items(const char* list_name) {
    QStringList items;
    auto* list = Find<QListWidget>(list_name);
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
  }
  void TickDepartment(int index, bool ticked = true) {
    Find<QListWidget>("CclinicTypesList")
        ->item(index)
        ->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
  }
  // Clicks the grid row of `code`, as the operator would.
  void ClickGridRow(const QString& code) {
    auto* grid = Find<QTableView>("CDXGrid");
    QAbstractItemModel* model = grid->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->index(row, 1).data().toString() != code) continue;
      QModelIndex index = model->index(row, 1);
      grid->scrollTo(index);
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
      return;
    }
    ADD_FAILURE() << "no grid row " << code.toStdString();
  }
  QString GridCurrentCode() {
    auto* grid = Find<QTableView>("CDXGrid");
    return grid->model()->index(grid->currentIndex().row(), 1).data().toString();
  }
  void AddKeyword(const QString& keyword) {
    Find<QLineEdit>("CDXkeyInput")->setText(keyword);
    Button("CkeyAdd")->click();
  }
  std::string Dx(const char* code, const char* field) {
    Database database = Database::Open(home / "ICD10CM.MDB");
    return DxField(database, code, field);
  }
  QStringList Messages() {
    QStringList texts;
    for (const QString& text : prompts.messages()) texts << text;
    return texts;
  }

  TempDir home;
  RunFlags flags;
  testing::ScriptedPrompts prompts;
  WorkbenchEnvironment environment{home.path(), flags, prompts, [] { return 46000.5; }};
  std::unique_ptr<TFdataedit> window;
};

TEST(DiagnosisPage, GroupIsCheckedSavedAndTheSelectionCleared) {
  DiagnosisBench bench;
  bench.ClickGridRow("K297");
  bench.ClickGridRow("K29");
  bench.ClickGridRow("K29");
  EXPECT_EQ(bench.SelectionCodes(), QStringList({"K297", "K29"})) << "a second click adds nothing";
  EXPECT_EQ(bench.Find<QLineEdit>("Cdxsname")->text(), "E K297") << "Ename when Sname is null";
  bench.Selection()->topLevelItem(0)->setCheckState(0, Qt::Checked);
  bench.Selection()->topLevelItem(1)->setCheckState(0, Qt::Checked);
  bench.Find<QLineEdit>("Cdxsname")->setText("胃炎");
  bench.TickDepartment(kFamily);
  bench.TickDepartment(kGynaecology);
  bench.AddKeyword("胃");
  bench.AddKeyword("胃痛");
  bench.Find<QCheckBox>("CDXlongCheck")->setChecked(true);
  bench.Find<QLineEdit>("CDXlongCode")->setText("05");

  bench.Button("CDXok")->click();
  EXPECT_EQ(bench.Messages(), QStringList({"一群診斷必選只能一個被列出項目"}));
  EXPECT_EQ(bench.SelectionCodes(), QStringList({"K297", "K29"})) << "kept for correction";
  EXPECT_EQ(bench.Dx("K29", "Sname"), "");

  bench.Selection()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  bench.Button("CDXok")->click();
  EXPECT_EQ(bench.Messages().size(), 1);
  for (const char* code : {"K297", "K29"}) {
    EXPECT_EQ(bench.Dx(code, "Sname"), "胃炎");
    EXPECT_EQ(bench.Dx(code, "clinicTypes"), "01,05,");
    EXPECT_EQ(bench.Dx(code, "keyword"), "[胃][胃痛]");
    EXPECT_EQ(bench.Dx(code, "Scode"), "05");
    EXPECT_EQ(bench.Dx(code, "recTime"), "46000.5");
  }
  EXPECT_EQ(bench.Dx("K29", "bList"), "True");
  EXPECT_EQ(bench.Dx("K297", "bList"), "False");
  EXPECT_TRUE(bench.SelectionCodes().isEmpty());
  EXPECT_TRUE(bench.Find<QLineEdit>("Cdxsname")->text().isEmpty());
  EXPECT_TRUE(bench.Items("CkeywordSel").isEmpty());
  EXPECT_FALSE(bench.Find<QCheckBox>("CDXlongCheck")->isChecked());
  EXPECT_EQ(bench.Find<QListWidget>("CclinicTypesList")->item(kFamily)->checkState(), Qt::Checked)
      << "the department ticks stay for the next group";
  // The grid shows the saved group.
  bench.ClickGridRow("K29");
  EXPECT_EQ(bench.Find<QLineEdit>("Cdxsname")->text(), "胃炎");
  EXPECT_EQ(bench.Items("CkeywordSel"), QStringList({"胃", "胃痛"}));
}

// Every shown column has a Chinese title; the yes/no fields are check boxes, not "True"/"False".
TEST(DiagnosisPage, GridShowsChineseTitlesAndCheckBoxes) {
  DiagnosisBench bench;
  auto* grid = bench.Find<QTableView>("CDXGrid");
  QAbstractItemModel* model = grid->model();
  QStringList shown;
  for (int column = 0; column < model->columnCount(); ++column) {
    if (!grid->isColumnHidden(column))
      shown << model->headerData(column, Qt::Horizontal).toString();
  }
  EXPECT_EQ(shown, QStringList({"列出", "ICD10碼", "常用", "慢碼", "短診斷名", "英文名", "中文名",
                                "科別", "關鍵字", "最後修改時間", "排序", "排序分數", "排序權重"}));
  // Rows in code order: E119, J00, K29, K297, K30, R10. J00 alone is listed and common.
  for (int row = 0; row < model->rowCount(); ++row) {
    const bool j00 = model->index(row, 1).data().toString() == "J00";
    for (int column : {0, 3}) {
      QModelIndex cell = model->index(row, column);
      EXPECT_EQ(cell.data(Qt::CheckStateRole), QVariant(j00 ? Qt::Checked : Qt::Unchecked))
          << row << "," << column;
      EXPECT_FALSE(cell.data(Qt::DisplayRole).isValid()) << "no text beside the check box";
    }
  }
  bench.ClickGridRow("K30");
  EXPECT_EQ(bench.SelectionCodes(), QStringList({"K30"})) << "the code column found by its field";
}

TEST(DiagnosisPage, GridClickOfAChronicRowTakesItsSettingsAndWarnsOfAMixedGroup) {
  DiagnosisBench bench;
  bench.ClickGridRow("E119");
  EXPECT_TRUE(bench.Find<QCheckBox>("CDXlongCheck")->isChecked());
  EXPECT_EQ(bench.Find<QLineEdit>("CDXlongCode")->text(), "01");
  EXPECT_EQ(bench.Items("CkeywordSel"), QStringList({"糖尿", "血糖"}));
  EXPECT_EQ(bench.Find<QLineEdit>("CDXeditTime")->text(), "2023/03/15 00:00:00");
  EXPECT_EQ(bench.Selection()->topLevelItem(0)->text(2), "Y");
  EXPECT_TRUE(bench.Messages().isEmpty());
  bench.ClickGridRow("R10");
  EXPECT_EQ(bench.Messages(), QStringList({"慢性病與非慢性病不要放在同一組診斷群內"}));

  bench.Selection()->setCurrentItem(bench.Selection()->topLevelItem(0));
  QTest::mouseClick(bench.Selection()->viewport(), Qt::LeftButton, {},
                    bench.Selection()->visualItemRect(bench.Selection()->topLevelItem(1)).center());
  EXPECT_EQ(bench.Find<QLineEdit>("CDXenameDup")->text(), "E R10");
  bench.Button("CselListDel")->click();
  EXPECT_EQ(bench.SelectionCodes(), QStringList({"E119"}));
  bench.Selection()->setCurrentItem(bench.Selection()->topLevelItem(0));
  bench.Button("CselListDel")->click();
  EXPECT_TRUE(bench.SelectionCodes().isEmpty());
  EXPECT_TRUE(bench.Items("CkeywordSel").isEmpty()) << "the last line gone clears the fields";
  bench.Button("CselListDel")->click();  // nothing selected: nothing happens
  EXPECT_EQ(bench.Messages().size(), 1);
}

TEST(DiagnosisPage, ShortNameLengthTurnsRedFrom25Bytes) {
  DiagnosisBench bench;
  auto* name = bench.Find<QLineEdit>("Cdxsname");
  auto* length = bench.Find<QLabel>("CDXsnameLen");
  name->setText(" 第二型糖尿病伴有高血糖症 ");
  EXPECT_EQ(length->text(), "字數:24(上限24字)");
  EXPECT_EQ(name->palette().color(QPalette::Text), QColor(Qt::black));
  name->setText("第二型糖尿病伴有高血糖症狀");
  EXPECT_EQ(length->text(), "字數:26(上限24字)");
  EXPECT_EQ(name->palette().color(QPalette::Text), QColor(Qt::red));
  name->setText("Type 2 DM");
  EXPECT_EQ(length->text(), "字數:9(上限24字)");
  EXPECT_EQ(name->palette().color(QPalette::Text), QColor(Qt::black));
}

TEST(DiagnosisPage, KeywordsWithBracketsAreRefusedOthersAddedAndRemoved) {
  DiagnosisBench bench;
  bench.AddKeyword("胃]");
  EXPECT_EQ(bench.Messages(), QStringList({"關鍵字不可含 [  或  ]  字元"}));
  EXPECT_EQ(bench.Find<QLineEdit>("CDXkeyInput")->text(), "胃]") << "left for correction";
  EXPECT_TRUE(bench.Items("CkeywordSel").isEmpty());
  auto* input = bench.Find<QLineEdit>("CDXkeyInput");
  input->setText(" 也久 ");  // Big5 A4 5D and A4 5B: trail bytes that look like brackets
  QTest::keyClick(input, Qt::Key_Return);
  bench.AddKeyword("胃");
  bench.AddKeyword("胃");
  EXPECT_EQ(bench.Items("CkeywordSel"), QStringList({"也久", "胃"}));
  EXPECT_TRUE(input->text().isEmpty());
  bench.Find<QListWidget>("CkeywordSel")->setCurrentRow(0);
  bench.Button("CkeyDel")->click();
  EXPECT_EQ(bench.Items("CkeywordSel"), QStringList({"胃"}));
}

TEST(DiagnosisPage, KeywordListOpensAtTheTopLeftAndAddsTheClickedKeyword) {
  DiagnosisBench bench;
  auto* list = bench.Find<QListWidget>("CkeywordList");
  QPushButton* toggle = bench.Button("CshowKeywordList");
  toggle->click();
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(toggle->text(), "關閉關鍵字列表");
  EXPECT_EQ(list->pos(), QPoint(0, 0));
  EXPECT_EQ(list->width(), bench.Selection()->width() + 5);
  EXPECT_EQ(bench.Items("CkeywordList"), QStringList({"糖尿", "血糖"}))
      << "sorted, as the list keeps them";
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(0)).center());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(0)).center());
  EXPECT_EQ(bench.Items("CkeywordSel"), QStringList({"糖尿"}));
  toggle->click();
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(toggle->text(), "選取關鍵字");
}

TEST(DiagnosisPage, GotoAndTheTwoBringInButtons) {
  DiagnosisBench bench;
  auto* go = bench.Find<QLineEdit>("CDXgoto");
  QTest::keyClicks(go, "k2");
  EXPECT_EQ(bench.GridCurrentCode(), "K29") << "the first code starting with the text";
  go->setText("K30");
  QTest::keyClick(go, Qt::Key_Return);
  EXPECT_EQ(bench.GridCurrentCode(), "K30");

  go->setText("K29");
  bench.Button("CDXgetallICDhead")->click();
  EXPECT_EQ(bench.SelectionCodes(), QStringList({"K29", "K297"}));
  bench.Button("CselListClear")->click();
  EXPECT_TRUE(bench.SelectionCodes().isEmpty());

  bench.Find<QLineEdit>("Cdxsname")->setText(" 糖尿病 ");
  bench.Button("CDXgetAllSname")->click();
  EXPECT_EQ(bench.SelectionCodes(), QStringList({"E119"}));
  EXPECT_FALSE(bench.Find<QCheckBox>("CDXlongCheck")->isChecked())
      << "bring-in does not take the chronic mark";
}

TEST(DiagnosisPage, PreviewWindowShowsTheFirstDepartmentsPickList) {
  DiagnosisBench bench("[" + big5::FromUtf8("預覽視窗") + "]\r\n" +
                       big5::FromUtf8("處置視窗高度值=20\r\n處置視窗寬長值=700\r\n"
                                      "處置視窗高長值=300\r\n處置視窗欄值=4\r\n"
                                      "處置視窗左邊值=30\r\n"));
  DiagnosisPage* page = bench.window->findChild<DiagnosisPage*>();
  ASSERT_NE(page, nullptr);
  TFitem& preview = page->preview_window();
  EXPECT_FALSE(preview.isVisible()) << "made with the main window, hidden";
  EXPECT_EQ(preview.windowTitle(), "項目窗");

  bench.Button("CDXpreView")->click();
  EXPECT_EQ(bench.Messages(), QStringList({"沒有選擇使用科別"}));
  bench.Button("CDXpreView")->click();  // shown (empty) by the first press: hides it

  bench.TickDepartment(kGynaecology);
  bench.TickDepartment(kFamily);
  bench.Button("CDXpreView")->click();
  EXPECT_EQ(bench.Messages().last(), "選擇超過一科,只顯示家醫科");
  EXPECT_TRUE(preview.isVisible());
  EXPECT_EQ(preview.windowTitle(), "診斷輸入");
  EXPECT_TRUE(preview.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(preview.geometry(), QRect(30, 20, 700, 300));
  EXPECT_EQ(preview.Columns(), 4);
  QStringList names;
  auto* list = preview.findChild<QListWidget*>("Citem");
  for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
  EXPECT_EQ(names, QStringList({"感冒"}));

  // The front end's side buttons only stand there.
  for (QPushButton* button : preview.findChildren<QPushButton*>()) button->click();
  EXPECT_EQ(list->count(), 1);
  EXPECT_TRUE(preview.isVisible());
  bench.Button("CDXpreView")->click();
  EXPECT_FALSE(preview.isVisible());
}

// --- the settings page

std::string ToolsIni() { return "[Workbench]\r\nOperatorMode=1\r\n"; }

TEST(Icd10Tools, OnlyTheMergeIsEnabledOutsideOperatorMode) {
  DiagnosisBench bench;
  for (const char* name :
       {"CICD10txttoMDB", "CICD10toDX", "CreadICD10_PCS", "CcreatePCStable", "CsetLongDX"}) {
    EXPECT_FALSE(bench.Button(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(bench.Button("CDXsetInDXset")->isEnabled());
  EXPECT_EQ(bench.Button("CICD10toDX")->text(), "將轉檔ICD10瑱入診斷資料庫");
}

TEST(Icd10Tools, WorkbookImportThenDxRebuiltAfterConfirmation) {
  DiagnosisBench bench(ToolsIni());
  zuvo::testing::WriteXlsWorkbook(bench.home / "cm.xls", {{"CM",
                                                           {{"代碼", "名稱"},
                                                            {"K29", "Gastritis"},
                                                            {"", "胃炎"},
                                                            {"K29.0", "Acute gastritis"},
                                                            {"", "急性胃炎"},
                                                            {"K29.0", "twice"},
                                                            {"", "兩次"}}}});
  bench.Button("CICD10txttoMDB")->click();  // cancelled: nothing
  EXPECT_TRUE(bench.Messages().isEmpty());
  EXPECT_EQ(bench.prompts.file_starts().back(), FromPath(bench.home.path()));
  bench.prompts.AnswerNextFile(FromPath(bench.home / "cm.xls"));
  bench.Button("CICD10txttoMDB")->click();
  EXPECT_EQ(bench.Messages(), QStringList({"轉檔完成"}));
  EXPECT_EQ(bench.Find<QLineEdit>("CinputNo")->text(), "2");
  QStringList listed = bench.Items("CinputList");
  ASSERT_EQ(listed.size(), 2) << "the copy of the database, and the duplicate K29.0";
  EXPECT_TRUE(listed[0].startsWith("已備份診斷資料庫:" + FromPath(bench.home / "ICD10CM_")))
      << listed[0].toStdString();
  EXPECT_TRUE(listed[1].startsWith("ConstraintError")) << listed[1].toStdString();
  // A refused workbook leaves ICD10 as it was and no count that would read as its size.
  zuvo::testing::WriteXlsWorkbook(
      bench.home / "bad.xls",
      {{"CM", {{"K30", "Dyspepsia"}, {"", "消化不良"}, {"k31", "lower case"}, {"", "小寫"}}}});
  bench.prompts.AnswerNextFile(FromPath(bench.home / "bad.xls"));
  bench.Button("CICD10txttoMDB")->click();
  EXPECT_EQ(bench.Messages().last(), "錯誤ICDk31");
  EXPECT_EQ(bench.Find<QLineEdit>("CinputNo")->text(), "");

  bench.prompts.AnswerNextMessage(MessageAnswer::kCancel);
  bench.Button("CICD10toDX")->click();
  EXPECT_EQ(bench.Dx("R10", "Ename"), "E R10") << "declined: DX as it was";
  bench.Button("CICD10toDX")->click();
  QString closing = bench.Messages().last();
  EXPECT_TRUE(closing.startsWith("轉檔完成\n備份檔: ICD10CM_")) << closing.toStdString();
  EXPECT_TRUE(fs::exists(bench.home / closing.mid(closing.indexOf("ICD10CM_")).toStdString()));
  EXPECT_EQ(bench.Dx("R10", "Ename"), "<no row>");
  EXPECT_EQ(bench.Dx("K290", "Cname"), "急性胃炎");
  EXPECT_EQ(bench.Find<QTableView>("CDXGrid")->model()->rowCount(), 1) << "the grid read again";
}

TEST(Icd10Tools, AnEmptySourceIsRefusedWithoutACount) {
  DiagnosisBench bench(ToolsIni());
  zuvo::testing::WriteFileBytes(bench.home / "empty.txt", "");
  bench.prompts.AnswerNextFile(FromPath(bench.home / "empty.txt"));
  bench.Button("CcreatePCStable")->click();
  EXPECT_EQ(bench.Messages(), QStringList({"沒有讀到任何對應,資料表PCS未變更:" +
                                           FromPath(bench.home / "empty.txt")}));
  EXPECT_EQ(bench.Find<QLineEdit>("CinputNo")->text(), "");
  EXPECT_TRUE(bench.Items("CinputList").isEmpty()) << "no copy of the database was kept";
}

TEST(Icd10Tools, MergePcsImportsAndChronicRanges) {
  DiagnosisBench bench(ToolsIni());
  {
    Database other = zuvo::testing::CreateDiagnosisDatabase(bench.home / "other.MDB");
    InsertDx(other, {.code = "R10", .listed = true, .short_name = "腹痛", .clinic_types = "02,"});
    Database database = Database::Open(bench.home / "ICD10CM.MDB");
    zuvo::testing::ExecuteUtf8(
        database,
        "insert into DXlong (orderNo, Scode, begCode, endCOde) values (7, 'XX', 'E1', 'E2')");
  }
  bench.prompts.AnswerNextFile(FromPath(bench.home / "other.MDB"));
  bench.Button("CDXsetInDXset")->click();
  EXPECT_EQ(bench.Dx("R10", "Sname"), "腹痛");

  zuvo::testing::WriteXlsWorkbook(bench.home / "pcs.xls",
                                  {{"PCS", {{"0016070", "Bypass"}, {"", "繞道"}}}});
  bench.prompts.AnswerNextFile(FromPath(bench.home / "pcs.xls"));
  bench.Button("CreadICD10_PCS")->click();
  EXPECT_EQ(bench.prompts.file_starts().back(),
            FromPath(bench.home / "1.2 中文版ICD-10-PCS(106.07.19更新).xls"));
  zuvo::testing::WriteFileBytes(bench.home / "map.txt", "0016070\t83001B\r\n");
  bench.prompts.AnswerNextFile(FromPath(bench.home / "map.txt"));
  bench.Button("CcreatePCStable")->click();
  EXPECT_EQ(bench.prompts.file_starts().back(),
            FromPath(bench.home / "全民健康保險ICD-10-PCS代碼與醫令對應檔_10608更新.txt"));
  {
    Database database = Database::Open(bench.home / "ICD10CM.MDB");
    EXPECT_EQ(zuvo::testing::FieldOf(database, "PCS", "ICD10", "0016070", "CNAME"), "繞道");
  }

  bench.Button("CsetLongDX")->click();
  EXPECT_EQ(bench.Dx("E119", "status"), "0");
  EXPECT_EQ(bench.Find<QLineEdit>("CinputNo")->text(), "7");
  EXPECT_EQ(bench.Messages(), QStringList({"轉檔完成", "轉檔完成", "完成", "輸入完成"}));
}

}  // namespace
}  // namespace zuvo::gui
