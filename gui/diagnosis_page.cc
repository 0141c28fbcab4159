#include "diagnosis_page.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>
#include <string_view>
#include <utility>

#include "core/code_tables.h"
#include "diagnosis/diagnosis_table.h"
#include "diagnosis/dx_group.h"
#include "diagnosis/utf8_text.h"
#include "diagnosis_grid_layout.h"
#include "form_builder.h"
#include "platform/big5.h"
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

// Titles of the DX fields that keep their place in the grid (the rest are titled above by
// position); the selection list's captions where the two show the same.
constexpr std::pair<std::string_view, const char*> kFieldTitles[] = {
    {"ICD10", "ICD10碼"},        {"Sname", "短診斷名"},   {"Ename", "英文名"},
    {"Cname", "中文名"},         {"clinicTypes", "科別"}, {"keyword", "關鍵字"},
    {"recTime", "最後修改時間"}, {"SORTNUM", "排序"},     {"SORTSCORE", "排序分數"},
    {"SORTPOWER", "排序權重"},
};

// Selection list columns.
enum SelectionColumn {
  kLineListed,
  kLineCode,
  kLineChronic,
  kLineChronicCode,
  kLineName,
  kLineEnglish
};
constexpr int kFixedSelectionColumnsWidth = 450;
constexpr int kSelectionColumnWidths[] = {40, 90, 40, 80, 200};
constexpr int kChronicCodeMaxLength = 3;
constexpr int kKeywordListColumns = 6;
constexpr int kKeywordListMargin = 30;

QLineEdit* CaptionedField(QGridLayout* grid, int row, const char* name, const QString& caption,
                          int span = 1) {
  QLineEdit* field = AddField(grid, row, 0, name, caption);
  if (span > 1) {
    grid->removeWidget(field);
    grid->addWidget(field, row, 1, 1, span);
  }
  return field;
}

}  // namespace

DiagnosisPage::DiagnosisPage(WorkbenchEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  CDXset = new SnapshotTableModel(this);
  CDXset->setObjectName("CDXset");
  CDXGrid = new QTableView;
  CDXGrid->setObjectName("CDXGrid");
  CDXGrid->setModel(CDXset);
  CDXGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  CDXGrid->setSelectionMode(QAbstractItemView::SingleSelection);

  CselList = new QTreeWidget;
  CselList->setObjectName("CselList");
  CselList->setRootIsDecorated(false);
  CselList->setHeaderLabels({"列", "ICD10碼", "慢", "慢性病碼", "短診斷名", "英文名"});
  for (int column = kLineListed; column < kLineEnglish; ++column) {
    CselList->setColumnWidth(column, kSelectionColumnWidths[column]);
  }
  CselList->installEventFilter(this);
  CselListDel = MakeButton("CselListDel", "去除選項");
  CselListClear = MakeButton("CselListClear", "清除所有選項");

  auto* goto_row = new QGridLayout;
  CDXgoto = AddField(goto_row, 0, 0, "CDXgoto", "前往");
  CDXgetallICDhead = MakeButton("CDXgetallICDhead", "帶入同ICD頭選項");
  CDXgetAllSname = MakeButton("CDXgetAllSname", "帶入同短病名選項");
  goto_row->addWidget(CDXgetallICDhead, 0, 2);
  goto_row->addWidget(CDXgetAllSname, 0, 3);

  auto* list_buttons = new QHBoxLayout;
  list_buttons->addWidget(CselListDel);
  list_buttons->addWidget(CselListClear);
  list_buttons->addStretch(1);
  auto* selection = new QVBoxLayout;
  selection->addLayout(goto_row);
  selection->addWidget(CselList, 1);
  selection->addLayout(list_buttons);

  CclinicTypesList = new QListWidget;
  CclinicTypesList->setObjectName("CclinicTypesList");

  auto* lower = new QHBoxLayout;
  lower->addLayout(selection, 3);
  lower->addWidget(BuildEditor(), 2);
  lower->addWidget(CclinicTypesList, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CDXGrid, 2);
  layout->addLayout(lower, 2);

  // Floats over the page when shown, so it stays out of the layouts.
  CkeywordList = new QListWidget(this);
  CkeywordList->setObjectName("CkeywordList");
  CkeywordList->setSortingEnabled(true);
  CkeywordList->setFlow(QListView::TopToBottom);
  CkeywordList->setWrapping(true);
  CkeywordList->setResizeMode(QListView::Adjust);
  CkeywordList->hide();

  Fitem = new TFitem(this);

  connect(CDXGrid, &QTableView::clicked, this, &DiagnosisPage::CDXGridCellClick);
  connect(CDXgetallICDhead, &QPushButton::clicked, this, &DiagnosisPage::CDXgetallICDheadClick);
  connect(CDXgetAllSname, &QPushButton::clicked, this, &DiagnosisPage::CDXgetAllSnameClick);
  connect(CDXgoto, &QLineEdit::textEdited, this, &DiagnosisPage::CDXgotoChange);
  connect(CDXgoto, &QLineEdit::returnPressed, this, &DiagnosisPage::CDXgotoKeyPress);
  connect(CDXok, &QPushButton::clicked, this, &DiagnosisPage::CDXokClick);
  connect(CselListClear, &QPushButton::clicked, this, &DiagnosisPage::CselListClearClick);
  connect(CselListDel, &QPushButton::clicked, this, &DiagnosisPage::CselListDelClick);
  connect(CselList, &QTreeWidget::itemClicked, this, &DiagnosisPage::CselListClick);
  connect(Cdxsname, &QLineEdit::textChanged, this, &DiagnosisPage::CdxsnameChange);
  connect(CDXenameDup, &QLineEdit::textChanged, this, &DiagnosisPage::CdxsnameChange);
  connect(CkeyAdd, &QPushButton::clicked, this, &DiagnosisPage::CkeyAddClick);
  connect(CDXkeyInput, &QLineEdit::returnPressed, this, &DiagnosisPage::CkeyAddClick);
  connect(CkeyDel, &QPushButton::clicked, this, &DiagnosisPage::CkeyDelClick);
  connect(CshowKeywordList, &QPushButton::clicked, this, &DiagnosisPage::CshowKeywordListClick);
  connect(CkeywordList, &QListWidget::itemClicked, this, &DiagnosisPage::CkeywordListClick);
  connect(CDXpreView, &QPushButton::clicked, this, &DiagnosisPage::CDXpreViewClick);
  CdxsnameChange();
}

