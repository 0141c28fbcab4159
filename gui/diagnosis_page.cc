#include "diagnosis_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "core/code_tables.h"
#include "diagnosis_grid_layout.h"
#include "text_fields.h"

namespace zuvo::gui {

namespace {

// Grid columns, 0-based.
constexpr int kListedColumn = 0;
constexpr int kFirstHiddenColumn = 2;
constexpr int kCommonColumn = 3;
constexpr int kSecondHiddenColumn = 4;
constexpr int kChronicCodeColumn = 5;
constexpr int kFirstLongNameColumn = 7;
constexpr int kSecondLongNameColumn = 8;

}  // namespace

DiagnosisPage::DiagnosisPage(QWidget* parent) : QWidget(parent) {
  CDXset = new SnapshotTableModel(this);
  CDXset->setObjectName("CDXset");
  CDXGrid = new QTableView;
  CDXGrid->setObjectName("CDXGrid");
  CDXGrid->setModel(CDXset);
  CDXGrid->setSelectionBehavior(QAbstractItemView::SelectRows);

  CselList = new QTreeWidget;
  CselList->setObjectName("CselList");
  CselList->setRootIsDecorated(false);
  CselList->setHeaderLabels({"列", "ICD10碼", "慢", "慢性病碼", "短診斷名", "英文名"});

  CclinicTypesList = new QListWidget;
  CclinicTypesList->setObjectName("CclinicTypesList");

  CkeywordList = new QListWidget(this);
  CkeywordList->setObjectName("CkeywordList");
  CkeywordList->setSortingEnabled(true);
  CkeywordList->setFlow(QListView::TopToBottom);
  CkeywordList->setWrapping(true);
  CkeywordList->hide();

  auto* lower = new QHBoxLayout;
  lower->addWidget(CselList, 3);
  lower->addWidget(CclinicTypesList, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CDXGrid, 2);
  layout->addLayout(lower, 1);
}

void DiagnosisPage::ShowDiagnosisGrid(TableSnapshot snapshot) {
  CDXset->SetSnapshot(std::move(snapshot));
  CDXset->SetColumnTitle(kListedColumn, "列出");
  CDXset->SetColumnTitle(kCommonColumn, "常用");
  CDXset->SetColumnTitle(kChronicCodeColumn, "慢碼");
  for (int column : {kFirstHiddenColumn, kSecondHiddenColumn}) {
    if (column < CDXset->columnCount()) CDXGrid->setColumnHidden(column, true);
  }
  CPdxResize();
}

void DiagnosisPage::FillDepartmentList() {
  CclinicTypesList->clear();
  for (std::string_view name : DepartmentNames) {
    auto* item = new QListWidgetItem(FromUtf8(name), CclinicTypesList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
}

void DiagnosisPage::CPdxResize() {
  auto [first, second] = LongNameColumnWidths(CDXGrid->width());
  if (kSecondLongNameColumn >= CDXset->columnCount()) return;
  CDXGrid->setColumnWidth(kFirstLongNameColumn, first);
  CDXGrid->setColumnWidth(kSecondLongNameColumn, second);
}

void DiagnosisPage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  CPdxResize();
}

}  // namespace zuvo::gui
