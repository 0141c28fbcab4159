#pragma once

// The main window TFdataedit ("Zuvo系統資料轉檔"): a page control CPOPD with six pages whose tabs
// are hidden; the transfer page with its one button "轉檔", which opens the Vision window.

#include <QPushButton>
#include <QTabWidget>
#include <QWidget>
#include <vector>

#include "diagnosis_page.h"
#include "his_search_page.h"
#include "icd10_tools_panel.h"
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
  // The pages of the page control, in tab order, and showing one of them.
  std::vector<QWidget*> Pages() const;
  void ShowPage(QWidget* page);

  // Handlers.
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
  QWidget* AddPage(QWidget* content, const char* name, const QString& caption);
  QWidget* BuildTransferPage();
  QWidget* BuildSettingsPage();

  WorkbenchEnvironment& environment_;
  bool operator_mode_ = false;
  QTabWidget* CPOPD;
  DiagnosisPage* CPdx;
  RealSunPage* CPrealsun;
  HisSearchPage* TabSheet1;
  Icd10ToolsPanel* icd10_tools_;
  QPushButton* Button1;
  TFVISW* FVISW = nullptr;
};

}  // namespace zuvo::gui
