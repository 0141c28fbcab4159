#include "merge_page.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "app/merge_apply.h"
#include "form_builder.h"
#include "text_fields.h"

namespace zuvo::gui {

namespace {

constexpr int kPathBoxWidth = 380;

}  // namespace

MergePage::MergePage(WorkbenchEnvironment& environment, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      CcombinePanel(new ProgressPanel(kMergePanelNames, this)),
      context_(environment.flags, *CcombinePanel, environment.prompts, *this) {
  auto* grid = new QGridLayout;
  CnewPath = AddField(grid, 0, 0, "CnewPath", "近期病歷目錄:");
  ShowPathStart(CnewPath);
  CsetNewPath = MakeButton("CsetNewPath", "選取目錄");
  grid->addWidget(CsetNewPath, 0, 2);
  CnewName = AddField(grid, 1, 0, "CnewName", "診所名稱:");
  CnewID = AddField(grid, 2, 0, "CnewID", "健保代碼:");
  CnewSplitDate = AddField(grid, 3, 0, "CnewSplitDate", "切割日期(包含當日)");
  ColdPath = AddField(grid, 4, 0, "ColdPath", "過去病歷目錄:");
  ShowPathStart(ColdPath);
  CsetOldPath = MakeButton("CsetOldPath", "選取目錄");
  grid->addWidget(CsetOldPath, 4, 2);
  ColdName = AddField(grid, 5, 0, "ColdName", "診所名稱:");
  ColdID = AddField(grid, 6, 0, "ColdID", "健保代碼:");
  ColdSplitDate = AddField(grid, 7, 0, "ColdSplitDate", "切割日期(不包含當日)");
  CcombinePath = AddField(grid, 8, 0, "CcombinePath", "融合後資料夾:");
  ShowPathStart(CcombinePath);
  CcombineBakPath = AddField(grid, 9, 0, "CcombineBakPath", "備份資料夾:");
  ShowPathStart(CcombineBakPath);
  CcombineBakPath->setReadOnly(true);
  // Folder paths are long; their boxes show a whole typical path at the page's own size.
  for (QLineEdit* path : {CnewPath, ColdPath, CcombinePath, CcombineBakPath}) {
    path->setMinimumWidth(kPathBoxWidth);
  }
  Ccombine = MakeButton("Ccombine", "融合病歷");
  CcombineTouse = MakeButton("CcombineTouse", "融合後套用");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Ccombine);
  buttons->addWidget(CcombineTouse);
  grid->addLayout(buttons, 10, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(11, 1);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(CcombinePanel);
  layout->addLayout(grid, 1);

  connect(CsetNewPath, &QPushButton::clicked, this, &MergePage::CsetNewPathClick);
  connect(CsetOldPath, &QPushButton::clicked, this, &MergePage::CsetOldPathClick);
  connect(Ccombine, &QPushButton::clicked, this, &MergePage::CcombineClick);
  connect(CcombineTouse, &QPushButton::clicked, this, &MergePage::CcombineTouseClick);
}

ChartMergeFields MergePage::ReadFields() const {
  ChartMergeFields fields;
  fields.recent = {ToPath(CnewPath->text()), ToBig5(CnewName->text()), ToBig5(CnewID->text()),
                   ToBig5(CnewSplitDate->text())};
  fields.past = {ToPath(ColdPath->text()), ToBig5(ColdName->text()), ToBig5(ColdID->text()),
                 ToBig5(ColdSplitDate->text())};
  fields.merged_folder = ToPath(CcombinePath->text());
  return fields;
}

void MergePage::ShowFields(const ChartMergeFields& fields) {
  CnewPath->setText(FromPath(fields.recent.folder));
  CnewName->setText(FromBig5(fields.recent.clinic_name));
  CnewID->setText(FromBig5(fields.recent.clinic_code));
  CnewSplitDate->setText(FromBig5(fields.recent.split_date));
  ColdPath->setText(FromPath(fields.past.folder));
  ColdName->setText(FromBig5(fields.past.clinic_name));
  ColdID->setText(FromBig5(fields.past.clinic_code));
  ColdSplitDate->setText(FromBig5(fields.past.split_date));
  CcombinePath->setText(FromPath(fields.merged_folder));
}

void MergePage::RunOnFields(const std::function<void(ChartMergeFields&)>& work) {
  if (busy_) return;
  busy_ = true;
  ChartMergeFields fields;
  if (RunGuarded(environment_, this, [&] { fields = ReadFields(); })) {
    RunGuarded(environment_, this, [&] { work(fields); });
    ShowFields(fields);
  }
  busy_ = false;
}

void MergePage::ChooseSet(ChartSetRole role) {
  RunOnFields([this, role](ChartMergeFields& fields) {
    ChartSetFields& set = role == ChartSetRole::kRecent ? fields.recent : fields.past;
    ChartSetChoice choice{role, set, fields.merged_folder};
    // What the choice filled shows, even when its merged folder could not be made.
    const auto show = [&] {
      set = choice.set;
      fields.merged_folder = choice.merged_folder;
    };
    try {
      ChooseChartSet(choice, environment_.CurrentWorkplace(), context_);
    } catch (...) {
      show();
      throw;
    }
    show();
  });
}

void MergePage::CsetNewPathClick() { ChooseSet(ChartSetRole::kRecent); }

void MergePage::CsetOldPathClick() { ChooseSet(ChartSetRole::kPast); }

void MergePage::CcombineClick() {
  RunOnFields([this](ChartMergeFields& fields) {
    zuvo::MergeChartSets(fields, environment_.CurrentWorkplace(), context_);
  });
}

void MergePage::CcombineTouseClick() {
  RunOnFields([this](ChartMergeFields& fields) {
    CcombineBakPath->clear();
    ApplyOutcome outcome = zuvo::ApplyMergedSet(fields.merged_folder, environment_.program_folder,
                                                environment_.clock(), context_);
    CcombineBakPath->setText(FromPath(outcome.backup));
  });
}

}  // namespace zuvo::gui
