// melko on a private X server against the virtual mouse, driven with xdotool.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "desktop_session.h"

namespace melko::testing {
namespace {

using ::testing::HasSubstr;

class MelkoDesktopTest : public DesktopSession {
 protected:
  // A desktop program beside melko on the private display, ended with the test; by default a
  // panel's notification area, top right, where melko's icon docks as a 22x22 window.
  std::unique_ptr<ChildProcess> StartOnDisplay(const std::vector<std::string>& argv = {
                                                   "/usr/bin/trayer", "--edge", "top", "--align",
                                                   "right", "--widthtype", "pixel", "--width",
                                                   "100", "--height", "24"}) {
    return std::make_unique<ChildProcess>(argv, dir_ / "desktop.err");  // DISPLAY: the session's
  }
  static std::string Xprop(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/bin/xprop");
    return RunProgram(arguments, {}, 5000).out;
  }
};

TEST_F(MelkoDesktopTest, TheWindowShowsTheMouseAndADpiPressShowsThePopup) {
  VmouseProcess mouse({"--cable", "--receiver", "--awake", "--battery", "80"});
  auto melko = StartMelko(mouse);
  const std::optional<ShownWindow> window = AwaitWindowOfSize(kMainWindowSize);
  ASSERT_TRUE(window) << Errors();
  // The device side opens once the window is up, later still under a sanitizer: the button is
  // pressed until a press comes after the driver library listens.
  EXPECT_TRUE(Await([&] {
    EXPECT_EQ(mouse.Command("dpi-button"), "ok");
    return std::ranges::count(VisibleWindows(), "200x50", &ShownWindow::size) > 0;
  })) << "the DPI popup";

  auto second = StartMelko(mouse, {}, {{"DESKTOP_STARTUP_ID", "launcher-7_TIME42"}});
  second->CloseInput();
  EXPECT_EQ(second->WaitExit(10000).value_or(-2), 1);
  EXPECT_THAT(Xprop({"-id", window->id, "_NET_STARTUP_ID"}), HasSubstr("\"launcher-7_TIME42\""));
  EXPECT_EQ(melko->Stop(), 0) << Errors();
}

// Apply sends the profile (in full, the first time), and Restore Defaults, confirmed with Return,
// sends it in full again. SIGTERM while the confirmation is open ends the program in order.
TEST_F(MelkoDesktopTest, ClicksOnThePageReachTheMouse) {
  VmouseProcess mouse({"--cable"});
  const auto full_writes = [&mouse] {  // a profile's first report
    return std::ranges::count_if(mouse.Writes(),
                                 [](const auto& write) { return write.hex.starts_with("0c0a"); });
  };
  auto melko = StartMelko(mouse);
  const std::optional<ShownWindow> window = AwaitWindowOfSize(kMainWindowSize);
  ASSERT_TRUE(window) << Errors();
  ASSERT_TRUE(Click(*window, kApplyButton));
  EXPECT_TRUE(Await([&] { return mouse.LogLines().size() >= 5; }));
  EXPECT_EQ(full_writes(), 1);  // melko wrote nothing at its start unasked
  ASSERT_TRUE(Click(*window, kRestoreDefaultsButton));
  ASSERT_TRUE(Await([&] { return VisibleWindows().size() >= 2; }))
      << "the confirmation" << Errors();
  ASSERT_TRUE(Xdotool({"key", "Return"}));
  EXPECT_TRUE(Await([&] { return full_writes() == 2; })) << Errors();
  ASSERT_TRUE(Click(*window, kRestoreDefaultsButton));
  ASSERT_TRUE(Await([&] { return VisibleWindows().size() >= 2; }));
  EXPECT_EQ(melko->Stop(), 0);
}

// Beside a tray host, quitting ends the program at once and in order: SIGTERM with the window
// hidden to the tray (saving the edit the sleeping mouse could not take), the tray menu's Quit.
TEST_F(MelkoDesktopTest, EveryWayOfQuittingEndsTheProgramBesideATrayHost) {
  auto tray_host = StartOnDisplay();
  VmouseProcess mouse({"--receiver"});
  auto melko = StartMelko(mouse);
  const std::optional<ShownWindow> window = AwaitWindowOfSize(kMainWindowSize);
  ASSERT_TRUE(window && AwaitWindowOfSize("22x22")) << Errors();
  ASSERT_TRUE(Click(*window, {494, 104}));  // DPI stage 1
  ASSERT_TRUE(Click(*window, {776, 26}));   // hide
  ASSERT_TRUE(Await([&] { return VisibleWindows().size() == 1; }))
      << "only the tray icon" << Errors();
  EXPECT_EQ(melko->Stop(), 0) << Errors();
  EXPECT_THAT(RunProgram({MELKO_BIN_DIR "/melkoctl", "profile", "show"}, Env(mouse)).out,
              HasSubstr("Current stage: 1"));

  melko = StartMelko(mouse);
  const std::optional<ShownWindow> icon = AwaitWindowOfSize("22x22");
  ASSERT_TRUE(icon && AwaitWindowOfSize(kMainWindowSize));
  ASSERT_TRUE(Click(*icon, {10, 10}, "3"));
  ASSERT_TRUE(Xdotool({"sleep", "0.5", "key", "Up", "Return"}));
  EXPECT_EQ(melko->WaitExit(10000).value_or(-2), 0) << "the tray menu's Quit";
}

// Under a window manager: one title bar, its own, which drags the window; a fixed size, centred.
// Started with --hidden before the panel, the icon docks when the panel comes and closing hides
// the window there; with the panel gone the window comes back minimised and closing ends melko.
TEST_F(MelkoDesktopTest, UnderAWindowManagerTheTrayIsCheckedWhenItMatters) {
  auto window_manager = StartOnDisplay({"/usr/bin/openbox", "--sm-disable"});
  Await([] { return Xprop({"-root", "_NET_SUPPORTING_WM_CHECK"}).find('#') != std::string::npos; });
  VmouseProcess mouse({"--receiver"});
  auto melko = StartMelko(mouse, {"--hidden"});
  ASSERT_TRUE(Await([] {
    return !RunProgram({kXdotoolProgram, "search", "--class", "melko"}).out.empty();
  })) << Errors();
  auto tray_host = StartOnDisplay();
  const std::optional<ShownWindow> icon = AwaitWindowOfSize("22x22");
  ASSERT_TRUE(icon) << Errors();
  ASSERT_TRUE(Click(*icon, {10, 10}));
  const std::optional<ShownWindow> window = AwaitWindowOfSize(kMainWindowSize);
  ASSERT_TRUE(window);
  EXPECT_EQ(std::pair(window->x, window->y), std::pair(240, 226));
  EXPECT_THAT(Xprop({"-id", window->id, "_NET_FRAME_EXTENTS", "_NET_WM_ALLOWED_ACTIONS"}),
              AllOf(HasSubstr("= 0, 0, 0, 0"), ::testing::Not(HasSubstr("MAXIMIZE"))));
  // Dragged by the title bar; the pauses let the window manager take the pointer.
  EXPECT_TRUE(Await([&] {
    Xdotool({"mousemove", "340", "246", "mousedown", "1", "sleep", "0.3", "mousemove", "380", "270",
             "sleep", "0.3", "mousemove", "440", "296", "sleep", "0.3", "mouseup", "1"});
    return AwaitWindowOfSize(kMainWindowSize).value_or(*window).x > 300;
  }));

  const auto close = [&] {
    return Xdotool({"windowactivate", "--sync", window->id, "key", "alt+F4"});
  };
  ASSERT_TRUE(close());
  ASSERT_TRUE(Await([&] { return VisibleWindows().size() == 1; }))
      << "only the tray icon" << Errors();
  // Started again with the session, melko asks nothing of the running copy.
  EXPECT_EQ(StartMelko(mouse, {"--hidden"})->WaitExit(10000).value_or(-2), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(VisibleWindows().size(), 1u);
  tray_host.reset();
  EXPECT_TRUE(Await([&] {
    return Xprop({"-id", window->id, "WM_STATE"}).find("Iconic") != std::string::npos;
  }));
  ASSERT_TRUE(close());
  EXPECT_EQ(melko->WaitExit(10000).value_or(-2), 0) << Errors();
}

// Nothing in the environment points at the skin or the libraries of the moved copy.
TEST_F(MelkoDesktopTest, AnInstalledCopyRunsFromAMovedPrefix) {
  const ProgramRun install = RunProgram(
      {MELKO_CMAKE_COMMAND, "--install", MELKO_BUILD_DIR, "--prefix", dir_ / "installed"});
  ASSERT_EQ(install.exit_code, 0) << install.err;
  std::filesystem::rename(dir_ / "installed", dir_ / "moved");
  programs_ = dir_ / "moved/bin";
  const std::map<std::string, std::string> clean{{"MELKO_SKIN_DIR", ""}, {"LD_LIBRARY_PATH", ""}};

  VmouseProcess mouse({"--cable"});
  const ProgramRun applied = RunProgram({programs_ + "/melkoctl", "apply"}, Env(mouse, clean));
  EXPECT_EQ(applied.out, "applied Profile1 over the cable\n");
  EXPECT_EQ(applied.err, "") << "no complaint about the language file";
  auto melko = StartMelko(mouse, {}, clean);
  EXPECT_TRUE(AwaitWindowOfSize(kMainWindowSize)) << Errors();
  EXPECT_EQ(melko->Stop(), 0) << Errors();
}

}  // namespace
}  // namespace melko::testing
