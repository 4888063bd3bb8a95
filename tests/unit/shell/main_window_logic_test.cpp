// The main window's decisions that the window tests do not reach, through fakes of the window, the
// popup and the message box: one warning at a time, a second launch restoring the window, menu
// commands and the title buttons.
#include "shell/main_window_logic.h"

#include <gtest/gtest.h>

#include "device/messages.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

struct FakeWindow : ShellWindow {
  bool IsVisible() override { return visible; }
  bool IsMinimised() override { return minimised; }
  void Show() override { visible = true; }
  void Hide() override { visible = false; }
  void Restore() override { minimised = false; }
  void Minimise() override { minimised = visible = true; }
  void BringToFront() override { ++raised; }
  void Quit() override { quit = true; }
  bool visible = true, minimised = false, quit = false;
  int raised = 0;
};

struct FakePopup : DpiPopup {  // the popup's own timing is the window test's
  void ShowText(const std::string&) override {}
  void Close() override {}
};

class MainWindowLogicTest : public ::testing::Test {
 protected:
  FakeWindow window;
  FakePopup popup;
  fakes::FakeBoxes boxes;
  fakes::FakeControls controls;
  fakes::FakeTimers timers;
  MainWindowLogic logic{window, popup, boxes, controls, timers};
};

TEST_F(MainWindowLogicTest, OnlyOneWarningOpensAndASecondLaunchRestoresTheWindow) {
  logic.OnTrayAvailabilityChanged(true);
  logic.OnConnectedChanged(false);
  boxes.while_open = [&] { logic.OnTrayActivated(); };  // clicked again while the box is open
  logic.OnTrayActivated();
  EXPECT_EQ(boxes.asked, std::vector<std::string>{"no_device_text"});
  EXPECT_FALSE(window.visible);

  logic.OnConnectedChanged(true);
  window.minimised = true;
  logic.OnSecondLaunch();
  EXPECT_TRUE(window.visible);
  EXPECT_FALSE(window.minimised);
  EXPECT_EQ(window.raised, 1);
}

TEST_F(MainWindowLogicTest, MenuCommandsAndTitleButtons) {
  std::vector<std::string> assigned;
  logic.SetAssignmentHandler([&](const std::string& item) { assigned.push_back(item); });
  logic.OnConnectedChanged(true);
  window.visible = false;
  for (const char* item : {"CONFIGURATION", "ms_1_dpi_up", "ms", "", "MS_1", "other"}) {
    logic.OnMenuCommand(item);
  }
  EXPECT_TRUE(window.visible);
  EXPECT_EQ(assigned, (std::vector<std::string>{"ms_1_dpi_up", "MS_1"}));
  EXPECT_FALSE(logic.OnClick("ms_1_apply_btn"));
}

// Whether a tray host is there is known when it matters, and the program is never left with
// neither window nor icon: hiding needs a tray host (without one the window is minimised, and
// closing it ends the program), and a window hidden when the tray host goes, or at a start with
// --hidden before the panel, comes back minimised unless a tray host turns up in time.
TEST_F(MainWindowLogicTest, TheWindowIsNeverLeftWithoutAWayBack) {
  logic.OnConnectedChanged(true);
  logic.OnTrayAvailabilityChanged(true);  // the panel came after the start
  EXPECT_TRUE(logic.OnClick("exit_btn"));
  logic.OnCloseRequested();
  EXPECT_FALSE(window.visible || window.quit);
  logic.OnTrayAvailabilityChanged(false);
  EXPECT_TRUE(timers.Running(kTimerTrayGrace));
  logic.OnTrayGraceTimer();
  EXPECT_TRUE(window.visible && window.minimised);

  window.minimised = false;
  logic.OnClick("exit_btn");
  logic.OnConnectedChanged(false);
  EXPECT_TRUE(window.visible && window.minimised);
  logic.OnCloseRequested();
  EXPECT_TRUE(window.quit);

  window.visible = false;
  logic.StartHidden();
  logic.OnTrayAvailabilityChanged(true);
  EXPECT_FALSE(timers.Running(kTimerTrayGrace));
  EXPECT_FALSE(window.visible);
}

}  // namespace
}  // namespace melko
