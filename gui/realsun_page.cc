#include "realsun_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "app/apply_live.h"
#include "app/realsun_pipeline.h"
#include "app/realsun_restore.h"
#include "form_builder.h"
#include "review_dialog.h"
#include "text_fields.h"

namespace zuvo::gui {

RealSunPage::RealSunPage(WorkbenchEnvironment& environment, bool operator_mode, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      Panel6(new ProgressPanel(kRealSunPanelNames, this)),
      context_(environment.flags, *Panel6, environment.prompts, *this),
      controls_(new PipelineControls(
          RealSunPipeline(), environment, context_, *this, [this] { return ReadRunFields(); },
          [this](const RunFields& fields) { ShowRunFields(fields); })) {
  auto* grid = new QGridLayout;
  CRSselectPath = MakeButton("CRSselectPath", "選取耀聖目錄");
  grid->addWidget(CRSselectPath, 0, 0, 1, 2);
  CRSdir = AddField(grid, 1, 0, "CRSdir", "原始目錄:");
  ShowPathStart(CRSdir);
  CRSclinicName = AddField(grid, 2, 0, "CRSclinicName", "診所名稱:");
  CRSclinicID = AddField(grid, 3, 0, "CRSclinicID", "健保代碼:");
  CRSHIS = AddField(grid, 4, 0, "CRSHIS", "HIS系統:");
  CRSqmxDir = AddField(grid, 5, 0, "CRSqmxDir", "轉檔後Zuvo資料夾:");
  ShowPathStart(CRSqmxDir);
  CRSPharmacistName = AddField(grid, 1, 2, "CRSPharmacistName", "藥師姓名:");
  CRSPharmacistID = AddField(grid, 2, 2, "CRSPharmacistID", "藥師身分證:");
  CstartDate = AddField(grid, 3, 2, "CstartDate", "開業日期");
  CRSsplitDate = AddField(grid, 4, 2, "CRSsplitDate", "切割日期");
  CRSsplitDate->setText(FromUtf8(controls_->pipeline().default_split_date));
  CmakeDateMode = new OptionGroup("CmakeDateMode", "製作方式", {"之後(含)日期", "之前日期"});
  grid->addWidget(CmakeDateMode, 6, 0, 1, 4);

  auto* steps = new QGridLayout;
  const int first_free_row = controls_->AddStepButtons(steps, 0, 0, operator_mode);
  CRSmakeall = MakeButton("CRSmakeall", "一次性轉換");
  CRSreturnInit = MakeButton("CRSreturnInit", "返還前二階段資料");
  CRSreplaceNow = MakeButton("CRSreplaceNow", "套用轉檔後資料");
  CRSreview = MakeButton("CRSreview", "檢視轉檔結果");
  steps->addWidget(CRSmakeall, 0, 2);
  steps->addWidget(CRSreturnInit, 1, 2);
  steps->addWidget(CRSreview, 2, 2);
  steps->addWidget(CRSreplaceNow, 3, 2);
  steps->setRowStretch(std::max(first_free_row, 3), 1);
  grid->addLayout(steps, 7, 0, 1, 4);
  grid->addWidget(new QLabel("未登錄醫師:"), 8, 0);
  CRSdrlist = new QListWidget;
  CRSdrlist->setObjectName("CRSdrlist");
  CRSdrlist->setMaximumHeight(80);
  grid->addWidget(CRSdrlist, 8, 1, 1, 3);
  grid->setRowStretch(9, 1);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Panel6);
  layout->addLayout(grid, 1);

  controls_->FollowApply(CRSreplaceNow, CRSqmxDir);
  connect(CRSselectPath, &QPushButton::clicked, this, &RealSunPage::CRSselectPathClick);
  connect(CmakeDateMode, &OptionGroup::ItemClicked, this, &RealSunPage::CmakeDateModeClick);
  connect(CRSmakeall, &QPushButton::clicked, this, &RealSunPage::CRSmakeallClick);
  connect(CRSreplaceNow, &QPushButton::clicked, this, &RealSunPage::CRSreplaceNowClick);
  connect(CRSreview, &QPushButton::clicked, this, &RealSunPage::CRSreviewClick);
  connect(CRSreturnInit, &QPushButton::clicked, this, &RealSunPage::CRSreturnInitClick);
  connect(Panel6->stop(), &QPushButton::clicked, this, &RealSunPage::CRSstopClick);
  connect(Panel6->list(), &QListWidget::itemClicked, this, &RealSunPage::CRSListClick);
}

void RealSunPage::EnableSteps(bool enabled) {
  for (const PipelineStep& step : controls_->pipeline().steps) {
    findChild<QPushButton*>(FromUtf8(step.button))->setEnabled(enabled);
  }
}

ClinicFieldBoxes RealSunPage::Boxes() const {
  return {CRSdir,     CRSclinicName,     CRSclinicID,     CRSHIS,      CRSqmxDir,
          CstartDate, CRSPharmacistName, CRSPharmacistID, CRSsplitDate};
}

RunFields RealSunPage::ReadRunFields() const {
  RunFields fields;
  Boxes().Read(fields);
  fields.chart.mode = CmakeDateMode->ItemIndex() == static_cast<int>(MakeDateMode::kBefore)
                          ? MakeDateMode::kBefore
                          : MakeDateMode::kOnAndAfter;
  fields.chart.file_size = Panel6->file_size()->value();
  for (int row = 0; row < CRSdrlist->count(); ++row) {
    fields.unknown_doctors.push_back(ToBig5(CRSdrlist->item(row)->text()));
  }
  return fields;
}

void RealSunPage::ShowRunFields(const RunFields& fields) {
  Boxes().Show(fields);
  CmakeDateMode->SetItemIndex(static_cast<int>(fields.chart.mode));
  CRSdrlist->clear();
  for (const std::string& doctor : fields.unknown_doctors) CRSdrlist->addItem(FromBig5(doctor));
}

void RealSunPage::CmakeDateModeClick() {
  controls_->RunOnFields([this](RunFields& fields) {
    zuvo::CmakeDateModeClick(fields, environment_.CurrentWorkplace(), context_);
  });
}

void RealSunPage::CRSreplaceNowClick() { Apply({}); }

void RealSunPage::Apply(const std::filesystem::path& reviewed) {
  controls_->RunOnFields([&](RunFields& fields) {
    ApplyConvertedWorkTree(controls_->pipeline(), fields.folder.his,
                           reviewed.empty() ? fields.folder.work_tree : reviewed,
                           environment_.program_folder, context_);
  });
}

void RealSunPage::CRSreviewClick() {
  controls_->RunOnFields([this](RunFields& fields) {
    OpenWorkTreeReview(this, environment_.program_folder, fields.folder.work_tree,
                       [this](const std::filesystem::path& tree) { Apply(tree); });
  });
}

void RealSunPage::CRSreturnInitClick() {
  controls_->RunOnFields([this](RunFields& fields) {
    if (zuvo::RestoreRealSunWorkTree(fields, environment_.CurrentWorkplace(), context_) !=
        StepResult::kDone) {
      return;
    }
    // The work tree is again as the catalogue and patient steps left it.
    for (const char* box : {"CRSmakeMXcheck", "CRScreateAntcheck"}) {
      if (auto* check = findChild<QCheckBox*>(box)) check->setChecked(true);
    }
  });
}

void RealSunPage::CRSstopClick() { environment_.flags.SetStopRequested(true); }

void RealSunPage::CRSListClick(QListWidgetItem* item) {
  if (item == nullptr) return;
  environment_.prompts.AskText(this, window()->windowTitle(), QString(), item->text());
}

}  // namespace zuvo::gui
