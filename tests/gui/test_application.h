#pragma once

// The one QApplication of the window tests, made by whichever test needs it first.

#include <QApplication>

namespace zuvo::gui::testing {

inline QApplication& EnsureApplication() {
  static int argc = 1;
  static char name[] = "zuvo_gui_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QApplication(argc, argv);
  return *qApp;
}

}  // namespace zuvo::gui::testing
