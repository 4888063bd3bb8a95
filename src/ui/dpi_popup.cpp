#include "ui/dpi_popup.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include "ui/skin.h"
#include "ui/theme.h"

namespace melko::ui {
namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 50;

// Wayland lets no program place its windows: there the compositor places the popup, and it comes
// as a tool window that asks for no focus. Elsewhere it stays clear of the window manager, at the
// lower right of the screen that holds the pointer, where the user looks.
bool PlacedByCompositor() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

void QtDpiPopup::ShowText(const std::string& text) {
  if (!window_) {
    window_ = LoadLayout(QStringLiteral("DPImsg.ui"));
    if (!window_) return;
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus;
    if (!PlacedByCompositor()) flags |= Qt::BypassWindowManagerHint;
    window_->setWindowFlags(flags);
    window_->setAttribute(Qt::WA_ShowWithoutActivating);
    ApplyRoles(window_);
  }
  QLabel* label = window_->findChild<QLabel*>(QStringLiteral("dpi_label"));
  if (!label) return;  // a skin without the label shows nothing
  label->setText(QString::fromStdString(text));
  if (PlacedByCompositor()) {
    window_->resize(kWidth, kHeight);
  } else {
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    window_->setGeometry(area.x() + area.width() - (kWidth + 10),
                         area.y() + area.height() - (kHeight + 10), kWidth, kHeight);
  }
  window_->show();
  window_->raise();
}

void QtDpiPopup::Close() {
  if (window_) window_->hide();
}

bool QtDpiPopup::visible() const {
  return window_ && window_->isVisible();
}

QString QtDpiPopup::text() const {
  if (!window_) return {};
  const QLabel* label = window_->findChild<QLabel*>(QStringLiteral("dpi_label"));
  return label ? label->text() : QString();
}

}  // namespace melko::ui
