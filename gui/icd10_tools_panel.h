#pragma once

// The ICD-10 tools of the settings page Cset: the five import buttons, "輸入慢性病碼" (the
// chronic ranges of the diagnosis editor), the count CinputNo "轉入筆數" and the list of rows a
// tool skipped or could not find. Only "將它檔ICD10融入診斷資料庫" is enabled in the window's
// layout; operator mode enables them all.

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "diagnosis/icd10_tools.h"
#include "workbench_environment.h"

namespace zuvo::gui {

class Icd10ToolsPanel : public QWidget {
  Q_OBJECT

 public:
  explicit Icd10ToolsPanel(WorkbenchEnvironment& environment, QWidget* parent = nullptr);

  void SetOperatorMode(bool operator_mode);

  // Handlers.
  void CICD10txttoMDBClick();
  void CICD10toDXClick();
  void CDXsetInDXsetClick();
  void CreadICD10_PCSClick();
  void CcreatePCStableClick();
  void CsetLongDXClick();

 signals:
  // DX changed: the diagnosis page reads it again.
  void diagnosisTableChanged();

 private:
  using DiagnosisTool = StepResult (*)(DiagnosisToolRun&, const Workplace&, StepContext&);
  void RunTool(DiagnosisTool tool, bool changes_dx);

  WorkbenchEnvironment& environment_;
  QPushButton* CICD10txttoMDB;
  QPushButton* CICD10toDX;
  QPushButton* CDXsetInDXset;
  QPushButton* CreadICD10_PCS;
  QPushButton* CcreatePCStable;
  QPushButton* CsetLongDX;
  QLineEdit* CinputNo;
  QListWidget* CinputList;
};

}  // namespace zuvo::gui
