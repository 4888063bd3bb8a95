#include "ui/widgets/colour_button.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace melko::ui {

ColourButton::ColourButton(QWidget* parent) : QPushButton(parent) {
  setCursor(Qt::PointingHandCursor);
}

void ColourButton::setColour(const QColor& colour) {
  colour_ = colour;
  update();
}

void ColourButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF swatch = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
  const bool lit = underMouse() || hasFocus();
  painter.setPen(QPen(palette().color(lit ? QPalette::Highlight : QPalette::Mid), lit ? 2 : 1));
  painter.setBrush(colour_);
  painter.drawRoundedRect(swatch, 4, 4);
}

}  // namespace melko::ui
