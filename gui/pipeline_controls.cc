#include "pipeline_controls.h"

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <vector>

#include "app/apply_live.h"
#include "app/pipeline_run.h"
#include "app/run_summary.h"
#include "form_builder.h"
#include "platform/error.h"
#include "text_fields.h"

namespace zuvo::gui {

PipelineControls::PipelineControls(Pipeline pipeline, WorkbenchEnvironment& environment,
                                   QtStepContext& context, QWidget& page,
                                   std::function<RunFields()> read,
                                   std::function<void(const RunFields&)> show)
    : QObject(&page),
      pipeline_(std::move(pipeline)),
      environment_(environment),
      context_(context),
      page_(page),
      read_(std::move(read)),
      show_(std::move(show)) {}

int PipelineControls::AddStepButtons(QGridLayout* grid, int row, int column, bool enabled) {
  for (std::vector<PipelineStep> Pipeline::*list : {&Pipeline::steps, &Pipeline::separate_steps}) {
    for (size_t index = 0; index < (pipeline_.*list).size(); ++index, ++row) {
      const PipelineStep& step = (pipeline_.*list)[index];
      QPushButton* button = MakeButton(step.button.data(), step.caption.data());
      button->setEnabled(enabled);
      // By index: a test may replace the steps' calls, never the table's shape.
      connect(button, &QPushButton::clicked, this,
              [this, list, index] { StepClick((pipeline_.*list)[index]); });
      grid->addWidget(button, row, column);
      if (step.check_boxes.empty()) continue;
      grid->addWidget(MakeDoneBox(step.check_boxes.front().data()), row, column + 1);
    }
  }
  return row;
}

void PipelineControls::RunOnFields(const std::function<void(RunFields&)>& work) {
  if (busy_) return;
  busy_ = true;
  std::vector<QPointer<QPushButton>> disabled;
  for (QPushButton* button : page_.findChildren<QPushButton*>()) {
    if (button == context_.panel().stop() || !button->isEnabled()) continue;
    button->setEnabled(false);
    disabled.emplace_back(button);
  }
  RunFields fields;
  if (RunGuarded(environment_, &page_, [&] { fields = read_(); })) {
    RunGuarded(environment_, &page_, [&] { work(fields); });
    show_(fields);
  }
  for (const QPointer<QPushButton>& button : disabled) {
    if (button) button->setEnabled(true);
  }
  busy_ = false;
  OfferApply();
}

void PipelineControls::FollowApply(QPushButton* apply, QLineEdit* work_tree_box) {
  apply_ = apply;
  work_tree_box_ = work_tree_box;
  connect(work_tree_box, &QLineEdit::textChanged, this, [this] {
    if (!busy_) OfferApply();
  });
  OfferApply();
}

void PipelineControls::OfferApply() {
  if (apply_ == nullptr) return;
  const QString tree = work_tree_box_->text().trimmed();
  const std::optional<std::string> why = tree.isEmpty()
                                             ? std::optional<std::string>("還沒有轉檔後Zuvo資料夾")
                                             : NotReadyToApply(ToPath(tree));
  apply_->setEnabled(!why);
  apply_->setToolTip(why ? FromUtf8(*why) : QString());
}

void PipelineControls::SelectClick() {
  RunOnFields([this](RunFields& fields) {
    pipeline_.select(fields, environment_.CurrentWorkplace(), context_);
  });
}

void PipelineControls::StepClick(const PipelineStep& step) {
  RunOnFields([this, &step](RunFields& fields) {
    ShowEnd(RunSingleStepToEnd(pipeline_, step, fields, environment_.CurrentWorkplace(), context_,
                               [this](const PipelineStep& done) { TickStep(done); }));
  });
}

void PipelineControls::OneShotClick() {
  RunOnFields([this](RunFields& fields) {
    ShowEnd(RunOneShotToEnd(pipeline_, fields, environment_.CurrentWorkplace(), context_,
                            [this](const PipelineStep& done) { TickStep(done); }));
  });
}

void PipelineControls::ShowEnd(const RunOutcome& outcome) {
  ProgressPanel& panel = context_.panel();
  QProgressBar* gauge = panel.gauge();
  if (outcome.end == RunEnd::kCompleted) {
    if (gauge->maximum() <= gauge->minimum()) gauge->setMaximum(gauge->minimum() + 1);
    gauge->setValue(gauge->maximum());
  } else {
    gauge->setValue(gauge->minimum());
  }
  QStringList lines;
  for (const std::string& line : RunSummaryLines(outcome)) lines << FromUtf8(line);
  panel.summary()->setText(lines.join('\n'));
  panel.summary()->show();
  panel.SetReport(outcome.report.empty() ? QString() : FromPath(outcome.report));
  if (outcome.end == RunEnd::kFailed) throw Error(outcome.error);
}

void PipelineControls::TickStep(const PipelineStep& step) {
  for (std::string_view box : step.check_boxes) {
    if (auto* check = page_.findChild<QCheckBox*>(FromUtf8(box))) check->setChecked(true);
  }
}

}  // namespace zuvo::gui
