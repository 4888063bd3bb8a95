// melko on a private X server against the virtual mouse: the window appears with the mouse's
// state, a DPI press on the mouse shows the popup, a second launch hands over and ends, and clicks
// on the page reach the mouse.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <thread>

#include "support/child_process.h"
#include "support/test_support.h"
#include "support/vmouse_process.h"
#include "support/x_server.h"

namespace melko {
namespace {

using testing::ChildProcess;
using testing::TempDir;

// Polls until done() holds, for at most 20 seconds.
bool Await(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

struct ShownWindow {
  int x = 0, y = 0;
  std::string size;  // "WxH"
  std::string id;
};

class MelkoDesktopTest : public ::testing::Test {
 protected:
  MelkoDesktopTest() : x_(dir_ / "xvfb.log") {
    setenv("DISPLAY", x_.display().c_str(), 1);  // for xdotool
    std::filesystem::create_directory(dir_ / "run");
    std::filesystem::permissions(dir_ / "run", std::filesystem::perms::owner_all);
  }
  std::unique_ptr<ChildProcess> StartMelko(const testing::VmouseProcess& mouse,
                                           const std::vector<std::string>& options = {},
                                           std::map<std::string, std::string> env = {}) {
    std::vector<std::string> argv{std::string(MELKO_BIN_DIR) + "/melko"};
    argv.insert(argv.end(), options.begin(), options.end());
    env.insert({{"DISPLAY", x_.display()},
                {"MELKO_VMOUSE", mouse.socket_path()},
                {"XDG_CONFIG_HOME", (dir_ / "config").string()},
                {"XDG_RUNTIME_DIR", (dir_ / "run").string()},
                {"QT_QPA_PLATFORM", "xcb"},
                {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent"}});
    return std::make_unique<ChildProcess>(argv, dir_ / "melko.err", env);
  }
  // melko's windows that are on screen.
  std::vector<ShownWindow> VisibleWindows() {
    const std::string shell =
        testing::RunProgram({testing::kXdotoolProgram, "search", "--onlyvisible", "--class",
                             "melko", "getwindowgeometry", "--shell", "%@"},
                            {}, 5000)
            .out;
    std::vector<ShownWindow> windows;
    std::istringstream lines(shell);
    std::string width;
    for (std::string line; std::getline(lines, line);) {
      const std::string value = line.substr(line.find('=') + 1);
      if (line.starts_with("WINDOW=")) windows.push_back({0, 0, "", value});
      if (line.starts_with("X=")) windows.back().x = std::stoi(value);
      if (line.starts_with("Y=")) windows.back().y = std::stoi(value);
      if (line.starts_with("WIDTH=")) width = value;
      if (line.starts_with("HEIGHT=")) windows.back().size = width + "x" + value;
    }
    return windows;
  }
  std::optional<ShownWindow> AwaitWindowOfSize(const std::string& size) {
    std::optional<ShownWindow> found;
    Await([&] {
      for (const ShownWindow& window : VisibleWindows()) {
        if (window.size == size) found = window;
      }
      return found.has_value();
    });
    return found;
  }
  std::string Errors() { return testing::ReadText(dir_ / "melko.err"); }
  // A panel's notification area, top right.
  std::unique_ptr<ChildProcess> StartTrayHost() {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/trayer", "--edge", "top", "--align", "right",
                                 "--widthtype", "pixel", "--width", "100", "--height", "24"},
        dir_ / "trayer.err", std::map<std::string, std::string>{{"DISPLAY", x_.display()}});
  }
  // melko's icon, docked in the tray host.
  std::optional<ShownWindow> AwaitTrayIcon() {
    std::optional<ShownWindow> found;
    Await([&] {
      for (const ShownWindow& window : VisibleWindows()) {
        if (window.y < 24 && std::stoi(window.size) <= 24) found = window;
      }
      return found.has_value();
    });
    return found;
  }
  std::unique_ptr<ChildProcess> StartWindowManager() {
    auto openbox = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/openbox", "--sm-disable"}, dir_ / "openbox.err",
        std::map<std::string, std::string>{{"DISPLAY", x_.display()}});
    Await(
        [] { return Xprop("-root", {"_NET_SUPPORTING_WM_CHECK"}).find('#') != std::string::npos; });
    return openbox;
  }
  // The properties of a window ("-root" for the root window), as xprop prints them.
  static std::string Xprop(const std::string& window, std::vector<std::string> properties) {
    std::vector<std::string> argv{"/usr/bin/xprop", window == "-root" ? "-root" : "-id"};
    if (window != "-root") argv.push_back(window);
    argv.insert(argv.end(), properties.begin(), properties.end());
    return testing::RunProgram(argv, {}, 5000).out;
  }
  bool Click(const ShownWindow& window, int dx, int dy, const char* button = "1") {
    return testing::RunXdotool({"mousemove", std::to_string(window.x + dx),
                                std::to_string(window.y + dy), "click", button},
                               dir_ / "tools.err");
  }

  TempDir dir_;
  testing::XServer x_;
};

TEST_F(MelkoDesktopTest, TheWindowShowsTheMouseAndADpiPressShowsThePopup) {
  testing::VmouseProcess mouse({"--cable", "--receiver", "--awake", "--battery", "80"});
  auto melko = StartMelko(mouse);
  ASSERT_TRUE(AwaitWindowOfSize("800x572")) << Errors();
  // The device side opens once the window is up, later still under a sanitizer: the button is
  // pressed until a press comes after the driver library listens.
  EXPECT_TRUE(Await([&] {
    EXPECT_EQ(mouse.Command("dpi-button"), "ok");
    return std::ranges::any_of(VisibleWindows(),
                               [](const ShownWindow& w) { return w.size == "200x50"; });
  })) << "the DPI popup";

  // A second launch brings the first copy forward, with its startup id for the window manager,
  // and ends with status 1.
  auto second = StartMelko(mouse, {}, {{"DESKTOP_STARTUP_ID", "launcher-7_TIME42"}});
  second->CloseInput();
  EXPECT_EQ(second->WaitExit(10000).value_or(-2), 1);
  const std::optional<ShownWindow> window = AwaitWindowOfSize("800x572");
  ASSERT_TRUE(window);
  EXPECT_THAT(testing::RunProgram({"/usr/bin/xprop", "-id", window->id, "_NET_STARTUP_ID"}).out,
              ::testing::HasSubstr("\"launcher-7_TIME42\""));
  EXPECT_EQ(melko->Stop(), 0) << Errors();
}

// Apply sends the profile (in full, the first time), and Restore Defaults, confirmed with Return,
// sends it in full again.
TEST_F(MelkoDesktopTest, ClicksOnThePageReachTheMouse) {
  testing::VmouseProcess mouse({"--cable"});
  auto melko = StartMelko(mouse);
  const std::optional<ShownWindow> window = AwaitWindowOfSize("800x572");
  ASSERT_TRUE(window) << Errors();
  auto click = [&](int dx, int dy) { return Click(*window, dx, dy); };
  auto reset_reports = [&] {
    const auto writes = mouse.Writes();
    return std::count_if(writes.begin(), writes.end(),
                         [](const auto& write) { return write.hex.starts_with("0c0a"); });
  };

  ASSERT_TRUE(click(800 - 12 - 60, 572 - 10 - 15));  // Apply
  EXPECT_TRUE(Await([&] { return mouse.LogLines().size() >= 5; }));
  EXPECT_EQ(reset_reports(), 1);
  ASSERT_TRUE(click(12 + 60, 572 - 10 - 15));  // Restore Defaults
  ASSERT_TRUE(Await([&] { return VisibleWindows().size() >= 2; })) << "the confirmation";
  ASSERT_TRUE(testing::RunXdotool({"key", "Return"}, dir_ / "tools.err"));
  EXPECT_TRUE(Await([&] { return reset_reports() == 2; })) << Errors();
  EXPECT_EQ(melko->Stop(), 0);
}

// Beside a tray host the window hides instead of closing, yet every way of quitting ends the
// program at once and in order: SIGTERM while the window is hidden to the tray (saving the edit
// the sleeping mouse could not take), SIGTERM while a confirmation is open, the tray menu's Quit.
TEST_F(MelkoDesktopTest, EveryWayOfQuittingEndsTheProgramBesideATrayHost) {
  auto tray_host = StartTrayHost();
  testing::VmouseProcess mouse({"--receiver"});
  auto melko = StartMelko(mouse);
  std::optional<ShownWindow> window = AwaitWindowOfSize("800x572");
  ASSERT_TRUE(window && AwaitTrayIcon()) << Errors();
  ASSERT_TRUE(Click(*window, 494, 104));  // DPI stage 1
  ASSERT_TRUE(Click(*window, 776, 26));   // hide
  ASSERT_TRUE(Await([&] { return VisibleWindows().size() == 1; })) << "only the tray icon";
  EXPECT_EQ(melko->Stop(), 0) << Errors();
  EXPECT_THAT(testing::RunProgram({std::string(MELKO_BIN_DIR) + "/melkoctl", "profile", "show"},
                                  {{"XDG_CONFIG_HOME", (dir_ / "config").string()}})
                  .out,
              ::testing::HasSubstr("Current stage: 1"));

  melko = StartMelko(mouse);
  ASSERT_TRUE((window = AwaitWindowOfSize("800x572")));
  ASSERT_TRUE(Click(*window, 72, 547));  // Restore Defaults: a modal confirmation
  ASSERT_TRUE(Await([&] { return VisibleWindows().size() >= 3; }));
  EXPECT_EQ(melko->Stop(), 0) << Errors();

  melko = StartMelko(mouse);
  const std::optional<ShownWindow> icon = AwaitTrayIcon();
  ASSERT_TRUE(icon && AwaitWindowOfSize("800x572"));
  ASSERT_TRUE(Click(*icon, 10, 10, "3"));
  ASSERT_TRUE(testing::RunXdotool({"sleep", "0.5", "key", "Up", "Return"}, dir_ / "tools.err"));
  EXPECT_EQ(melko->WaitExit(10000).value_or(-2), 0) << "the tray menu's Quit";
}

// Under a window manager the window has one title bar, its own, which drags it; it keeps its size,
// centred, and cannot be maximised. Started with --hidden before the panel, its icon docks when the
// panel comes and closing hides the window there; when the panel goes, the hidden window comes
// back minimised, and closing it then ends the program.
TEST_F(MelkoDesktopTest, UnderAWindowManagerTheTrayIsCheckedWhenItMatters) {
  auto window_manager = StartWindowManager();
  testing::VmouseProcess mouse({"--receiver"});
  auto melko = StartMelko(mouse, {"--hidden"});
  ASSERT_TRUE(Await([] {
    return !testing::RunProgram({testing::kXdotoolProgram, "search", "--class", "melko"})
                .out.empty();
  })) << Errors();
  auto tray_host = StartTrayHost();
  const std::optional<ShownWindow> icon = AwaitTrayIcon();
  ASSERT_TRUE(icon) << Errors();
  ASSERT_TRUE(Click(*icon, 10, 10));
  const std::optional<ShownWindow> window = AwaitWindowOfSize("800x572");
  ASSERT_TRUE(window);
  EXPECT_EQ(std::pair(window->x, window->y), std::pair(240, 226));
  const std::string hints = Xprop(window->id, {"_NET_FRAME_EXTENTS", "_NET_WM_ALLOWED_ACTIONS"});
  EXPECT_THAT(hints, ::testing::HasSubstr("= 0, 0, 0, 0"));
  EXPECT_THAT(hints, ::testing::Not(::testing::HasSubstr("MAXIMIZE")));
  // Dragged by the title bar, with pauses for the window manager to take over the pointer.
  EXPECT_TRUE(Await([&] {
    testing::RunXdotool(
        {"mousemove", "340", "246", "mousedown", "1", "sleep", "0.3", "mousemove", "380", "270",
         "sleep", "0.3", "mousemove", "440", "296", "sleep", "0.3", "mouseup", "1"},
        dir_ / "tools.err");
    return AwaitWindowOfSize("800x572").value_or(*window).x > 300;
  }));

  const auto close = [&] {
    return testing::RunXdotool({"windowactivate", "--sync", window->id, "key", "alt+F4"},
                               dir_ / "tools.err");
  };
  ASSERT_TRUE(close());
  ASSERT_TRUE(Await([&] { return VisibleWindows().size() == 1; })) << "only the tray icon";
  tray_host.reset();
  EXPECT_TRUE(
      Await([&] { return Xprop(window->id, {"WM_STATE"}).find("Iconic") != std::string::npos; }));
  ASSERT_TRUE(close());
  EXPECT_EQ(melko->WaitExit(10000).value_or(-2), 0) << Errors();
}

}  // namespace
}  // namespace melko
