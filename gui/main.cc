// zuvo-workbench: the conversion workbench's desktop program.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QString::fromUtf8("Zuvo系統資料轉檔"));
  window.resize(391, 192);
  window.show();
  return application.exec();
}
