// The floor of any Qt Widgets program here: an empty 800 x 572 window, as large as melko's.
//   melko_empty_window               shows the window until it is closed or killed
//   melko_empty_window --qt-version  prints the version of the Qt library it runs with
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--qt-version") == 0) {
    std::printf("%s\n", qVersion());
    return 0;
  }
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("melko empty window"));
  window.resize(800, 572);
  window.show();
  return app.exec();
}
