#include "ui/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/skin.h"
#include "ui/theme.h"

namespace melko::ui {

MainWindow::MainWindow() {
  setObjectName(QStringLiteral("main_window"));
  setWindowTitle(Text("mouse_name_text"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  page_ = LoadLayout(QStringLiteral("main.ui"), this);
  if (page_) {
    ApplyRoles(page_);
    layout->addWidget(page_);
  }
  resize(800, 572);
  setMinimumSize(800, 572);
}

void MainWindow::CentreOnScreen() {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  move(area.center() - rect().center());
}

void MainWindow::BringToFront() {
  raise();
  PrepareActivation(windowHandle(), launch_);
  launch_ = {};
  activateWindow();
}

void MainWindow::Quit() {
  if (quit_) quit_();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Quitting never goes through here (it leaves the event loop), so a close is always the user's.
  event->ignore();
  if (close_) close_();
}

}  // namespace melko::ui
