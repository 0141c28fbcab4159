#include "vision_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QScreen>
#include <algorithm>
#include <optional>

#include "app/apply_live.h"
#include "catalogue/vision_orders_step.h"
#include "charts/vision_charts_step.h"
#include "charts/vision_prepass.h"
#include "form_builder.h"
#include "patients/vision_patients_step.h"
#include "text_fields.h"

namespace zuvo::gui {

namespace {

// The single steps of the Vision pipeline: button, caption, and the check box a step ticks.
struct StepButton {
  const char* button;
  const char* caption;
  const char* done_box;
  std::optional<VisionStepId> run_step;  // the step of the one-shot run, if it is one
};

const StepButton kVisionSteps[] = {
    {"CmakeMX", "製作診所及醫令資料", "CVISWmakeMXcheck", VisionStepId::kCatalogue},
    {"CcreateAnt", "製作病人資料", "CcreateAntCheck", VisionStepId::kPatients},
    {"CVISWreadChart", "製作主訴,轉診,醫令連結檔", "CreadWishChartcheck", VisionStepId::kPrepass},
    {"CVISWdoCorvixChart", "製作Zuvo病歷檔", "CVISWdoCorvixChartcheck", VisionStepId::kCharts},
    {"CscreenMXDX", "篩選常用診斷及醫令", "CscreenMXDXcheck", VisionStepId::kScreening},
    {"ClabInput", "轉入檢驗值", "ClabInputcheck", std::nullopt},
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
      context_(environment.flags, *Panel4, environment.prompts, *this),
      pipeline_(VisionPipelineSteps(environment.program_folder, environment.clock)) {
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
  connect(findChild<QPushButton*>("CVISWdoCorvixChart"), &QPushButton::clicked, this,
          &TFVISW::CVISWdoCorvixChartClick);
  connect(CVISWall, &QPushButton::clicked, this, &TFVISW::CVISWallClick);
  connect(CVISWcopy, &QPushButton::clicked, this, &TFVISW::CVISWcopyClick);
  connect(findChild<QPushButton*>("CcreateAnt"), &QPushButton::clicked, this,
          &TFVISW::CcreateAntClick);
  connect(findChild<QPushButton*>("CVISWreadChart"), &QPushButton::clicked, this,
          &TFVISW::CVISWreadChartClick);
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

VisionRunFields TFVISW::ReadRunFields() const {
  VisionRunFields fields;
  fields.folder = ReadFolderFields();
  fields.split_date = ToBig5(CVISWsplitDate->text());
  fields.chart_file_size = Panel4->file_size()->value();
  fields.name_type = std::max(0, CSnameType->ItemIndex());
  fields.remark_mode = std::max(0, CreMarkType->ItemIndex());
  return fields;
}

void TFVISW::TickStep(VisionStepId id) {
  for (const StepButton& step : kVisionSteps) {
    if (step.run_step == id) findChild<QCheckBox*>(step.done_box)->setChecked(true);
  }
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

VisionChartInput TFVISW::ReadChartInput() const {
  VisionChartInput input;
  input.his = ToBig5(CVISWHIS->text());
  input.source_folder = ToPath(CVISWdir->text());
  input.work_tree = ToPath(CVISWqmxDir->text());
  input.clinic_id = ToBig5(CVISWclinicID->text());
  input.start_date = ToBig5(CstartDate->text());
  input.split_date = ToBig5(CVISWsplitDate->text());
  input.mode = CmakeDateMode->ItemIndex() == 1 ? MakeDateMode::kBefore : MakeDateMode::kOnAndAfter;
  input.pharmacist_name = ToBig5(CVISWPharmacistName->text());
  input.pharmacist_id = ToBig5(CVISWPharmacistID->text());
  return input;
}

void TFVISW::CVISWdoCorvixChartClick() {
  VisionChartInput input;
  if (!RunGuarded(environment_, this, [&] { input = ReadChartInput(); })) return;
  VisionChartOutcome outcome;
  environment_.flags.SetStopRequested(false);  // a stop pressed earlier ended that earlier step
  RunGuarded(environment_, this, [&] {
    ConvertVisionCharts(input, outcome, environment_.CurrentWorkplace(), context_);
  });
  CVISWsplitDate->setText(FromBig5(input.split_date));
  if (outcome.corvix_chart_checked) {
    findChild<QCheckBox*>("CVISWdoCorvixChartcheck")->setChecked(true);
  }
}

void TFVISW::CVISWallClick() {
  if (busy_) return;
  busy_ = true;
  VisionRunFields fields;
  if (!RunGuarded(environment_, this, [&] { fields = ReadRunFields(); })) {
    busy_ = false;
    return;
  }
  RunGuarded(environment_, this, [&] {
    zuvo::CVISWallClick(fields, pipeline_, context_, environment_.clock,
                        [this](VisionStepId id) { TickStep(id); });
  });
  ShowFolderFields(fields.folder);
  busy_ = false;
}

void TFVISW::CVISWcopyClick() {
  if (busy_) return;
  busy_ = true;
  RunGuarded(environment_, this, [&] {
    zuvo::CVISWcopyClick(ToBig5(CVISWHIS->text()), ToPath(CVISWqmxDir->text()),
                         environment_.program_folder, context_);
  });
  busy_ = false;
}

void TFVISW::CcreateAntClick() {
  StepResult result = StepResult::kStopped;
  RunGuarded(environment_, this, [&] {
    QAbstractButton* mode = CreMarkType->Item(CreMarkType->ItemIndex());
    RemarkMode remark_mode =
        RemarkModeFromItemText(mode != nullptr ? mode->text().toStdString() : std::string());
    result =
        ConvertVisionPatients(VisionPatientsInputOf(ReadFolderFields(), remark_mode), context_);
  });
  if (result == StepResult::kDone) findChild<QCheckBox*>("CcreateAntCheck")->setChecked(true);
}

void TFVISW::ShowChartOutcome(const VisionChartInput& input, const VisionChartOutcome& outcome) {
  CVISWsplitDate->setText(FromBig5(input.split_date));
  auto tick = [this](const char* name, bool done) {
    if (auto* box = findChild<QCheckBox*>(name); box != nullptr && done) box->setChecked(true);
  };
  tick("CVISWmakeMXcheck", outcome.make_mx_checked);
  tick("CreadWishChartcheck", outcome.read_chart_checked);
  tick("CVISWdoCorvixChartcheck", outcome.corvix_chart_checked);
}

void TFVISW::CVISWreadChartClick() {
  VisionChartInput input;
  if (!RunGuarded(environment_, this, [&] { input = ReadChartInput(); })) return;
  VisionChartOutcome outcome;
  environment_.flags.SetStopRequested(false);
  RunGuarded(environment_, this, [&] {
    zuvo::CVISWreadChartClick(input, environment_.program_folder, environment_.clock(), context_,
                              outcome);
  });
  ShowChartOutcome(input, outcome);
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
