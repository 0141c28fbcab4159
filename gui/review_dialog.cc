#include "review_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/error.h"
#include "text_fields.h"

namespace zuvo::gui {
namespace {

QString StateWords(ConversionState state) {
  switch (state) {
    case ConversionState::kCompleted:
      return "完成";
    case ConversionState::kStopped:
      return "已停止";
    case ConversionState::kFailed:
      return "失敗";
    case ConversionState::kStarted:
      break;
  }
  return "未完成(開始後沒有結束)";
}

QString Count(long count) { return QString::number(count); }

QString SummaryText(const WorkTreeReview& review) {
  QStringList lines;
  lines << "工作資料夾: " + FromPath(review.work_tree);
  lines << "系統: " + FromUtf8(SourceSystemName(review.system)) +
               "    健保代碼: " + FromUtf8(review.clinic_code);
  if (review.record) {
    lines << "最後一次轉檔: " + FromUtf8(review.record->activity) + " " +
                 StateWords(review.record->state) + " (" + FromUtf8(review.record->started) +
                 " - " + FromUtf8(review.record->ended) + ")";
  } else {
    lines << "最後一次轉檔: 沒有記錄";
  }
  if (!review.split_words.empty()) lines << FromUtf8(review.split_words);
  lines << "病人: 來源 " + Count(review.source_patients) + " 筆,轉入 " +
               Count(review.patients_written) + " 筆";
  lines << "門診: 來源 " + Count(review.total.source) + " 筆,轉入 " +
               Count(review.total.converted) + " 筆,未轉 " + Count(review.total.LeftOut()) + " 筆";
  lines << "醫令 " + Count(review.order_lines) + " 行,診斷 " + Count(review.diagnoses) + " 筆";
  for (const StoreCheck& store : review.stores) {
    lines << "病歷檔檢查 " + FromPath(store.folder) + ": " +
                 (store.report.clean()
                      ? QString("通過")
                      : Count(static_cast<long>(store.report.findings.size())) + " 項問題");
  }
  lines << "套用會取代: " + FromPath(review.live_root) +
               (review.live_root_exists ? "" : " (這個資料夾不存在)");
  if (review.can_apply) {
    lines << "可以套用";
  } else {
    lines << "不能套用:";
    for (const std::string& problem : review.apply_problems) lines << "  " + FromUtf8(problem);
  }
  return lines.join('\n');
}

QString VisitText(const ReviewVisit& visit) {
  QStringList lines;
  lines << FromUtf8(visit.date) + "  " + FromUtf8(visit.doctor);
  for (const std::string& diagnosis : visit.diagnoses) lines << "  診斷 " + FromUtf8(diagnosis);
  for (const std::string& order : visit.orders) lines << "  醫令 " + FromUtf8(order);
  if (!visit.complaint.empty()) lines << "  主訴 " + FromUtf8(visit.complaint);
  if (!visit.exam.empty()) lines << "  檢查 " + FromUtf8(visit.exam);
  if (!visit.problem.empty()) lines << "  讀取問題 " + FromUtf8(visit.problem);
  return lines.join('\n');
}

}  // namespace

ReviewDialog::ReviewDialog(WorkTreeReview review, QWidget* parent, ApplyReviewed apply)
    : QDialog(parent), review_(std::move(review)), apply_(std::move(apply)) {
  setObjectName("ReviewDialog");
  setWindowTitle("檢視轉檔結果");
  auto* tabs = new QTabWidget;
  tabs->setObjectName("ReviewTabs");
  tabs->addTab(BuildSummary(), "摘要");
  tabs->addTab(BuildMessages(), "訊息");
  tabs->addTab(BuildPatients(), "病人");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  if (apply_) {
    auto* apply = new QPushButton("套用轉檔後資料");
    apply->setObjectName("ReviewApply");
    apply->setEnabled(review_.can_apply);
    QStringList problems;
    for (const std::string& problem : review_.apply_problems) problems << FromUtf8(problem);
    apply->setToolTip(problems.join('\n'));
    connect(apply, &QPushButton::clicked, this, [this] {
      const ApplyReviewed apply_reviewed = apply_;
      const std::filesystem::path work_tree = review_.work_tree;
      close();
      apply_reviewed(work_tree);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply);
    layout->addLayout(buttons);
  }
  resize(760, 520);
  FindPatients(QString());
}

QWidget* ReviewDialog::BuildSummary() {
  auto* page = new QWidget;
  auto* summary = new QLabel(SummaryText(review_));
  summary->setObjectName("ReviewSummary");
  summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QStringList headings = {"年度", "來源", "已轉"};
  for (const LeftOutReason& reason : kLeftOutReasons) headings << FromUtf8(reason.words);
  auto* years = new QTableWidget(static_cast<int>(review_.years.size()) + 1,
                                 static_cast<int>(headings.size()));
  years->setObjectName("ReviewYears");
  years->setHorizontalHeaderLabels(headings);
  years->verticalHeader()->setVisible(false);
  years->setEditTriggers(QAbstractItemView::NoEditTriggers);
  auto fill = [&](int row, const QString& year, const YearTally& tally) {
    QStringList cells = {year, Count(tally.source), Count(tally.converted)};
    for (const LeftOutReason& reason : kLeftOutReasons) cells << Count(tally.*reason.count);
    for (int column = 0; column < cells.size(); ++column) {
      years->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
  };
  int row = 0;
  for (const YearTally& tally : review_.years) {
    fill(row++, tally.roc_year == 0 ? QString("日期不明") : QString::number(tally.roc_year), tally);
  }
  fill(row, "合計", review_.total);
  years->resizeColumnsToContents();
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(summary);
  layout->addWidget(years, 1);
  return page;
}

QWidget* ReviewDialog::BuildMessages() {
  auto* page = new QWidget;
  kinds_ = new QListWidget;
  kinds_->setObjectName("ReviewMessageKinds");
  for (const MessageKindLines& kind : review_.message_kinds) {
    kinds_->addItem(FromUtf8(kind.kind) + " (" + Count(static_cast<long>(kind.lines.size())) + ")");
  }
  kind_lines_ = new QPlainTextEdit;
  kind_lines_->setObjectName("ReviewMessageLines");
  kind_lines_->setReadOnly(true);
  connect(kinds_, &QListWidget::currentRowChanged, this, &ReviewDialog::ShowMessageKind);
  auto* report =
      new QLabel("轉檔報告: " +
                 (review_.report_file.empty() ? QString("沒有") : FromPath(review_.report_file)));
  report->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* lists = new QHBoxLayout;
  lists->addWidget(kinds_, 1);
  lists->addWidget(kind_lines_, 2);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(report);
  layout->addLayout(lists, 1);
  return page;
}

QWidget* ReviewDialog::BuildPatients() {
  auto* page = new QWidget;
  search_ = new QLineEdit;
  search_->setObjectName("ReviewPatientSearch");
  search_->setPlaceholderText("病歷號、身分證或姓名");
  patients_ = new QListWidget;
  patients_->setObjectName("ReviewPatients");
  visits_ = new QPlainTextEdit;
  visits_->setObjectName("ReviewVisits");
  visits_->setReadOnly(true);
  connect(search_, &QLineEdit::textChanged, this, &ReviewDialog::FindPatients);
  connect(patients_, &QListWidget::currentRowChanged, this, &ReviewDialog::ShowPatient);
  auto* lists = new QHBoxLayout;
  lists->addWidget(patients_, 1);
  lists->addWidget(visits_, 2);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(search_);
  layout->addLayout(lists, 1);
  return page;
}

void ReviewDialog::ShowMessageKind(int row) {
  if (row < 0 || row >= static_cast<int>(review_.message_kinds.size())) {
    kind_lines_->clear();
    return;
  }
  QStringList lines;
  for (const std::string& line : review_.message_kinds[row].lines) lines << FromUtf8(line);
  kind_lines_->setPlainText(lines.join('\n'));
}

void ReviewDialog::FindPatients(const QString& text) {
  found_ = zuvo::FindPatients(review_, text.toStdString());
  patients_->clear();
  for (const ReviewPatient& patient : found_) {
    patients_->addItem(QString::number(patient.number) + "  " + FromUtf8(patient.national_id) +
                       "  " + FromUtf8(patient.name) + "  (" + Count(patient.visits) + " 次門診)");
  }
  visits_->clear();
}

void ReviewDialog::ShowPatient(int row) {
  if (row < 0 || row >= static_cast<int>(found_.size())) {
    visits_->clear();
    return;
  }
  QStringList visits;
  for (const ReviewVisit& visit : PatientVisits(review_, found_[row].number)) {
    visits << VisitText(visit);
  }
  visits_->setPlainText(visits.isEmpty() ? QString("沒有門診") : visits.join("\n\n"));
}

ReviewDialog* OpenWorkTreeReview(QWidget* parent, const std::filesystem::path& program_folder,
                                 const std::filesystem::path& work_tree, ApplyReviewed apply) {
  if (work_tree.empty()) throw Error("還沒有轉檔後Zuvo資料夾,請先選取原始目錄並轉檔");
  auto* dialog =
      new ReviewDialog(ReviewWorkTree(program_folder, work_tree), parent, std::move(apply));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  return dialog;
}

}  // namespace zuvo::gui
