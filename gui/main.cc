// zuvo-workbench: the conversion workbench's desktop program.
//
//   zuvo-workbench [--home DIR] [--screenshots DIR]
//   zuvo-workbench --help | -h | --version
//
// The program folder is DIR, else $ZUVO_HOME, else the folder of the program file.
// --screenshots writes a picture of each page of the main window in operator mode
// (page-<name>.png), of the Vision window (vision-window.png) and of the live folders' backups
// (undo-page.png) into DIR and ends.
#include <QApplication>
#include <QStringList>
#include <cstring>
#include <exception>
#include <iostream>

#include "app/program_folder.h"
#include "live_backups_dialog.h"
#include "main_window.h"
#include "qt_translations.h"
#include "text_fields.h"

namespace {

QString OptionValue(const QStringList& arguments, const QString& name) {
  qsizetype at = arguments.indexOf(name);
  return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

bool SaveScreenshots(zuvo::gui::TFdataedit& window, const QString& folder) {
  window.show();
  bool saved = true;
  for (QWidget* page : window.Pages()) {
    window.resize(1, 1);  // each page at its own size: the window only ever grows to a page
    window.ShowPage(page);
    QApplication::processEvents();
    saved = window.grab().save(folder + "/page-" + page->objectName() + ".png") && saved;
  }
  zuvo::gui::TFVISW& vision = window.vision_window();
  vision.show();
  QApplication::processEvents();
  saved = vision.grab().save(folder + "/vision-window.png") && saved;
  zuvo::gui::LiveBackupsDialog backups(window.environment(), &window);
  backups.show();
  QApplication::processEvents();
  saved = backups.grab().save(folder + "/undo-page.png") && saved;
  return saved;
}

// --help and --version answer before any window (or display) is needed. True when one was
// asked.
bool AnswerInformationOptions(int argc, char** argv) {
  for (int at = 1; at < argc; ++at) {
    if (std::strcmp(argv[at], "--help") == 0 || std::strcmp(argv[at], "-h") == 0) {
      std::cout << "usage: zuvo-workbench [--home DIR] [--screenshots DIR]\n"
                   "       zuvo-workbench --help | --version\n\n"
                   "The conversion workbench's window.\n\n"
                   "options:\n"
                   "  --home DIR          program folder (default: $ZUVO_HOME, else the folder "
                   "of this program)\n"
                   "  --screenshots DIR   write a picture of each page and of the Vision window "
                   "into DIR and end\n";
      return true;
    }
    if (std::strcmp(argv[at], "--version") == 0) {
      std::cout << "zuvo-workbench " << ZUVO_VERSION << "\n";
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerInformationOptions(argc, argv)) return 0;
  QApplication application(argc, argv);
  application.setApplicationDisplayName("Zuvo系統資料轉檔");
  zuvo::gui::InstallQtTranslations(application);
  QStringList arguments = application.arguments();
  std::filesystem::path program_folder =
      zuvo::ResolveProgramFolder(zuvo::gui::ToPath(OptionValue(arguments, "--home")), argv[0]);

  zuvo::RunFlags flags;
  zuvo::gui::DialogPrompts prompts;
  zuvo::gui::WorkbenchEnvironment environment{program_folder, flags, prompts};
  try {
    zuvo::InstallDeliveredFiles(program_folder);
  } catch (const std::exception& error) {
    prompts.ShowMessage(nullptr, zuvo::gui::FromUtf8(error.what()), zuvo::MessageKind::kError,
                        zuvo::MessageButtons::kOk);
  }
  QString screenshots = OptionValue(arguments, "--screenshots");
  environment.operator_mode_forced = !screenshots.isEmpty();
  zuvo::gui::TFdataedit window(environment);

  if (!screenshots.isEmpty()) return SaveScreenshots(window, screenshots) ? 0 : 1;
  window.show();
  return application.exec();
}
