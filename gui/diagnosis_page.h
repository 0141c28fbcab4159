#pragma once

// The diagnosis page CPdx: the grid CDXGrid on the DX table, the group being edited (selection
// list CselList with its editing fields), the department check list CclinicTypesList, the
// floating keyword list CkeywordList and the preview window. The handlers copy the widgets into
// DxEditorFields, call the engine (diagnosis/dx_group.h) and show the fields again.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <vector>

#include "diagnosis/dx_selection.h"
#include "preview_window.h"
#include "snapshot_table_model.h"
#include "workbench_environment.h"
#include "workspace/dataedit_ini.h"

namespace zuvo::gui {

class DiagnosisPage : public QWidget {
  Q_OBJECT

 public:
  explicit DiagnosisPage(WorkbenchEnvironment& environment, QWidget* parent = nullptr);

  // Shows the DX rows: fields in stored order, column 1 titled "列出", 4 "常用", 6 "慢碼",
  // columns 3 and 5 hidden (counting from 1); then sizes the long-name columns.
  void ShowDiagnosisGrid(TableSnapshot snapshot);
  // Reads DX again into the grid, keeping the current row (after a save or a tool).
  void ReloadGrid();
  // Lists the 39 department names in table order, unticked; item i is department code i.
  void FillDepartmentList();
  // The preview window's place, size and columns, as DataEdit.ini gives them at start-up.
  void SetPreviewSettings(const PreviewWindowSettings& settings) { preview_settings_ = settings; }
  TFitem& preview_window() { return *Fitem; }
  // Columns 8 and 9 of the grid share the width beyond 400 pixels, 60 % to 40 %.
  void CPdxResize();

  // Handlers.
  void CDXGridCellClick(const QModelIndex& index);
  void CDXgetallICDheadClick();
  void CDXgetAllSnameClick();
  void CDXgotoChange();
  void CDXgotoKeyPress();
  void CDXokClick();
  void CselListClearClick();
  void CselListDelClick();
  void CselListClick(QTreeWidgetItem* item);
  void CselListResize();
  void CdxsnameChange();
  void CkeyAddClick();
  void CkeyDelClick();
  void CshowKeywordListClick();
  void CkeywordListClick(QListWidgetItem* item);
  void CDXpreViewClick();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildEditor();
  DxEditorFields ReadFields() const;
  void ShowFields(const DxEditorFields& fields);
  // Runs `change` on the fields read from the widgets and shows them again; an error is shown
  // and leaves the widgets as they were.
  void EditFields(const std::function<void(DxEditorFields&)>& change);
  void AddRows(const std::vector<DxRow>& rows);
  // Moves the grid to the first row whose code starts with `text` or equals it (letters
  // without regard to case).
  void MoveGridTo(const QString& text, bool whole_code);
  int CodeColumn() const;

  WorkbenchEnvironment& environment_;
  PreviewWindowSettings preview_settings_;
  bool keyword_list_loaded_ = false;
  DateTime edit_time_ = 0;  // what CDXeditTime shows

  SnapshotTableModel* CDXset;
  QTableView* CDXGrid;
  QLineEdit* CDXgoto;
  QPushButton* CDXgetallICDhead;
  QPushButton* CDXgetAllSname;
  QTreeWidget* CselList;
  QPushButton* CselListClear;
  QPushButton* CselListDel;
  QLineEdit* Cdxsname;
  QLabel* CDXsnameLen;
  QCheckBox* CDXcommon;
  QCheckBox* CDXlongCheck;
  QLineEdit* CDXlongCode;
  QListWidget* CkeywordSel;
  QLineEdit* CDXkeyInput;
  QPushButton* CkeyAdd;
  QPushButton* CkeyDel;
  QPushButton* CshowKeywordList;
  QLineEdit* CDXeditTime;
  QLineEdit* CDXenameDup;
  QPushButton* CDXok;
  QPushButton* CDXpreView;
  QListWidget* CclinicTypesList;
  QListWidget* CkeywordList;
  TFitem* Fitem;
};

}  // namespace zuvo::gui
