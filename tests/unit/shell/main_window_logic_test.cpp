// The main window's decisions the window tests do not reach, through fakes of the window, the popup
// and the message box.
#include "shell/main_window_logic.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(std::tuple(window.visible, window.minimised, window.raised),
            std::tuple(true, false, 1));
}

// Without a tray host the hide button minimises, and so does a mouse going away, which would hide
// the window; closing then ends the program.
TEST_F(MainWindowLogicTest, WithoutATrayHostTheWindowIsNeverHidden) {
  logic.OnConnectedChanged(true);
  logic.OnClick("exit_btn");
  logic.OnConnectedChanged(false);
  EXPECT_TRUE(window.visible && window.minimised);
  logic.OnCloseRequested();
  EXPECT_TRUE(window.quit);
}

}  // namespace
}  // namespace melko
