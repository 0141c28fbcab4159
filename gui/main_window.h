#pragma once

// The main window TFdataedit ("Zuvo系統資料轉檔"): a page control CPOPD with six pages whose tabs
// are hidden; the transfer page with its one button "轉檔", which opens the Vision window. Its
// menu opens the backups of the live folders (to undo an apply) and tells the version.

#include <QAction>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>
#include <vector>

#include "anonymiser_box.h"
#include "diagnosis_page.h"
#include "his_search_page.h"
#include "icd10_tools_panel.h"
#include "merge_page.h"
#include "realsun_page.h"
#include "vision_window.h"
#include "workbench_environment.h"

namespace zuvo::gui {

class TFdataedit : public QWidget {
  Q_OBJECT

 public:
  // Builds the window and runs the start-up steps (FormCreate), then creates the Vision window,
  // hidden.
  explicit TFdataedit(WorkbenchEnvironment& environment, QWidget* parent = nullptr);

  TFVISW& vision_window() { return *FVISW; }
  WorkbenchEnvironment& environment() { return environment_; }
  RealSunPage& realsun_page() { return *CPrealsun; }
  // The pages of the page control, in tab order, and showing one of them.
  std::vector<QWidget*> Pages() const;
  void ShowPage(QWidget* page);

  // Handlers.
  void Button1Click();
  // "現用資料備份…": the backups of the live folders, to put one back.
  void CbackupsClick();
  // "關於…": the program's name and version.
  void AboutClick();

  QAction* backups_action() { return backups_action_; }
  QAction* about_action() { return about_action_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // Remembers the window's size in DataEdit.ini for the next start.
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  QWidget* AddPage(QWidget* content, const char* name, const QString& caption);
  QWidget* BuildTransferPage();
  QWidget* BuildSettingsPage();
  void BuildMenu(QLayout* layout);
  // In operator mode the window grows to show `page` whole (never beyond the screen); it does
  // not shrink, so a size the operator chose stays.
  void GrowToPage(QWidget* page);

  WorkbenchEnvironment& environment_;
  bool operator_mode_ = false;
  QTabWidget* CPOPD;
  DiagnosisPage* CPdx;
  RealSunPage* CPrealsun;
  HisSearchPage* TabSheet1;
  MergePage* TabSheet2;
  Icd10ToolsPanel* icd10_tools_;
  QPushButton* Button1;
  TFVISW* FVISW = nullptr;
  QAction* backups_action_ = nullptr;
  QAction* about_action_ = nullptr;
};

}  // namespace zuvo::gui
