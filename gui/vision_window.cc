#include "vision_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QScreen>

#include "catalogue/vision_orders_step.h"
#include "form_builder.h"
#include "text_fields.h"

namespace zuvo::gui {

namespace {

// The single steps of the Vision pipeline: button, caption, and the check box a step ticks.
struct StepButton {
  const char* button;
  const char* caption;
  const char* done_box;
};

constexpr StepButton kVisionSteps[] = {
    {"CmakeMX", "製作診所及醫令資料", "CVISWmakeMXcheck"},
    {"CcreateAnt", "製作病人資料", "CcreateAntCheck"},
    {"CVISWreadChart", "製作主訴,轉診,醫令連結檔", "CreadWishChartcheck"},
    {"CVISWdoCorvixChart", "製作Zuvo病歷檔", "CVISWdoCorvixChartcheck"},
    {"CscreenMXDX", "篩選常用診斷及醫令", "CscreenMXDXcheck"},
    {"ClabInput", "轉入檢驗值", "ClabInputcheck"},
};

constexpr char kDefaultSplitDate[] = "1070101";

}  // namespace

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
      context_(environment.flags, *Panel4, environment.prompts, *this) {
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
  connect(findChild<QPushButton*>("CmakeMX"), &QPushButton::clicked, this, &TFVISW::CmakeMXClick);
}

void TFVISW::BuildFields(QGridLayout* grid) {
  CVISWselectPath = MakeButton("CVISWselectPath", "選取原始目錄");
  grid->addWidget(CVISWselectPath, 0, 0, 1, 2);
  CVISWdir = AddField(grid, 1, 0, "CVISWdir", "原始目錄:");
  CVISWclinicName = AddField(grid, 2, 0, "CVISWclinicName", "診所名稱:");
  CVISWclinicID = AddField(grid, 3, 0, "CVISWclinicID", "健保代碼:");
  CVISWHIS = AddField(grid, 4, 0, "CVISWHIS", "HIS系統:");
  CVISWqmxDir = AddField(grid, 5, 0, "CVISWqmxDir", "轉檔後Zuvo資料夾:");
  CVISWPharmacistName = AddField(grid, 1, 2, "CVISWPharmacistName", "藥師姓名:");
  CVISWPharmacistID = AddField(grid, 2, 2, "CVISWPharmacistID", "藥師身分證:");
  CstartDate = AddField(grid, 3, 2, "CstartDate", "開業日期");
  CVISWsplitDate = AddField(grid, 4, 2, "CVISWsplitDate", "切割日期");
  CVISWsplitDate->setText(kDefaultSplitDate);
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
  int row = 0;
  for (const StepButton& step : kVisionSteps) {
    QPushButton* button = MakeButton(step.button, step.caption);
    button->setEnabled(operator_mode);
    steps->addWidget(button, row, 0);
    steps->addWidget(MakeDoneBox(step.done_box), row, 1);
    ++row;
  }
  CVISWall = MakeButton("CVISWall", "一次性轉換");
  CVISWcopy = MakeButton("CVISWcopy", "套用轉檔後資料");
  steps->addWidget(CVISWall, 0, 2);
  steps->addWidget(CVISWcopy, 1, 2);
  grid->addLayout(steps, 7, 0, 1, 4);
}

void TFVISW::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

VisionFolderFields TFVISW::ReadFolderFields() const {
  VisionFolderFields fields;
  fields.source_folder = ToPath(CVISWdir->text());
  fields.clinic_name = ToBig5(CVISWclinicName->text());
  fields.clinic_id = ToBig5(CVISWclinicID->text());
  fields.his = ToBig5(CVISWHIS->text());
  fields.work_tree = ToPath(CVISWqmxDir->text());
  fields.start_date = ToBig5(CstartDate->text());
  fields.pharmacist_name = ToBig5(CVISWPharmacistName->text());
  fields.pharmacist_id = ToBig5(CVISWPharmacistID->text());
  return fields;
}

void TFVISW::ShowFolderFields(const VisionFolderFields& fields) {
  CVISWdir->setText(FromPath(fields.source_folder));
  CVISWclinicName->setText(FromBig5(fields.clinic_name));
  CVISWclinicID->setText(FromBig5(fields.clinic_id));
  CVISWHIS->setText(FromBig5(fields.his));
  CVISWqmxDir->setText(FromPath(fields.work_tree));
  CstartDate->setText(FromBig5(fields.start_date));
  CVISWPharmacistName->setText(FromBig5(fields.pharmacist_name));
  CVISWPharmacistID->setText(FromBig5(fields.pharmacist_id));
}

void TFVISW::CVISWselectPathClick() {
  VisionFolderFields fields;
  if (!RunGuarded(environment_, this, [&] { fields = ReadFolderFields(); })) return;
  RunGuarded(environment_, this,
             [&] { SelectVisionFolder(fields, environment_.CurrentWorkplace(), context_); });
  ShowFolderFields(fields);
}

void TFVISW::CmakeMXClick() {
  VisionOrdersInput input;
  if (!RunGuarded(environment_, this, [&] { input.fields = ReadFolderFields(); })) return;
  input.program_folder = environment_.CurrentWorkplace().program_folder;
  input.short_names =
      CSnameType->ItemIndex() == 1 ? ShortNameSource::kOriginalName : ShortNameSource::kSourceCode;
  StepResult result = StepResult::kStopped;
  RunGuarded(environment_, this, [&] { result = BuildVisionClinicAndOrders(input, context_); });
  ShowFolderFields(input.fields);
  if (result == StepResult::kDone) findChild<QCheckBox*>("CVISWmakeMXcheck")->setChecked(true);
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
