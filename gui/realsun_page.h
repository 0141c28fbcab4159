#pragma once

// The RealSun page CPrealsun of the main window: source folder and clinic fields, split date
// and mode, the RealSun pipeline's step buttons with their check boxes, the one-shot run, restore,
// apply, the list of unknown doctors, and the progress panel Panel6.

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include <filesystem>

#include "clinic_field_boxes.h"
#include "option_group.h"
#include "pipeline_controls.h"
#include "progress_panel.h"
#include "qt_step_context.h"
#include "workbench_environment.h"

namespace zuvo::gui {

class RealSunPage : public QWidget {
  Q_OBJECT

 public:
  // `operator_mode` enables the step buttons.
  RealSunPage(WorkbenchEnvironment& environment, bool operator_mode, QWidget* parent = nullptr);

  QtStepContext& context() { return context_; }
  void SetSourceFolderText(const QString& text) { CRSdir->setText(text); }
  // The table of steps the page runs; a test may wrap their calls (the buttons stay).
  Pipeline& pipeline() { return controls_->pipeline(); }
  // Enables or disables the step buttons (operator mode).
  void EnableSteps(bool enabled);

  // Handlers (the step buttons' handlers are the pipeline controls').
  void CRSselectPathClick() { controls_->SelectClick(); }
  void CRSmakeallClick() { controls_->OneShotClick(); }
  void CmakeDateModeClick();
  void CRSreplaceNowClick();
  void CRSreviewClick();
  void CRSreturnInitClick();
  void CRSstopClick();
  void CRSListClick(QListWidgetItem* item);

 private:
  // Applies the work tree of the page's box, or `reviewed` when one is given (the review's
  // button).
  void Apply(const std::filesystem::path& reviewed);
  ClinicFieldBoxes Boxes() const;
  RunFields ReadRunFields() const;
  void ShowRunFields(const RunFields& fields);

  WorkbenchEnvironment& environment_;
  ProgressPanel* Panel6;
  QtStepContext context_;
  PipelineControls* controls_;

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
  QPushButton* CRSmakeall;
  QPushButton* CRSreplaceNow;
  QPushButton* CRSreview;
  QPushButton* CRSreturnInit;
  QListWidget* CRSdrlist;  // doctors' names the chart step did not find in data.ini
};

}  // namespace zuvo::gui
