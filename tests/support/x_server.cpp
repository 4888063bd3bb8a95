#include "support/x_server.h"

#include <unistd.h>

#include <stdexcept>

namespace melko::testing {

XServer::XServer(const std::filesystem::path& log_file) {
  if (access(kXvfbProgram, X_OK) != 0) {
    throw std::runtime_error("Xvfb is not installed (scripts/deps installs it)");
  }
  // Xvfb writes the display number it took to its standard output, its messages to the log.
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{kXvfbProgram, "-displayfd", "1", "-noreset", "-nolisten", "tcp",
                               "-screen", "0", "1280x1024x24"},
      log_file);
  const std::optional<std::string> number = process_->output().ReadLine(10000);
  if (!number || number->empty()) {
    throw std::runtime_error("Xvfb did not start; its output is in " + log_file.string());
  }
  display_ = ":" + *number;
}

bool RunXdotool(const std::vector<std::string>& arguments, const std::filesystem::path& log_file) {
  std::vector<std::string> argv = {kXdotoolProgram};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ChildProcess xdotool(argv, log_file);
  xdotool.CloseInput();
  return xdotool.WaitExit(10000) == 0;
}

}  // namespace melko::testing
