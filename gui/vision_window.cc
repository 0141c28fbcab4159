#include "vision_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QScreen>
#include <algorithm>

#include "app/apply_live.h"
#include "app/vision_pipeline.h"
#include "form_builder.h"
#include "review_dialog.h"
#include "text_fields.h"

namespace zuvo::gui {

void CentreOnScreen(QWidget& window) {
  QScreen* screen = window.screen();
  if (screen == nullptr) return;
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

TFVISW::TFVISW(WorkbenchEnvironment& environment, bool operator_mode, QWidget* parent)
    : QDialog(parent),
      environment_(environment),
      Panel4(new ProgressPanel(kVisionPanelNames, this)),
      context_(environment.flags, *Panel4, environment.prompts, *this),
      controls_(new PipelineControls(
          VisionPipeline(), environment, context_, *this, [this] { return ReadRunFields(); },
          [this](const RunFields& fields) { ShowRunFields(fields); })) {
  setObjectName("FVISW");
  setWindowTitle("V2Q轉換");
  setModal(true);

  auto* right = new QGridLayout;
  BuildFields(right);
  BuildOptions(right);
  BuildSteps(right, operator_mode);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Panel4);
  layout->addLayout(right, 1);

  Panel4->list()->setVisible(operator_mode);
  connect(Panel4->stop(), &QPushButton::clicked, this, &TFVISW::CstopClick);
  connect(Panel4->list(), &QListWidget::itemDoubleClicked, this, &TFVISW::CVISWlistDblClick);
  connect(CVISWselectPath, &QPushButton::clicked, this, &TFVISW::CVISWselectPathClick);
  connect(CVISWall, &QPushButton::clicked, this, &TFVISW::CVISWallClick);
  controls_->FollowApply(CVISWcopy, CVISWqmxDir);
  connect(CVISWcopy, &QPushButton::clicked, this, &TFVISW::CVISWcopyClick);
  connect(CVISWreview, &QPushButton::clicked, this, &TFVISW::CVISWreviewClick);
}

void TFVISW::BuildFields(QGridLayout* grid) {
  CVISWselectPath = MakeButton("CVISWselectPath", "選取原始目錄");
  grid->addWidget(CVISWselectPath, 0, 0, 1, 2);
  CVISWdir = AddField(grid, 1, 0, "CVISWdir", "原始目錄:");
  ShowPathStart(CVISWdir);
  CVISWclinicName = AddField(grid, 2, 0, "CVISWclinicName", "診所名稱:");
  CVISWclinicID = AddField(grid, 3, 0, "CVISWclinicID", "健保代碼:");
  CVISWHIS = AddField(grid, 4, 0, "CVISWHIS", "HIS系統:");
  CVISWqmxDir = AddField(grid, 5, 0, "CVISWqmxDir", "轉檔後Zuvo資料夾:");
  ShowPathStart(CVISWqmxDir);
  CVISWPharmacistName = AddField(grid, 1, 2, "CVISWPharmacistName", "藥師姓名:");
  CVISWPharmacistID = AddField(grid, 2, 2, "CVISWPharmacistID", "藥師身分證:");
  CstartDate = AddField(grid, 3, 2, "CstartDate", "開業日期");
  CVISWsplitDate = AddField(grid, 4, 2, "CVISWsplitDate", "切割日期");
  CVISWsplitDate->setText(FromUtf8(controls_->pipeline().default_split_date));
}

void TFVISW::BuildOptions(QGridLayout* grid) {
  CSnameType = new OptionGroup("CSnameType", "醫令簡名轉換方式", {"原系統簡名", "醫令原名"});
  CreMarkType =
      new OptionGroup("CreMarkType", "病人註記處理方式,儘量片語分析", {"全片語分析", "Note全註記"});
  CmakeDateMode = new OptionGroup("CmakeDateMode", "製作方式", {"之後(含)日期", "之前日期"});
  auto* options = new QHBoxLayout;
  for (OptionGroup* group : {CSnameType, CreMarkType, CmakeDateMode}) {
    group->setEnabled(false);
    options->addWidget(group);
  }
  grid->addLayout(options, 6, 0, 1, 4);
}

void TFVISW::BuildSteps(QGridLayout* grid, bool operator_mode) {
  auto* steps = new QGridLayout;
  controls_->AddStepButtons(steps, 0, 0, operator_mode);
  CVISWall = MakeButton("CVISWall", "一次性轉換");
  CVISWcopy = MakeButton("CVISWcopy", "套用轉檔後資料");
  CVISWreview = MakeButton("CVISWreview", "檢視轉檔結果");
  steps->addWidget(CVISWall, 0, 2);
  steps->addWidget(CVISWreview, 1, 2);
  steps->addWidget(CVISWcopy, 2, 2);
  grid->addLayout(steps, 7, 0, 1, 4);
}

void TFVISW::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

ClinicFieldBoxes TFVISW::Boxes() const {
  return {CVISWdir,   CVISWclinicName,     CVISWclinicID,     CVISWHIS,      CVISWqmxDir,
          CstartDate, CVISWPharmacistName, CVISWPharmacistID, CVISWsplitDate};
}

RunFields TFVISW::ReadRunFields() const {
  RunFields fields;
  Boxes().Read(fields);
  fields.chart.mode =
      CmakeDateMode->ItemIndex() == 1 ? MakeDateMode::kBefore : MakeDateMode::kOnAndAfter;
  fields.chart.file_size = Panel4->file_size()->value();
  fields.short_names =
      CSnameType->ItemIndex() == 1 ? ShortNameSource::kOriginalName : ShortNameSource::kSourceCode;
  fields.remark_mode =
      CreMarkType->ItemIndex() == 1 ? RemarkMode::kNotesOnly : RemarkMode::kFullPhraseAnalysis;
  return fields;
}

void TFVISW::ShowRunFields(const RunFields& fields) { Boxes().Show(fields); }

void TFVISW::CVISWcopyClick() { Apply({}); }

void TFVISW::Apply(const std::filesystem::path& reviewed) {
  controls_->RunOnFields([&](RunFields& fields) {
    ApplyConvertedWorkTree(controls_->pipeline(), fields.folder.his,
                           reviewed.empty() ? fields.folder.work_tree : reviewed,
                           environment_.program_folder, context_);
  });
}

void TFVISW::CVISWreviewClick() {
  controls_->RunOnFields([this](RunFields& fields) {
    OpenWorkTreeReview(this, environment_.program_folder, fields.folder.work_tree,
                       [this](const std::filesystem::path& tree) { Apply(tree); });
  });
}

void TFVISW::CstopClick() {
  environment_.flags.SetStopRequested(true);
  environment_.flags.SetStepMessages(false);
}

void TFVISW::CVISWlistDblClick(QListWidgetItem* item) {
  if (item == nullptr) return;
  environment_.prompts.AskText(this, windowTitle(), QString(), item->text());
}

}  // namespace zuvo::gui
