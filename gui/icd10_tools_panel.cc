#include "icd10_tools_panel.h"

#include <QGridLayout>
#include <QLabel>

#include "form_builder.h"
#include "qt_step_context.h"
#include "text_fields.h"

namespace zuvo::gui {

namespace {

// What the tools show: the count in CinputNo and the rows they list in the panel's list.
class ToolsStepContext : public PromptingStepContext {
 public:
  ToolsStepContext(RunFlags& flags, UserPrompts& prompts, QWidget& window, QLineEdit& count,
                   QListWidget& list)
      : PromptingStepContext(flags, prompts, window), count_(count), list_(list) {}

  void AddLine(std::string_view line) override {
    list_.addItem(FromUtf8(line));
    list_.scrollToBottom();
  }
  void ClearLines() override { list_.clear(); }
  void SetTotal(long) override {}
  void SetDone(long done) override { count_.setText(QString::number(done)); }
  void SetGauge(long) override {}
  void SetChartNumber(long) override {}
  void SetFileCode(long) override {}
  void SetElapsedLabel(std::string_view) override {}

 private:
  QLineEdit& count_;
  QListWidget& list_;
};

}  // namespace

Icd10ToolsPanel::Icd10ToolsPanel(WorkbenchEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  CICD10txttoMDB = MakeButton("CICD10txttoMDB", "將ICD10.xls檔轉入資料庫");
  CICD10toDX = MakeButton("CICD10toDX", "將轉檔ICD10瑱入診斷資料庫");
  CDXsetInDXset = MakeButton("CDXsetInDXset", "將它檔ICD10融入診斷資料庫");
  CreadICD10_PCS =
      MakeButton("CreadICD10_PCS", "將[1.2 中文版ICD-10-PCS(106.07.19更新).xls]轉入資料庫");
  CcreatePCStable = MakeButton(
      "CcreatePCStable", "將[全民健康保險ICD-10-PCS代碼與醫令對應檔_10608更新.txt]轉入資料庫");
  CsetLongDX = MakeButton("CsetLongDX", "輸入慢性病碼");
  CinputList = new QListWidget;
  CinputList->setObjectName("CinputList");

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  int row = 0;
  for (QPushButton* button :
       {CICD10txttoMDB, CICD10toDX, CDXsetInDXset, CreadICD10_PCS, CcreatePCStable, CsetLongDX}) {
    grid->addWidget(button, row++, 0, 1, 2);
  }
  CinputNo = AddField(grid, row++, 0, "CinputNo", "轉入筆數");
  CinputNo->setReadOnly(true);
  grid->addWidget(CinputList, row, 0, 1, 2);
  grid->setRowStretch(row, 1);
  SetOperatorMode(false);

  connect(CICD10txttoMDB, &QPushButton::clicked, this, &Icd10ToolsPanel::CICD10txttoMDBClick);
  connect(CICD10toDX, &QPushButton::clicked, this, &Icd10ToolsPanel::CICD10toDXClick);
  connect(CDXsetInDXset, &QPushButton::clicked, this, &Icd10ToolsPanel::CDXsetInDXsetClick);
  connect(CreadICD10_PCS, &QPushButton::clicked, this, &Icd10ToolsPanel::CreadICD10_PCSClick);
  connect(CcreatePCStable, &QPushButton::clicked, this, &Icd10ToolsPanel::CcreatePCStableClick);
  connect(CsetLongDX, &QPushButton::clicked, this, &Icd10ToolsPanel::CsetLongDXClick);
}

void Icd10ToolsPanel::SetOperatorMode(bool operator_mode) {
  for (QPushButton* button :
       {CICD10txttoMDB, CICD10toDX, CreadICD10_PCS, CcreatePCStable, CsetLongDX}) {
    button->setEnabled(operator_mode);
  }
}

void Icd10ToolsPanel::RunTool(DiagnosisTool tool, bool changes_dx) {
  ToolsStepContext context(environment_.flags, environment_.prompts, *this, *CinputNo, *CinputList);
  context.ClearLines();
  DiagnosisToolRun run;
  StepResult ended = StepResult::kStopped;
  bool ran = RunGuarded(environment_, this,
                        [&] { ended = tool(run, environment_.CurrentWorkplace(), context); });
  // A stopped tool changed nothing: the count it reached says nothing of the table.
  if (ran && ended != StepResult::kDone) CinputNo->clear();
  // After an error too: a tool may have changed DX before its error (the editor's grid shows
  // what is there either way).
  if (changes_dx) emit diagnosisTableChanged();
}

void Icd10ToolsPanel::CICD10txttoMDBClick() { RunTool(zuvo::ImportIcd10CmWorkbook, false); }
void Icd10ToolsPanel::CICD10toDXClick() { RunTool(zuvo::RebuildDiagnosisList, true); }
void Icd10ToolsPanel::CDXsetInDXsetClick() { RunTool(zuvo::MergeOtherDiagnosisList, true); }
void Icd10ToolsPanel::CreadICD10_PCSClick() { RunTool(zuvo::ImportIcd10PcsWorkbook, false); }
void Icd10ToolsPanel::CcreatePCStableClick() { RunTool(zuvo::ImportPcsOrderMapping, false); }
void Icd10ToolsPanel::CsetLongDXClick() { RunTool(zuvo::ApplyChronicDiagnosisRanges, true); }

}  // namespace zuvo::gui
