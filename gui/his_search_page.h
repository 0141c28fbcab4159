#pragma once

// The HIS search page TabSheet1 ("家醫群轉檔"): recognise a clinic system in a chosen folder or
// search the drives for one, and prepare its folders.

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "workbench_environment.h"
#include "workspace/his_selection.h"

namespace zuvo::gui {

class HisSearchPage : public QWidget {
  Q_OBJECT

 public:
  HisSearchPage(WorkbenchEnvironment& environment, StepContext& context, QWidget* parent = nullptr);

  // Handlers.
  void CHiSselectPathClick();
  void CHISsearchClick();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;  // TabSheet1ContextPopup: nothing

 private:
  HisFolderFields ReadFolderFields() const;
  void ShowFolderFields(const HisFolderFields& fields);
  void RunFolderStep(StepResult (*step)(HisFolderFields&, const Workplace&, StepContext&));

  WorkbenchEnvironment& environment_;
  StepContext& context_;
  QPushButton* CHiSselectPath;
  QPushButton* CHISsearch;
  QLineEdit* CHISdir;
  QLineEdit* CHISclinicName;
  QLineEdit* CHISclinicID;
  QLineEdit* CHISname;
  QLineEdit* CHISqmxDir;
};

}  // namespace zuvo::gui
