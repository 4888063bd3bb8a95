#include "ui/wheel_guard.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>

namespace melko::ui {
namespace {

// The controls whose value the wheel changes; scroll bars are meant for the wheel.
bool WheelChangesValue(QObject* object) {
  if (qobject_cast<QScrollBar*>(object)) return false;
  return qobject_cast<QComboBox*>(object) || qobject_cast<QAbstractSlider*>(object) ||
         qobject_cast<QAbstractSpinBox*>(object);
}

}  // namespace

WheelGuard::WheelGuard() {
  qApp->installEventFilter(this);
}

WheelGuard::~WheelGuard() {
  qApp->removeEventFilter(this);
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Polish && WheelChangesValue(watched)) {
    // A wheel focus policy would hand them the focus on the first notch.
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->focusPolicy() == Qt::WheelFocus) widget->setFocusPolicy(Qt::StrongFocus);
  } else if (event->type() == QEvent::Wheel && WheelChangesValue(watched) &&
             !static_cast<QWidget*>(watched)->hasFocus()) {
    // Not taken here: the event goes on to the parents, the scroll area among them.
    event->ignore();
    return true;
  }
  return false;
}

}  // namespace melko::ui
