// melko-vmouse: the virtual mouse behind the driver-library socket and a mock BlueZ, or, as
// `melko-vmouse ctl`, a one-shot command to a running one.
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "qt/quit_signals.h"
#include "vmouse/program/ctl_client.h"
#include "vmouse/program/options.h"
#include "vmouse/program/vmouse_app.h"

int main(int argc, char** argv) {
  using namespace melko::vmouse;
  // A client that goes away must not take the mouse with it.
  std::signal(SIGPIPE, SIG_IGN);

  const ParsedOptions parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::fprintf(stderr, "melko-vmouse: error: %s\n%s", parsed.error.c_str(), UsageText().c_str());
    return 2;
  }
  const Options& options = *parsed.options;
  if (options.mode == Options::Mode::kHelp) {
    std::printf("%s", UsageText().c_str());
    return 0;
  }

  QCoreApplication app(argc, argv);
  if (options.mode == Options::Mode::kCtl) return RunCtl(options.socket_path, options.ctl_command);

  VmouseApp vmouse(options);
  melko::QuitOnSignals quit_signals;
  QObject::connect(&vmouse, &VmouseApp::QuitRequested, &app, &QCoreApplication::quit);
  QString error;
  if (!vmouse.Start(&error)) {
    std::fprintf(stderr, "melko-vmouse: error: %s\n", qPrintable(error));
    return 1;
  }
  return app.exec();
}