QWidget* DiagnosisPage::BuildEditor() {
  auto* editor = new QWidget;
  auto* grid = new QGridLayout(editor);
  Cdxsname = CaptionedField(grid, 0, "Cdxsname", "短診斷名", 2);
  CDXsnameLen = new QLabel;
  CDXsnameLen->setObjectName("CDXsnameLen");
  grid->addWidget(CDXsnameLen, 1, 1, 1, 2);
  CDXcommon = new QCheckBox("設為常用診斷");
  CDXcommon->setObjectName("CDXcommon");
  CDXlongCheck = new QCheckBox("設為慢性病");
  CDXlongCheck->setObjectName("CDXlongCheck");
  grid->addWidget(CDXcommon, 2, 1);
  grid->addWidget(CDXlongCheck, 2, 2);
  CDXlongCode = CaptionedField(grid, 3, "CDXlongCode", "慢性病碼");
  CDXlongCode->setMaxLength(kChronicCodeMaxLength);
  CDXkeyInput = CaptionedField(grid, 4, "CDXkeyInput", "關鍵字");
  CkeyAdd = MakeButton("CkeyAdd", "增加關鍵字");
  grid->addWidget(CkeyAdd, 4, 2);
  CkeywordSel = new QListWidget;
  CkeywordSel->setObjectName("CkeywordSel");
  grid->addWidget(CkeywordSel, 5, 1, 3, 1);
  CkeyDel = MakeButton("CkeyDel", "去除關鍵字");
  CshowKeywordList = MakeButton("CshowKeywordList", "選取關鍵字");
  grid->addWidget(CkeyDel, 5, 2);
  grid->addWidget(CshowKeywordList, 6, 2);
  CDXeditTime = CaptionedField(grid, 8, "CDXeditTime", "最後修改時間", 2);
  CDXeditTime->setReadOnly(true);
  CDXenameDup = CaptionedField(grid, 9, "CDXenameDup", "可複製文", 2);
  CDXok = MakeButton("CDXok", "確定");
  CDXpreView = MakeButton("CDXpreView", "預覽視窗");
  grid->addWidget(CDXok, 10, 1);
  grid->addWidget(CDXpreView, 10, 2);
  grid->setRowStretch(7, 1);
  return editor;
}

