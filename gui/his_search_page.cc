#include "his_search_page.h"

#include <QContextMenuEvent>
#include <QGridLayout>

#include "form_builder.h"
#include "text_fields.h"

namespace zuvo::gui {

HisSearchPage::HisSearchPage(WorkbenchEnvironment& environment, StepContext& context,
                             QWidget* parent)
    : QWidget(parent), environment_(environment), context_(context) {
  auto* grid = new QGridLayout(this);
  CHiSselectPath = MakeButton("CHiSselectPath", "選取目錄");
  CHISsearch = MakeButton("CHISsearch", "自動搜尋");
  grid->addWidget(CHiSselectPath, 0, 0);
  grid->addWidget(CHISsearch, 0, 1);
  CHISdir = AddField(grid, 1, 0, "CHISdir", "原始目錄:");
  ShowPathStart(CHISdir);
  CHISclinicName = AddField(grid, 2, 0, "CHISclinicName", "診所名稱:");
  CHISclinicID = AddField(grid, 3, 0, "CHISclinicID", "健保代碼:");
  CHISname = AddField(grid, 4, 0, "CHISname", "HIS系統:");
  CHISqmxDir = AddField(grid, 5, 0, "CHISqmxDir", "轉檔後Zuvo資料夾:");
  ShowPathStart(CHISqmxDir);
  grid->setRowStretch(6, 1);

  connect(CHiSselectPath, &QPushButton::clicked, this, &HisSearchPage::CHiSselectPathClick);
  connect(CHISsearch, &QPushButton::clicked, this, &HisSearchPage::CHISsearchClick);
}

HisFolderFields HisSearchPage::ReadFolderFields() const {
  HisFolderFields fields;
  fields.source_folder = ToPath(CHISdir->text());
  fields.clinic_name = ToBig5(CHISclinicName->text());
  fields.clinic_id = ToBig5(CHISclinicID->text());
  fields.system_name = ToBig5(CHISname->text());
  fields.work_tree = ToPath(CHISqmxDir->text());
  return fields;
}

void HisSearchPage::ShowFolderFields(const HisFolderFields& fields) {
  CHISdir->setText(FromPath(fields.source_folder));
  CHISclinicName->setText(FromBig5(fields.clinic_name));
  CHISclinicID->setText(FromBig5(fields.clinic_id));
  CHISname->setText(FromBig5(fields.system_name));
  CHISqmxDir->setText(FromPath(fields.work_tree));
}

void HisSearchPage::RunFolderStep(StepResult (*step)(HisFolderFields&, const Workplace&,
                                                     StepContext&)) {
  HisFolderFields fields;
  if (!RunGuarded(environment_, this, [&] { fields = ReadFolderFields(); })) return;
  RunGuarded(environment_, this, [&] { step(fields, environment_.CurrentWorkplace(), context_); });
  ShowFolderFields(fields);
}

void HisSearchPage::CHiSselectPathClick() { RunFolderStep(&SelectHisFolder); }

void HisSearchPage::CHISsearchClick() { RunFolderStep(&SearchHisSystem); }

void HisSearchPage::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

}  // namespace zuvo::gui
