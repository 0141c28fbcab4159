#pragma once

// The buttons of a conversion page (the Vision window, the RealSun page) and the runs behind
// them: each step of the pipeline as a button with its check box, the folder choice, the
// one-shot run and apply. One busy guard covers every button, since the events a step processes
// may bring clicks on any of them and two runs must never write one work tree at once; while
// one runs, the page's buttons other than "停止" are disabled so that the operator sees it.

#include <QGridLayout>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "app/pipeline.h"
#include "app/pipeline_run.h"
#include "qt_step_context.h"
#include "workbench_environment.h"

namespace zuvo::gui {

class PipelineControls : public QObject {
  Q_OBJECT

 public:
  // `read` copies the page's boxes into run fields, `show` copies run fields back.
  PipelineControls(Pipeline pipeline, WorkbenchEnvironment& environment, QtStepContext& context,
                   QWidget& page, std::function<RunFields()> read,
                   std::function<void(const RunFields&)> show);

  // The table of steps the page runs; a test may wrap their calls (the buttons stay).
  Pipeline& pipeline() { return pipeline_; }

  // Adds a button for each step (the separate steps last) with its own check box (when it has
  // one) beside it to `grid`, from `row` down in `column` and the next; enabled when `enabled`.
  // Returns the row after the last.
  int AddStepButtons(QGridLayout* grid, int row, int column, bool enabled);

  // Runs `work` on the page's fields and shows them afterwards, unless another button's work is
  // under way. An error is shown in a message box. The page's buttons other than "停止" are
  // disabled meanwhile.
  void RunOnFields(const std::function<void(RunFields&)>& work);
  // The page's apply button, offered only while the work tree named in `work_tree_box` is one
  // apply would take before checking its stores (NotReadyToApply, which its tool tip then
  // tells); looked at again whenever the box changes and after every button's work.
  void FollowApply(QPushButton* apply, QLineEdit* work_tree_box);
  void SelectClick();
  void StepClick(const PipelineStep& step);
  void OneShotClick();

 private:
  void TickStep(const PipelineStep& step);
  void OfferApply();
  // The end of a run or step on the progress panel: its summary, the report button, and the
  // gauge full when it completed, empty when it stopped or failed. A failure's error is then
  // thrown on, for the message box.
  void ShowEnd(const RunOutcome& outcome);

  Pipeline pipeline_;
  WorkbenchEnvironment& environment_;
  QtStepContext& context_;
  QWidget& page_;
  std::function<RunFields()> read_;
  std::function<void(const RunFields&)> show_;
  QPushButton* apply_ = nullptr;
  QLineEdit* work_tree_box_ = nullptr;
  bool busy_ = false;
};

}  // namespace zuvo::gui
