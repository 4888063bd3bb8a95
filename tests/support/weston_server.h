// A private Wayland compositor for the tests that need one: weston on its headless back end, its
// socket in a folder of its own.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/test_support.h"

namespace melko::testing {

// Where Debian's weston package puts the program.
inline constexpr char kWestonProgram[] = "/usr/bin/weston";

class WestonServer {
 public:
  // Throws std::runtime_error with the reason when weston does not start within 10 s.
  explicit WestonServer(const std::filesystem::path& log_file);
  // The socket's full path, for WAYLAND_DISPLAY.
  std::string socket_path() const { return (runtime_.path() / "wayland-melko").string(); }

 private:
  TempDir runtime_;  // weston's XDG_RUNTIME_DIR, 0700 as mkdtemp makes it
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace melko::testing
