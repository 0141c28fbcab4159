#include "preview_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace zuvo::gui {

namespace {

constexpr int kDesignWidth = 966;
constexpr int kDesignHeight = 534;
constexpr int kKeypadColumns = 3;
constexpr int kKeyWidth = 30;

// The side panels' controls give way to the height DataEdit.ini sets.
template <typename Control>
Control* Yielding(Control* control) {
  control->setSizePolicy(control->sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
  return control;
}

QFrame* BlackPanel(const char* name) {
  auto* panel = new QFrame;
  panel->setObjectName(name);
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, Qt::black);
  panel->setPalette(palette);
  return panel;
}

}  // namespace

TFitem::TFitem(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName("Fitem");
  setWindowTitle("項目窗");
  resize(kDesignWidth, kDesignHeight);

  CmxPanel = BlackPanel("CmxPanel");
  auto* categories = new QVBoxLayout(CmxPanel);
  for (const char* caption : {"擴充模組", "drop", "oral", "topical", "inj", "operate", "special",
                              "material", "OPD", "新增模組", "刪除模組", ">>"}) {
    categories->addWidget(Yielding(new QPushButton(caption)));
  }

  CnumPanel = BlackPanel("CnumPanel");
  auto* keypad = new QGridLayout(CnumPanel);
  QStringList keys{"@"};
  for (char letter = 'A'; letter <= 'Z'; ++letter) keys << QString(QChar(letter));
  for (int i = 0; i < keys.size(); ++i) {
    auto* key = Yielding(new QPushButton(keys[i]));
    key->setFixedWidth(kKeyWidth);
    keypad->addWidget(key, i / kKeypadColumns, i % kKeypadColumns);
  }
  int next_row = static_cast<int>((keys.size() + kKeypadColumns - 1) / kKeypadColumns);
  search_box_ = Yielding(new QLineEdit);
  search_box_->setPlaceholderText("ICD10查詢");
  keypad->addWidget(search_box_, next_row, 0, 1, kKeypadColumns);
  CkeyWord = Yielding(new QComboBox);
  CkeyWord->setObjectName("CkeyWord");
  keypad->addWidget(CkeyWord, next_row + 1, 0, 1, kKeypadColumns);
  keypad->addWidget(Yielding(new QPushButton("常用")), next_row + 2, 0, 1, kKeypadColumns);

  Citem = new QListWidget;
  Citem->setObjectName("Citem");
  Citem->setSortingEnabled(true);
  // Items run down a column, then on into the next, as the front end's multi-column list does.
  Citem->setFlow(QListView::TopToBottom);
  Citem->setWrapping(true);
  Citem->setResizeMode(QListView::Adjust);
  Citem->setUniformItemSizes(true);
  Citem->setStyleSheet(
      "QListWidget { background: teal; color: white; font-weight: bold; }"
      "QListWidget::item:selected { background: navy; }");

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(CmxPanel);
  layout->addWidget(CnumPanel);
  layout->addWidget(Citem, 1);
}

void TFitem::ShowPreview(const PreviewWindowSettings& settings, const QStringList& names) {
  setWindowTitle("診斷輸入");
  setGeometry(settings.left, settings.top, settings.width, settings.height);
  columns_ = std::max(settings.columns, 1);
  Citem->clear();
  Citem->addItems(names);
  show();
  LayOutColumns();
}

void TFitem::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutColumns();
}

void TFitem::LayOutColumns() {
  int width = std::max(Citem->viewport()->width() / columns_, 1);
  Citem->setGridSize(QSize(width, Citem->fontMetrics().height() + 6));
}

}  // namespace zuvo::gui
