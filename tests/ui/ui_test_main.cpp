// Runs the test class named on the command line (all of them without a name), on Qt's offscreen
// platform unless told otherwise.
#include <QApplication>
#include <QTest>
#include <cstring>
#include <functional>
#include <map>

#include "ui/theme.h"
#include "ui_tests.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  const QByteArray runtime = melko::ui::test::PrivateRuntimeFolder();
  qputenv("XDG_RUNTIME_DIR", runtime);
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  melko::ui::ApplyTheme(app);
  melko::ui::test::LoadTexts();

  const std::map<std::string, std::function<QObject*()>> suites = melko::ui::test::Suites();
  const std::string only = argc > 1 ? argv[1] : "";
  int failed = 0;
  for (const auto& [name, make] : suites) {
    if (!only.empty() && only != name) continue;
    QObject* suite = make();
    char* qtest_argv[] = {argv[0]};
    failed += QTest::qExec(suite, 1, qtest_argv);
    delete suite;
  }
  return failed == 0 ? 0 : 1;
}
