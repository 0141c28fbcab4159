#pragma once

// Small helpers that lay out the windows' captioned controls in a grid.

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

namespace zuvo::gui {

// A caption in column `column` and an edit box named `name` beside it, on `row`.
QLineEdit* AddField(QGridLayout* grid, int row, int column, const char* name,
                    const QString& caption);
// A box that shows a path: its start stays in view (the drive and the first folders tell where
// it is) whenever the text is set while the operator is not typing in it, and the whole path is
// its tooltip.
void ShowPathStart(QLineEdit* field);
QPushButton* MakeButton(const char* name, const QString& caption);
// A caption-less check box that a step ticks when it finishes.
QCheckBox* MakeDoneBox(const char* name);

}  // namespace zuvo::gui