void DiagnosisPage::ShowDiagnosisGrid(TableSnapshot snapshot) {
  CDXset->SetSnapshot(std::move(snapshot));
  CDXset->SetColumnTitle(kListedColumn, "列出");
  CDXset->SetColumnTitle(kCommonColumn, "常用");
  CDXset->SetColumnTitle(kChronicCodeColumn, "慢碼");
  for (const auto& [field, title] : kFieldTitles) {
    CDXset->SetColumnTitle(CDXset->FieldColumn(field), title);
  }
  for (int column : {kListedColumn, kCommonColumn}) CDXset->SetCheckColumn(column);
  for (int column : {kFirstHiddenColumn, kSecondHiddenColumn}) {
    if (column < CDXset->columnCount()) CDXGrid->setColumnHidden(column, true);
  }
  CPdxResize();
}

void DiagnosisPage::ReloadGrid() {
  int row = CDXGrid->currentIndex().row();
  RunGuarded(environment_, this,
             [&] { ShowDiagnosisGrid(ReadDiagnosisGrid(environment_.program_folder)); });
  if (row >= 0 && row < CDXset->rowCount()) CDXGrid->selectRow(row);
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

bool DiagnosisPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == CselList && event->type() == QEvent::Resize) CselListResize();
  return QWidget::eventFilter(watched, event);
}

// --- the fields

DxEditorFields DiagnosisPage::ReadFields() const {
  DxEditorFields fields;
  for (int i = 0; i < CselList->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = CselList->topLevelItem(i);
    fields.lines.push_back({item->checkState(kLineListed) == Qt::Checked,
                            ToBig5(item->text(kLineCode)), item->text(kLineChronic) == "Y",
                            ToBig5(item->text(kLineChronicCode)), ToBig5(item->text(kLineName)),
                            ToBig5(item->text(kLineEnglish))});
  }
  fields.short_name = ToBig5(Cdxsname->text());
  fields.common = CDXcommon->isChecked();
  fields.chronic = CDXlongCheck->isChecked();
  fields.chronic_code = ToBig5(CDXlongCode->text());
  for (int i = 0; i < CclinicTypesList->count() && i < static_cast<int>(kDepartmentCount); ++i) {
    fields.departments[static_cast<size_t>(i)] =
        CclinicTypesList->item(i)->checkState() == Qt::Checked;
  }
  for (int i = 0; i < CkeywordSel->count(); ++i) {
    fields.keywords.push_back(ToBig5(CkeywordSel->item(i)->text()));
  }
  fields.edit_time = edit_time_;
  return fields;
}

