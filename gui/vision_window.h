#pragma once

// The Vision conversion window TFVISW ("V2Q轉換"): the progress panel Panel4, the source folder
// and clinic fields, the option groups, the step buttons with their check boxes, the one-shot
// run and apply.

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "app/vision_one_shot.h"
#include "charts/vision_chart_input.h"
#include "option_group.h"
#include "progress_panel.h"
#include "qt_step_context.h"
#include "workbench_environment.h"
#include "workspace/vision_selection.h"

namespace zuvo::gui {

class TFVISW : public QDialog {
  Q_OBJECT

 public:
  // `operator_mode` enables the single-step buttons and shows the message list.
  TFVISW(WorkbenchEnvironment& environment, bool operator_mode, QWidget* parent = nullptr);

  QtStepContext& context() { return context_; }
  void SetSourceFolderText(const QString& text) { CVISWdir->setText(text); }

  // Handlers.
  void CVISWselectPathClick();
  void CcreateAntClick();
  // "製作診所及醫令資料": the clinic's catalogue, settings and staff file.
  void CmakeMXClick();
  void CstopClick();
  void CVISWlistDblClick(QListWidgetItem* item);
  void CVISWdoCorvixChartClick();
  void CVISWallClick();
  void CVISWcopyClick();

  // The steps the one-shot run calls; the engine's Vision pipeline unless a test replaces them.
  void SetPipelineSteps(std::vector<VisionStep> steps) { pipeline_ = std::move(steps); }
  void CVISWreadChartClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildFields(QGridLayout* grid);
  void BuildOptions(QGridLayout* grid);
  void BuildSteps(QGridLayout* grid, bool operator_mode);
  VisionFolderFields ReadFolderFields() const;
  VisionChartInput ReadChartInput() const;
  VisionRunFields ReadRunFields() const;
  void TickStep(VisionStepId id);
  void ShowFolderFields(const VisionFolderFields& fields);
  void ShowChartOutcome(const VisionChartInput& input, const VisionChartOutcome& outcome);

  WorkbenchEnvironment& environment_;
  ProgressPanel* Panel4;
  QtStepContext context_;
  std::vector<VisionStep> pipeline_;
  // Set while a run or an apply is under way: the events a step processes may bring clicks on
  // the same buttons, and two runs must never write one work tree at once.
  bool busy_ = false;

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
};

// Moves a top-level window to the middle of its screen.
void CentreOnScreen(QWidget& window);

}  // namespace zuvo::gui
