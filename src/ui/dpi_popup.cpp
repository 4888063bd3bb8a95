#include "ui/dpi_popup.h"

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

}  // namespace

void QtDpiPopup::ShowText(const std::string& text) {
  if (!window_) {
    window_ = LoadLayout(QStringLiteral("DPImsg.ui"));
    if (!window_) return;
    window_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus | Qt::BypassWindowManagerHint);
    window_->setAttribute(Qt::WA_ShowWithoutActivating);
    ApplyRoles(window_);
  }
  QLabel* label = window_->findChild<QLabel*>(QStringLiteral("dpi_label"));
  if (!label) return;  // a skin without the label shows nothing
  label->setText(QString::fromStdString(text));
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  window_->setGeometry(area.x() + area.width() - (kWidth + 10),
                       area.y() + area.height() - (kHeight + 10), kWidth, kHeight);
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
