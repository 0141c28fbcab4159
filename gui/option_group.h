#pragma once

// A captioned group of exclusive options whose current item is an index (0 = first item).

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

namespace zuvo::gui {

class OptionGroup : public QGroupBox {
  Q_OBJECT

 public:
  OptionGroup(const char* name, const QString& caption, const QStringList& items,
              QWidget* parent = nullptr);

  int ItemIndex() const { return buttons_->checkedId(); }
  void SetItemIndex(int index);
  QAbstractButton* Item(int index) const { return buttons_->button(index); }

 signals:
  // The operator picked an item (not emitted by SetItemIndex).
  void ItemClicked(int index);

 private:
  QButtonGroup* buttons_;
};

}  // namespace zuvo::gui
