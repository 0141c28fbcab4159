#pragma once

// The merge page TabSheet2 ("檔案融合"): the recent and the past data set of one clinic, the
// merged folder, "融合病歷" and "融合後套用", with the merge's progress and message list.

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "maintenance/chart_merge.h"
#include "progress_panel.h"
#include "qt_step_context.h"
#include "workbench_environment.h"

namespace zuvo::gui {

class MergePage : public QWidget {
  Q_OBJECT

 public:
  explicit MergePage(WorkbenchEnvironment& environment, QWidget* parent = nullptr);

  QtStepContext& context() { return context_; }

  // Handlers.
  void CsetNewPathClick();
  void CsetOldPathClick();
  void CcombineClick();
  void CcombineTouseClick();

 private:
  ChartMergeFields ReadFields() const;
  void ShowFields(const ChartMergeFields& fields);
  // Runs `work` on the page's fields unless another button's work is under way (the events a
  // merge processes may bring clicks); shows the fields afterwards, an error in a message box.
  void RunOnFields(const std::function<void(ChartMergeFields&)>& work);
  // A folder choice (ChooseChartSet) of the recent or the past set.
  void ChooseSet(ChartSetRole role);

  WorkbenchEnvironment& environment_;
  ProgressPanel* CcombinePanel;
  QtStepContext context_;
  bool busy_ = false;

  QLineEdit* CnewPath;
  QLineEdit* CnewName;
  QLineEdit* CnewID;
  QLineEdit* CnewSplitDate;
  QLineEdit* ColdPath;
  QLineEdit* ColdName;
  QLineEdit* ColdID;
  QLineEdit* ColdSplitDate;
  QLineEdit* CcombinePath;
  QLineEdit* CcombineBakPath;
  QPushButton* CsetNewPath;
  QPushButton* CsetOldPath;
  QPushButton* Ccombine;
  QPushButton* CcombineTouse;
};

}  // namespace zuvo::gui
