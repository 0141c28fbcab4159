#include "qt_translations.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace zuvo::gui {

QTranslator* InstallQtTranslations(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  if (!translator->load("qtbase_zh_TW", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

}  // namespace zuvo::gui
