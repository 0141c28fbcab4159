#include "progress_panel.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QUrl>
#include <QVBoxLayout>

namespace zuvo::gui {

namespace {

constexpr int kMinimumFileSize = 1;
constexpr int kMaximumFileSize = 12;
constexpr int kDefaultFileSize = 6;

// Names `widget`, or hides it (and its caption) when the page shows no such control.
void NameOrHide(QWidget* widget, const char* name, QWidget* caption = nullptr) {
  if (name != nullptr) {
    widget->setObjectName(name);
    return;
  }
  widget->hide();
  if (caption != nullptr) caption->hide();
}

QLabel* AddValueRow(QGridLayout* grid, int row, const QString& caption, const char* name) {
  auto* value = new QLabel("0");
  auto* label = new QLabel(caption);
  NameOrHide(value, name, label);
  grid->addWidget(label, row, 0);
  grid->addWidget(value, row, 1);
  return value;
}

}  // namespace

ProgressPanel::ProgressPanel(const ProgressPanelNames& names, QWidget* parent) : QFrame(parent) {
  setObjectName(names.panel);
  setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(this);

  file_size_ = new QSpinBox;
  file_size_->setRange(kMinimumFileSize, kMaximumFileSize);
  file_size_->setValue(kDefaultFileSize);
  auto* size_row = new QHBoxLayout;
  auto* size_caption = new QLabel("單一檔案大小:");
  auto* size_unit = new QLabel("MB");
  NameOrHide(file_size_, names.file_size, size_caption);
  if (names.file_size == nullptr) size_unit->hide();
  size_row->addWidget(file_size_);
  size_row->addWidget(size_unit);
  grid->addWidget(size_caption, 0, 0);
  grid->addLayout(size_row, 0, 1);

  chart_number_ = AddValueRow(grid, 1, "處理病歷號:", names.chart_number);
  file_code_ = AddValueRow(grid, 2, "處理病歷檔案(fileCode):", names.file_code);
  total_ = AddValueRow(grid, 3, "總筆數:", names.total);
  done_ = AddValueRow(grid, 4, "目前處理筆數:", names.done);

  gauge_ = new QProgressBar;
  NameOrHide(gauge_, names.gauge);
  gauge_->setRange(0, 100);
  gauge_->setValue(0);
  grid->addWidget(gauge_, 5, 0, 1, 2);

  elapsed_ = new QLabel;
  NameOrHide(elapsed_, names.elapsed);
  grid->addWidget(elapsed_, 6, 0, 1, 2);

  summary_ = new QLabel;
  summary_->setObjectName(QString(names.panel) + "Summary");
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_->hide();
  report_ = new QPushButton("開啟轉檔報告");
  report_->setObjectName(QString(names.panel) + "Report");
  report_->hide();
  connect(report_, &QPushButton::clicked, this,
          [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(report_file_)); });
  auto* end_row = new QVBoxLayout;
  end_row->addWidget(summary_);
  end_row->addWidget(report_);
  grid->addLayout(end_row, 9, 0, 1, 2);

  stop_ = new QPushButton("停止");
  NameOrHide(stop_, names.stop);
  grid->addWidget(stop_, 7, 0, 1, 2);

  list_ = new QListWidget;
  NameOrHide(list_, names.list);
  grid->addWidget(list_, 8, 0, 1, 2);
  grid->setRowStretch(8, 1);
}

void ProgressPanel::SetReport(const QString& file) {
  report_file_ = file;
  report_->setVisible(!file.isEmpty());
}

}  // namespace zuvo::gui
