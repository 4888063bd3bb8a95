// A private X server for the tests that need a desktop: Xvfb on a display number it picks itself,
// and xdotool to make input on it.
#pragma once

#include <filesystem>
#include <memory>
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
  explicit XServer(const std::filesystem::path& log_file);
  // ":N", for DISPLAY.
  const std::string& display() const { return display_; }

 private:
  std::unique_ptr<ChildProcess> process_;
  std::string display_;
};

// Runs xdotool with these arguments on $DISPLAY; false when it fails.
bool RunXdotool(const std::vector<std::string>& arguments, const std::filesystem::path& log_file);

}  // namespace melko::testing
