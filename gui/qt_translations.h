#pragma once

// Qt's own texts (dialog buttons, the file and folder dialogs) in Traditional Chinese, like the
// rest of the windows.

#include <QCoreApplication>
#include <QTranslator>

namespace zuvo::gui {

// Loads qtbase_zh_TW.qm from Qt's translations folder (Debian: qt6-translations-l10n) and
// installs it in `application`, which owns it; returns it. Null, with nothing installed, when
// the file is not there: the dialogs then stay in English.
QTranslator* InstallQtTranslations(QCoreApplication& application);

}  // namespace zuvo::gui
