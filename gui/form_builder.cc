#include "form_builder.h"

#include <QLabel>

namespace zuvo::gui {

QLineEdit* AddField(QGridLayout* grid, int row, int column, const char* name,
                    const QString& caption) {
  auto* field = new QLineEdit;
  field->setObjectName(name);
  auto* label = new QLabel(caption);
  label->setBuddy(field);
  grid->addWidget(label, row, column);
  grid->addWidget(field, row, column + 1);
  return field;
}

void ShowPathStart(QLineEdit* field) {
  QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString& text) {
    field->setToolTip(text);
    if (!field->hasFocus()) field->setCursorPosition(0);
  });
}

QPushButton* MakeButton(const char* name, const QString& caption) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  return button;
}

QCheckBox* MakeDoneBox(const char* name) {
  auto* box = new QCheckBox;
  box->setObjectName(name);
  return box;
}

}  // namespace zuvo::gui