void DiagnosisPage::ShowFields(const DxEditorFields& fields) {
  CselList->clear();
  for (const DxSelectionLine& line : fields.lines) {
    auto* item = new QTreeWidgetItem(CselList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(kLineListed, line.listed ? Qt::Checked : Qt::Unchecked);
    item->setText(kLineCode, FromBig5(line.code));
    item->setText(kLineChronic, line.chronic ? "Y" : "");
    item->setText(kLineChronicCode, FromBig5(line.chronic_code));
    item->setText(kLineName, FromBig5(line.short_name));
    item->setText(kLineEnglish, FromBig5(line.english_name));
  }
  Cdxsname->setText(FromBig5(fields.short_name));
  CDXcommon->setChecked(fields.common);
  CDXlongCheck->setChecked(fields.chronic);
  CDXlongCode->setText(FromBig5(fields.chronic_code));
  for (int i = 0; i < CclinicTypesList->count() && i < static_cast<int>(kDepartmentCount); ++i) {
    CclinicTypesList->item(i)->setCheckState(
        fields.departments[static_cast<size_t>(i)] ? Qt::Checked : Qt::Unchecked);
  }
  CkeywordSel->clear();
  for (const std::string& keyword : fields.keywords) CkeywordSel->addItem(FromBig5(keyword));
  edit_time_ = fields.edit_time;
  CDXeditTime->setText(FromUtf8(EditTimeText(fields.edit_time)));
}

void DiagnosisPage::EditFields(const std::function<void(DxEditorFields&)>& change) {
  RunGuarded(environment_, this, [&] {
    DxEditorFields fields = ReadFields();
    change(fields);
    ShowFields(fields);
  });
}

void DiagnosisPage::AddRows(const std::vector<DxRow>& rows) {
  EditFields([&](DxEditorFields& fields) {
    for (const DxRow& row : rows) AddToSelection(fields, row, DxAddSource::kBringIn);
  });
}

// --- handlers

int DiagnosisPage::CodeColumn() const { return CDXset->FieldColumn("ICD10"); }

void DiagnosisPage::CDXGridCellClick(const QModelIndex& index) {
  int column = CodeColumn();
  if (!index.isValid() || column < 0) return;
  QString code = CDXset->data(CDXset->index(index.row(), column)).toString();
  bool mixed = false;
  EditFields([&](DxEditorFields& fields) {
    Database database = OpenDiagnosisDatabase(environment_.program_folder);
    std::optional<DxRow> row = FindDxRow(database, ToBig5(code));
    if (!row) return;  // gone since the grid was read
    AddToSelection(fields, *row, DxAddSource::kGridClick);
    mixed = MixesChronicAndOther(fields);
  });
  if (mixed) {
    environment_.prompts.ShowMessage(this, FromUtf8(kMixedChronicMessage), MessageKind::kWarning,
                                     MessageButtons::kOk);
  }
}

void DiagnosisPage::CDXgetallICDheadClick() {
  RunGuarded(environment_, this, [&] {
    Database database = OpenDiagnosisDatabase(environment_.program_folder);
    AddRows(DxRowsStartingWith(database, ToBig5(CDXgoto->text())));
  });
}

void DiagnosisPage::CDXgetAllSnameClick() {
  RunGuarded(environment_, this, [&] {
    Database database = OpenDiagnosisDatabase(environment_.program_folder);
    AddRows(DxRowsNamed(database, big5::Trim(ToBig5(Cdxsname->text()))));
  });
}

void DiagnosisPage::MoveGridTo(const QString& text, bool whole_code) {
  int column = CodeColumn();
  if (text.isEmpty() || column < 0) return;
  for (int row = 0; row < CDXset->rowCount(); ++row) {
    QString code = CDXset->data(CDXset->index(row, column)).toString();
    bool found = whole_code ? code.compare(text, Qt::CaseInsensitive) == 0
                            : code.startsWith(text, Qt::CaseInsensitive);
    if (found) {
      CDXGrid->selectRow(row);
      CDXGrid->scrollTo(CDXset->index(row, column), QAbstractItemView::PositionAtTop);
      return;
    }
  }
}

void DiagnosisPage::CDXgotoChange() { MoveGridTo(CDXgoto->text().trimmed(), false); }

void DiagnosisPage::CDXgotoKeyPress() { MoveGridTo(CDXgoto->text().trimmed(), true); }

void DiagnosisPage::CDXokClick() {
  DxGroupSaved saved;
  DxEditorFields fields;
  if (!RunGuarded(environment_, this, [&] {
        fields = ReadFields();
        Database database = OpenDiagnosisDatabase(environment_.program_folder);
        saved = SaveDxGroup(database, fields, environment_.clock());
      })) {
    return;
  }
  if (saved.refusal) {
    environment_.prompts.ShowMessage(this, FromUtf8(*saved.refusal), MessageKind::kWarning,
                                     MessageButtons::kOk);
    return;
  }
  if (keyword_list_loaded_) {
    for (const std::string& keyword : saved.keywords) {
      QString text = FromBig5(keyword);
      if (CkeywordList->findItems(text, Qt::MatchExactly).isEmpty()) CkeywordList->addItem(text);
    }
  }
  ShowFields(fields);
  CDXkeyInput->clear();
  ReloadGrid();
}

void DiagnosisPage::CselListClearClick() {
  EditFields(ClearSelection);
  CDXkeyInput->clear();
}

void DiagnosisPage::CselListDelClick() {
  int index = CselList->indexOfTopLevelItem(CselList->currentItem());
  if (index < 0) return;
  EditFields(
      [&](DxEditorFields& fields) { RemoveSelectionLine(fields, static_cast<size_t>(index)); });
  if (CselList->topLevelItemCount() == 0) CDXkeyInput->clear();
}

void DiagnosisPage::CselListClick(QTreeWidgetItem* item) {
  if (item != nullptr) CDXenameDup->setText(item->text(kLineEnglish));
}

void DiagnosisPage::CselListResize() {
  CselList->setColumnWidth(kLineEnglish,
                           std::max(CselList->width() - kFixedSelectionColumnsWidth, 0));
}

void DiagnosisPage::CdxsnameChange() {
  // Counted as Big5 bytes; a character Big5 lacks would be saved as "？", two bytes too.
  size_t length = Big5Length(big5::Trim(Cdxsname->text().toStdString()));
  CDXsnameLen->setText(FromUtf8(ShortNameLengthText(length)));
  QPalette palette = Cdxsname->palette();
  palette.setColor(QPalette::Text, length > kShortNameLimit ? Qt::red : Qt::black);
  Cdxsname->setPalette(palette);
}

void DiagnosisPage::CkeyAddClick() {
  std::optional<std::string_view> refusal;
  EditFields([&](DxEditorFields& fields) {
    refusal = AddKeyword(fields, ToBig5(CDXkeyInput->text()));
    if (!refusal) CDXkeyInput->clear();
  });
  if (refusal) {
    environment_.prompts.ShowMessage(this, FromUtf8(*refusal), MessageKind::kWarning,
                                     MessageButtons::kOk);
  }
}

void DiagnosisPage::CkeyDelClick() {
  int row = CkeywordSel->currentRow();
  if (row >= 0) delete CkeywordSel->takeItem(row);
}

void DiagnosisPage::CshowKeywordListClick() {
  if (CkeywordList->isVisible()) {
    CkeywordList->hide();
    CshowKeywordList->setText("選取關鍵字");
    return;
  }
  if (!keyword_list_loaded_) {
    bool loaded = RunGuarded(environment_, this, [&] {
      Database database = OpenDiagnosisDatabase(environment_.program_folder);
      CkeywordList->clear();
      for (const std::string& keyword : ReadKeywordList(database)) {
        CkeywordList->addItem(FromBig5(keyword));
      }
    });
    if (!loaded) return;
    keyword_list_loaded_ = true;
  }
  int top = CshowKeywordList->mapTo(this, QPoint(0, 0)).y();
  CkeywordList->setGeometry(0, 0, CselList->width() + 5,
                            2 * CselList->height() + top + kKeywordListMargin);
  CkeywordList->setGridSize(
      QSize(std::max(CkeywordList->viewport()->width() / kKeywordListColumns, 1),
            CkeywordList->fontMetrics().height() + 6));
  CkeywordList->raise();
  CkeywordList->show();
  CshowKeywordList->setText("關閉關鍵字列表");
}

void DiagnosisPage::CkeywordListClick(QListWidgetItem* item) {
  if (item == nullptr) return;
  if (CkeywordSel->findItems(item->text(), Qt::MatchExactly).isEmpty()) {
    CkeywordSel->addItem(item->text());
  }
}

void DiagnosisPage::CDXpreViewClick() {
  if (Fitem->isVisible()) {
    Fitem->hide();
    return;
  }
  RunGuarded(environment_, this, [&] {
    DxEditorFields fields = ReadFields();
    PreviewDepartment choice = ChoosePreviewDepartment(fields.departments);
    QStringList names;
    if (choice.department) {
      Database database = OpenDiagnosisDatabase(environment_.program_folder);
      for (const std::string& name :
           ReadPreviewNames(database, DepartmentCodes[*choice.department])) {
        names << FromBig5(name);
      }
    }
    Fitem->ShowPreview(preview_settings_, names);
    if (!choice.message.empty()) {
      environment_.prompts.ShowMessage(this, FromUtf8(choice.message), MessageKind::kWarning,
                                       MessageButtons::kOk);
    }
  });
}

}  // namespace zuvo::gui
