#pragma once

// The preview window Fitem (TFitem): the diagnosis pick list of one department as the clinic
// front end presents it. A borderless window: two black side panels with the front end's
// category buttons (CmxPanel) and letter keypad (CnumPanel), which only stand there, and the
// list Citem right of them (sorted, white bold text on teal, in columns). Created with the main
// window, hidden until the preview shows it.

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QStringList>
#include <QWidget>

#include "workspace/dataedit_ini.h"

namespace zuvo::gui {

class TFitem : public QWidget {
  Q_OBJECT

 public:
  explicit TFitem(QWidget* parent = nullptr);

  // Captions the window "診斷輸入", places and sizes it and sets the list's columns from the
  // preview settings, fills the list with `names` and shows it.
  void ShowPreview(const PreviewWindowSettings& settings, const QStringList& names);
  int Columns() const { return columns_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOutColumns();

  QFrame* CmxPanel;
  QFrame* CnumPanel;
  QLineEdit* search_box_;
  QComboBox* CkeyWord;
  QListWidget* Citem;
  int columns_ = 3;
};

}  // namespace zuvo::gui
