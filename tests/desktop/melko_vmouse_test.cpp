// melko on a private X server against the virtual mouse: the window appears with the mouse's
// state, a DPI press on the mouse shows the popup, and a second launch hands over and ends.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "support/child_process.h"
#include "support/test_support.h"
#include "support/vmouse_process.h"
#include "support/x_server.h"

namespace melko {
namespace {

using testing::ChildProcess;
using testing::TempDir;

class MelkoDesktopTest : public ::testing::Test {
 protected:
  MelkoDesktopTest() : x_(dir_ / "xvfb.log") {
    setenv("DISPLAY", x_.display().c_str(), 1);  // for xdotool
    std::filesystem::create_directory(dir_ / "run");
    std::filesystem::permissions(dir_ / "run", std::filesystem::perms::owner_all);
  }
  std::map<std::string, std::string> Environment(const testing::VmouseProcess& mouse) {
    return {{"DISPLAY", x_.display()},
            {"MELKO_VMOUSE", mouse.socket_path()},
            {"XDG_CONFIG_HOME", (dir_ / "config").string()},
            {"XDG_RUNTIME_DIR", (dir_ / "run").string()},
            {"QT_QPA_PLATFORM", "xcb"},
            {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent"}};
  }
  std::unique_ptr<ChildProcess> StartMelko(const testing::VmouseProcess& mouse) {
    return std::make_unique<ChildProcess>(
        std::vector<std::string>{std::string(MELKO_BIN_DIR) + "/melko"}, dir_ / "melko.err",
        Environment(mouse));
  }
  // The sizes ("WxH") of melko's windows that are on screen.
  std::vector<std::string> VisibleWindowSizes() {
    std::vector<std::string> sizes;
    const std::string ids =
        Capture({"/usr/bin/xdotool", "search", "--onlyvisible", "--class", "melko"});
    for (std::size_t at = 0; (at = ids.find('\n', at)) != std::string::npos;) {
      const std::size_t end = ids.find('\n', at + 1);
      const std::string id = ids.substr(at + 1, end == std::string::npos ? end : end - at - 1);
      at = end;
      const std::string geometry = Capture({"/usr/bin/xdotool", "getwindowgeometry", id});
      const std::size_t size_at = geometry.find("Geometry: ");
      if (size_at != std::string::npos) {
        sizes.push_back(geometry.substr(size_at + 10, geometry.find('\n', size_at) - size_at - 10));
      }
      if (end == std::string::npos) break;
    }
    return sizes;
  }
  bool AwaitWindowOfSize(const std::string& size) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
      for (const std::string& shown : VisibleWindowSizes()) {
        if (shown == size) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  std::string Capture(const std::vector<std::string>& argv) {
    ChildProcess child(argv, dir_ / "tools.err", {{"DISPLAY", x_.display()}});
    child.CloseInput();
    std::string out;
    while (auto line = child.output().ReadLine(5000)) out += "\n" + *line;
    child.WaitExit();
    return out;
  }

  TempDir dir_;
  testing::XServer x_;
};

TEST_F(MelkoDesktopTest, TheWindowShowsTheMouseAndADpiPressShowsThePopup) {
  testing::VmouseProcess mouse({"--cable", "--receiver", "--awake", "--battery", "80"});
  auto melko = StartMelko(mouse);
  ASSERT_TRUE(AwaitWindowOfSize("800x572")) << testing::ReadText(dir_ / "melko.err");
  EXPECT_EQ(mouse.Command("dpi-button"), "ok");
  EXPECT_TRUE(AwaitWindowOfSize("200x50")) << "the DPI popup";

  // A second launch brings the first copy forward and ends with status 1.
  auto second = StartMelko(mouse);
  second->CloseInput();
  EXPECT_EQ(second->WaitExit(10000).value_or(-2), 1);
  EXPECT_TRUE(AwaitWindowOfSize("800x572"));
  EXPECT_EQ(melko->Stop(), 0) << testing::ReadText(dir_ / "melko.err");
}

// Clicks on the page reach the mouse: Apply sends the profile (in full, the first time), and
// Restore Defaults, confirmed with Return, sends it in full again.
TEST_F(MelkoDesktopTest, ClicksOnThePageReachTheMouse) {
  testing::VmouseProcess mouse({"--cable"});
  auto melko = StartMelko(mouse);
  ASSERT_TRUE(AwaitWindowOfSize("800x572")) << testing::ReadText(dir_ / "melko.err");
  const std::string window =
      Capture({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "^Melko$"}).substr(1);
  const std::string geometry = Capture({"/usr/bin/xdotool", "getwindowgeometry", window});
  const std::size_t at = geometry.find("Position: ") + 10;
  const int x = std::stoi(geometry.substr(at));
  const int y = std::stoi(geometry.substr(geometry.find(',', at) + 1));
  auto click = [&](int dx, int dy) {
    return testing::RunXdotool(
        {"mousemove", std::to_string(x + dx), std::to_string(y + dy), "click", "1"},
        dir_ / "tools.err");
  };
  auto reset_reports = [&] {
    int count = 0;
    for (const std::string& line : mouse.LogLines()) {
      count += line.find("\"hex\":\"0c0a") != std::string::npos;
    }
    return count;
  };
  auto await = [&](const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
  };

  ASSERT_TRUE(click(800 - 12 - 60, 572 - 10 - 15));  // Apply
  EXPECT_TRUE(await([&] { return mouse.LogLines().size() >= 5; }));
  EXPECT_EQ(reset_reports(), 1);
  ASSERT_TRUE(click(12 + 60, 572 - 10 - 15));  // Restore Defaults
  ASSERT_TRUE(await([&] { return VisibleWindowSizes().size() >= 2; })) << "the confirmation";
  ASSERT_TRUE(testing::RunXdotool({"key", "Return"}, dir_ / "tools.err"));
  EXPECT_TRUE(await([&] { return reset_reports() == 2; })) << testing::ReadText(dir_ / "melko.err");
  EXPECT_EQ(melko->Stop(), 0);
}

}  // namespace
}  // namespace melko
