#include "realsun_page.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "form_builder.h"
#include "text_fields.h"

namespace zuvo::gui {

namespace {
constexpr char kDefaultSplitDate[] = "1060101";
}  // namespace

RealSunPage::RealSunPage(WorkbenchEnvironment& environment, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      Panel6(new ProgressPanel(kRealSunPanelNames, this)),
      context_(environment.flags, *Panel6, environment.prompts, *this) {
  auto* grid = new QGridLayout;
  CRSselectPath = MakeButton("CRSselectPath", "選取耀聖目錄");
  grid->addWidget(CRSselectPath, 0, 0, 1, 2);
  CRSdir = AddField(grid, 1, 0, "CRSdir", "原始目錄:");
  CRSclinicName = AddField(grid, 2, 0, "CRSclinicName", "診所名稱:");
  CRSclinicID = AddField(grid, 3, 0, "CRSclinicID", "健保代碼:");
  CRSHIS = AddField(grid, 4, 0, "CRSHIS", "HIS系統:");
  CRSqmxDir = AddField(grid, 5, 0, "CRSqmxDir", "轉檔後Zuvo資料夾:");
  CRSPharmacistName = AddField(grid, 1, 2, "CRSPharmacistName", "藥師姓名:");
  CRSPharmacistID = AddField(grid, 2, 2, "CRSPharmacistID", "藥師身分證:");
  CstartDate = AddField(grid, 3, 2, "CstartDate", "開業日期");
  CRSsplitDate = AddField(grid, 4, 2, "CRSsplitDate", "切割日期");
  CRSsplitDate->setText(kDefaultSplitDate);
  CmakeDateMode = new OptionGroup("CmakeDateMode", "製作方式", {"之後(含)日期", "之前日期"});
  grid->addWidget(CmakeDateMode, 6, 0, 1, 4);
  grid->setRowStretch(7, 1);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Panel6);
  layout->addLayout(grid, 1);

  connect(CRSselectPath, &QPushButton::clicked, this, &RealSunPage::CRSselectPathClick);
  connect(CmakeDateMode, &OptionGroup::ItemClicked, this, &RealSunPage::CmakeDateModeClick);
  connect(Panel6->stop(), &QPushButton::clicked, this, &RealSunPage::CRSstopClick);
  connect(Panel6->list(), &QListWidget::itemClicked, this, &RealSunPage::CRSListClick);
}

RealSunFolderFields RealSunPage::ReadFolderFields() const {
  RealSunFolderFields fields;
  fields.source_folder = ToPath(CRSdir->text());
  fields.clinic_name = ToBig5(CRSclinicName->text());
  fields.clinic_id = ToBig5(CRSclinicID->text());
  fields.his = ToBig5(CRSHIS->text());
  fields.work_tree = ToPath(CRSqmxDir->text());
  fields.start_date = ToBig5(CstartDate->text());
  fields.pharmacist_name = ToBig5(CRSPharmacistName->text());
  fields.pharmacist_id = ToBig5(CRSPharmacistID->text());
  fields.mode = CmakeDateMode->ItemIndex() == static_cast<int>(MakeDateMode::kBefore)
                    ? MakeDateMode::kBefore
                    : MakeDateMode::kOnAndAfter;
  return fields;
}

void RealSunPage::ShowFolderFields(const RealSunFolderFields& fields) {
  CRSdir->setText(FromPath(fields.source_folder));
  CRSclinicName->setText(FromBig5(fields.clinic_name));
  CRSclinicID->setText(FromBig5(fields.clinic_id));
  CRSHIS->setText(FromBig5(fields.his));
  CRSqmxDir->setText(FromPath(fields.work_tree));
  CstartDate->setText(FromBig5(fields.start_date));
  CRSPharmacistName->setText(FromBig5(fields.pharmacist_name));
  CRSPharmacistID->setText(FromBig5(fields.pharmacist_id));
}

void RealSunPage::RunFolderStep(StepResult (*step)(RealSunFolderFields&, const Workplace&,
                                                   StepContext&)) {
  RealSunFolderFields fields;
  if (!RunGuarded(environment_, this, [&] { fields = ReadFolderFields(); })) return;
  RunGuarded(environment_, this, [&] { step(fields, environment_.CurrentWorkplace(), context_); });
  ShowFolderFields(fields);
}

void RealSunPage::CRSselectPathClick() { RunFolderStep(&SelectRealSunFolder); }

void RealSunPage::CmakeDateModeClick() { RunFolderStep(&ChangeRealSunMakeDateMode); }

void RealSunPage::CRSstopClick() { environment_.flags.SetStopRequested(true); }

void RealSunPage::CRSListClick(QListWidgetItem* item) {
  if (item == nullptr) return;
  environment_.prompts.AskText(this, window()->windowTitle(), QString(), item->text());
}

}  // namespace zuvo::gui
