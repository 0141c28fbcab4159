#pragma once

// The Vision conversion window TFVISW ("V2Q轉換"): the progress panel Panel4, the source folder
// and clinic fields, the option groups, the step buttons with their check boxes (made from the
// Vision pipeline's table), the one-shot run and apply.

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

#include "app/pipeline.h"
#include "clinic_field_boxes.h"
#include "option_group.h"
#include "pipeline_controls.h"
#include "progress_panel.h"
#include "qt_step_context.h"
#include "workbench_environment.h"

namespace zuvo::gui {

class TFVISW : public QDialog {
  Q_OBJECT

 public:
  // `operator_mode` enables the single-step buttons and shows the message list.
  TFVISW(WorkbenchEnvironment& environment, bool operator_mode, QWidget* parent = nullptr);

  QtStepContext& context() { return context_; }
  // The table of steps the window runs; a test may wrap their calls (the buttons stay).
  Pipeline& pipeline() { return controls_->pipeline(); }
  void SetSourceFolderText(const QString& text) { CVISWdir->setText(text); }

  // Handlers (the step buttons' handlers are the pipeline controls').
  void CVISWselectPathClick() { controls_->SelectClick(); }
  void CstopClick();
  void CVISWlistDblClick(QListWidgetItem* item);
  void CVISWallClick() { controls_->OneShotClick(); }
  void CVISWcopyClick();
  void CVISWreviewClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Applies the work tree of the page's box, or `reviewed` when one is given (the review's
  // button).
  void Apply(const std::filesystem::path& reviewed);
  void BuildFields(QGridLayout* grid);
  void BuildOptions(QGridLayout* grid);
  void BuildSteps(QGridLayout* grid, bool operator_mode);
  ClinicFieldBoxes Boxes() const;
  RunFields ReadRunFields() const;
  void ShowRunFields(const RunFields& fields);

  WorkbenchEnvironment& environment_;
  ProgressPanel* Panel4;
  QtStepContext context_;
  PipelineControls* controls_;

  QPushButton* CVISWselectPath;
  QLineEdit* CVISWdir;
  QLineEdit* CVISWclinicName;
  QLineEdit* CVISWclinicID;
  QLineEdit* CVISWHIS;
  QLineEdit* CVISWqmxDir;
  QLineEdit* CVISWPharmacistName;
  QLineEdit* CVISWPharmacistID;
  QLineEdit* CstartDate;
  QLineEdit* CVISWsplitDate;
  OptionGroup* CSnameType;
  OptionGroup* CreMarkType;
  OptionGroup* CmakeDateMode;
  QPushButton* CVISWall;
  QPushButton* CVISWcopy;
  QPushButton* CVISWreview;
};

// Moves a top-level window to the middle of its screen.
void CentreOnScreen(QWidget& window);

}  // namespace zuvo::gui
