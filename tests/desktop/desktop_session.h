// melko on a private X server, with folders of its own, and its windows there read with one
// xdotool call: the desktop tests' common ground.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/test_support.h"
#include "support/vmouse_process.h"
#include "support/x_server.h"

namespace melko::testing {

inline constexpr char kMainWindowSize[] = "800x572";
// Where the page's buttons are, from the window's top left corner.
inline constexpr std::pair<int, int> kApplyButton{800 - 12 - 60, 572 - 10 - 15};
inline constexpr std::pair<int, int> kRestoreDefaultsButton{12 + 60, 572 - 10 - 15};

struct ShownWindow {
  int x = 0, y = 0;
  std::string size;  // "WxH"
  std::string id;
};

inline std::vector<ShownWindow> VisibleWindows() {
  const std::string shell = RunProgram({kXdotoolProgram, "search", "--onlyvisible", "--class",
                                        "melko", "getwindowgeometry", "--shell", "%@"},
                                       {}, 5000)
                                .out;
  std::vector<ShownWindow> windows;
  const std::regex window("WINDOW=(\\d+)\nX=(-?\\d+)\nY=(-?\\d+)\nWIDTH=(\\d+)\nHEIGHT=(\\d+)");
  for (std::sregex_iterator it(shell.begin(), shell.end(), window), end; it != end; ++it) {
    const std::smatch& found = *it;
    windows.push_back({std::stoi(found[2]), std::stoi(found[3]),
                       found[4].str() + "x" + found[5].str(), found[1]});
  }
  return windows;
}

class DesktopSession : public ::testing::Test {
 protected:
  DesktopSession() : x_(dir_ / "xvfb.log") {
    setenv("DISPLAY", x_.display().c_str(), 1);  // for xdotool
    std::filesystem::create_directory(dir_ / "run");
    std::filesystem::permissions(dir_ / "run", std::filesystem::perms::owner_all);
  }
  // melko's environment against this mouse; what env sets stays.
  std::map<std::string, std::string> Env(const VmouseProcess& mouse,
                                         std::map<std::string, std::string> env = {}) const {
    env.insert({{"DISPLAY", x_.display()},
                {"MELKO_VMOUSE", mouse.socket_path()},
                {"XDG_CONFIG_HOME", (dir_ / "config").string()},
                {"XDG_RUNTIME_DIR", (dir_ / "run").string()},
                {"QT_QPA_PLATFORM", "xcb"},
                {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent"}});
    return env;
  }
  std::unique_ptr<ChildProcess> StartMelko(const VmouseProcess& mouse,
                                           std::vector<std::string> options = {},
                                           const std::map<std::string, std::string>& env = {}) {
    options.insert(options.begin(), programs_ + "/melko");
    return std::make_unique<ChildProcess>(options, dir_ / "melko.err", Env(mouse, env));
  }
  std::optional<ShownWindow> AwaitWindowOfSize(const std::string& size, int timeout_ms = 20000) {
    std::optional<ShownWindow> found;
    Await(
        [&] {
          for (const ShownWindow& window : VisibleWindows())
            if (window.size == size) found = window;
          return found.has_value();
        },
        timeout_ms);
    return found;
  }
  bool Xdotool(const std::vector<std::string>& arguments) {
    return RunXdotool(arguments, dir_ / "tools.err");
  }
  bool Click(const ShownWindow& window, std::pair<int, int> at, const char* button = "1") {
    return Xdotool({"mousemove", std::to_string(window.x + at.first),
                    std::to_string(window.y + at.second), "click", button});
  }
  std::string Errors() const { return ReadText(dir_ / "melko.err"); }

  TempDir dir_;
  XServer x_;
  std::string programs_ = MELKO_BIN_DIR;
};

}  // namespace melko::testing
