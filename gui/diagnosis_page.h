#pragma once

// The diagnosis page CPdx: the grid CDXGrid on the DX table, the selection list CselList, the
// department check list CclinicTypesList and the floating keyword list CkeywordList.

#include <QListWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QWidget>

#include "snapshot_table_model.h"

namespace zuvo::gui {

class DiagnosisPage : public QWidget {
  Q_OBJECT

 public:
  explicit DiagnosisPage(QWidget* parent = nullptr);

  // Shows the DX rows: fields in stored order, column 1 titled "列出", 4 "常用", 6 "慢碼",
  // columns 3 and 5 hidden (counting from 1); then sizes the long-name columns.
  void ShowDiagnosisGrid(TableSnapshot snapshot);
  // Lists the 39 department names in table order, unticked; item i is department code i.
  void FillDepartmentList();
  // Columns 8 and 9 of the grid share the width beyond 400 pixels, 60 % to 40 %.
  void CPdxResize();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  SnapshotTableModel* CDXset;
  QTableView* CDXGrid;
  QTreeWidget* CselList;
  QListWidget* CclinicTypesList;
  QListWidget* CkeywordList;
};

}  // namespace zuvo::gui
