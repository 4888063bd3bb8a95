// The program's one top-level window: it carries the settings page of the skin (main.ui). What
// closing it does (hide it to the tray, or end the program) is the close handler's to decide.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "shell/shell_ports.h"
#include "ui/launch_activation.h"

namespace melko::ui {

class MainWindow final : public QWidget, public ShellWindow {
  Q_OBJECT

 public:
  MainWindow();
  // The page's widgets; null when the skin could not be read.
  QWidget* page() const { return page_; }
  // Centres the window, frame and all, in the screen's work area.
  void CentreOnScreen();

  void SetQuitHandler(std::function<void()> quit) { quit_ = std::move(quit); }
  // The activation of the launch that asked for the window, used when it next comes forward.
  void SetLaunchActivation(LaunchActivation activation) { launch_ = std::move(activation); }
  // The window manager's close; the window itself never closes.
  void SetCloseHandler(std::function<void()> close) { close_ = std::move(close); }

  bool IsVisible() override { return isVisible(); }
  bool IsMinimised() override { return isMinimized(); }
  void Show() override { show(); }
  void Hide() override { hide(); }
  void Restore() override { setWindowState(windowState() & ~Qt::WindowMinimized); }
  void Minimise() override { showMinimized(); }
  void BringToFront() override;
  void Quit() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Drags the window by its title bar.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* page_ = nullptr;
  std::function<void()> quit_;
  LaunchActivation launch_;
  std::optional<QPoint> drag_from_;  // a drag by hand: the press, relative to the window
  std::function<void()> close_;
};

}  // namespace melko::ui
