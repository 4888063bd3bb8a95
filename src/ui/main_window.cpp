#include "ui/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

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
  // One title bar, the skin's own: the window manager draws none. The layout is made for this one
  // size (its texts fit up to a 150 % font), so the window is neither resized nor maximised.
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
  setFixedSize(800, 572);
  if (QWidget* title_bar = page_ ? page_->findChild<QWidget*>(QStringLiteral("header")) : nullptr) {
    title_bar->installEventFilter(this);
  }
  CentreOnScreen();
}

void MainWindow::CentreOnScreen() {
  QRect frame = frameGeometry();
  frame.moveCenter(QGuiApplication::primaryScreen()->availableGeometry().center());
  move(frame.topLeft());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // A press on the title bar where no button took it drags the window: by the window manager's
  // own move where there is one (it knows the screen edges and the other windows), else by hand.
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease) {
    return QWidget::eventFilter(watched, event);
  }
  const auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint at = mouse->globalPosition().toPoint();
  if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
    drag_from_.reset();
    if (!windowHandle() || !windowHandle()->startSystemMove()) drag_from_ = at - pos();
    return true;
  }
  if (type == QEvent::MouseMove && drag_from_ && (mouse->buttons() & Qt::LeftButton)) {
    move(at - *drag_from_);
    return true;
  }
  if (type == QEvent::MouseButtonRelease) drag_from_.reset();
  return false;
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
