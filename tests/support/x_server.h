// A private X server for the tests that need a desktop: Xvfb on a display number it picks itself,
// and xdotool to make input on it.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace melko::testing {

// Where Debian's xvfb and xdotool packages put the programs.
inline constexpr char kXvfbProgram[] = "/usr/bin/Xvfb";
inline constexpr char kXdotoolProgram[] = "/usr/bin/xdotool";

// Xvfb started with -displayfd, so that it takes the first free display; it ends with this object
// or, should the tests die first, with this process.
class XServer {
 public:
  // Throws std::runtime_error with the reason when the server cannot start.
  explicit XServer(const std::filesystem::path& log_file) {
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
  // ":N", for DISPLAY.
  const std::string& display() const { return display_; }

 private:
  std::unique_ptr<ChildProcess> process_;
  std::string display_;
};

// Runs xdotool with these arguments on $DISPLAY; false when it fails.
inline bool RunXdotool(const std::vector<std::string>& arguments,
                       const std::filesystem::path& log_file) {
  std::vector<std::string> argv = {kXdotoolProgram};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ChildProcess xdotool(argv, log_file);
  xdotool.CloseInput();
  return xdotool.WaitExit(10000) == 0;
}

}  // namespace melko::testing
