#pragma once

// The RealSun page CPrealsun of the main window: source folder and clinic fields, split date
// and mode, and the progress panel Panel6.

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "option_group.h"
#include "progress_panel.h"
#include "qt_step_context.h"
#include "workbench_environment.h"
#include "workspace/realsun_selection.h"

namespace zuvo::gui {

class RealSunPage : public QWidget {
  Q_OBJECT

 public:
  RealSunPage(WorkbenchEnvironment& environment, QWidget* parent = nullptr);

  QtStepContext& context() { return context_; }
  void SetSourceFolderText(const QString& text) { CRSdir->setText(text); }

  // Handlers.
  void CRSselectPathClick();
  void CmakeDateModeClick();
  void CRSstopClick();
  void CRSListClick(QListWidgetItem* item);

 private:
  RealSunFolderFields ReadFolderFields() const;
  void ShowFolderFields(const RealSunFolderFields& fields);
  // Runs a folder step on the page's fields and shows what it filled, also after an error.
  void RunFolderStep(StepResult (*step)(RealSunFolderFields&, const Workplace&, StepContext&));

  WorkbenchEnvironment& environment_;
  ProgressPanel* Panel6;
  QtStepContext context_;

  QPushButton* CRSselectPath;
  QLineEdit* CRSdir;
  QLineEdit* CRSclinicName;
  QLineEdit* CRSclinicID;
  QLineEdit* CRSHIS;
  QLineEdit* CRSqmxDir;
  QLineEdit* CRSPharmacistName;
  QLineEdit* CRSPharmacistID;
  QLineEdit* CstartDate;
  QLineEdit* CRSsplitDate;
  OptionGroup* CmakeDateMode;
};

}  // namespace zuvo::gui
