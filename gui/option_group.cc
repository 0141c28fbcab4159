#include "option_group.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace zuvo::gui {

OptionGroup::OptionGroup(const char* name, const QString& caption, const QStringList& items,
                         QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
  setObjectName(name);
  auto* layout = new QVBoxLayout(this);
  for (int index = 0; index < items.size(); ++index) {
    auto* item = new QRadioButton(items[index]);
    buttons_->addButton(item, index);
    layout->addWidget(item);
  }
  SetItemIndex(0);
  connect(buttons_, &QButtonGroup::idClicked, this, &OptionGroup::ItemClicked);
}

void OptionGroup::SetItemIndex(int index) {
  if (QAbstractButton* item = buttons_->button(index)) item->setChecked(true);
}

}  // namespace zuvo::gui
