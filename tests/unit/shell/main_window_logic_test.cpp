// The main window's decisions the window tests do not reach, through fakes of the window, the popup
// and the message box.
#include "shell/main_window_logic.h"

#include <gtest/gtest.h>

#include "support/device_fakes.h"

namespace melko {
namespace {

// The fixture is the window and the popup (whose own timing is the window test's).
struct MainWindowLogicTest : ::testing::Test, ShellWindow, DpiPopup {
 protected:
  bool IsVisible() override { return visible; }
  bool IsMinimised() override { return minimised; }
  void Show() override { visible = true; }
  void Hide() override { visible = false; }
  void Restore() override { minimised = false; }
  void Minimise() override { minimised = visible = true; }
  void BringToFront() override { ++raised; }
  void Quit() override { quit = true; }
  void ShowText(const std::string&) override {}
  void Close() override {}
  bool visible = true, minimised = false, quit = false;
  int raised = 0;
  fakes::FakeBoxes boxes;
  fakes::FakeControls controls;
  fakes::FakeTimers timers;
  MainWindowLogic logic{*this, *this, boxes, controls, timers};
};

TEST_F(MainWindowLogicTest, OnlyOneWarningOpensAndASecondLaunchRestoresTheWindow) {
  logic.OnTrayAvailabilityChanged(true);
  logic.OnConnectedChanged(false);
  boxes.while_open = [&] { logic.OnTrayActivated(); };  // clicked again while the box is open
  logic.OnTrayActivated();
  EXPECT_EQ(boxes.asked, std::vector<std::string>{"no_device_text"});

  logic.OnConnectedChanged(true);
  minimised = true;
  logic.OnSecondLaunch();
  EXPECT_EQ(std::tuple(visible, minimised, raised), std::tuple(true, false, 1));
}

// Without a tray host the hide button minimises, and so does a mouse going away, which would hide
// the window; closing then ends the program.
TEST_F(MainWindowLogicTest, WithoutATrayHostTheWindowIsNeverHidden) {
  logic.OnConnectedChanged(true);
  logic.OnClick("exit_btn");
  logic.OnConnectedChanged(false);
  EXPECT_TRUE(visible && minimised);
  logic.OnCloseRequested();
  EXPECT_TRUE(quit);
}

}  // namespace
}  // namespace melko
