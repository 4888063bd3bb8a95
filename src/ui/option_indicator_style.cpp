#include "ui/option_indicator_style.h"

#include <QPainter>
#include <QStyleOption>
#include <algorithm>

namespace melko::ui {

OptionIndicatorStyle::OptionIndicatorStyle(QStyle* base) : QProxyStyle(base) {}

void OptionIndicatorStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                         QPainter* painter, const QWidget* widget) const {
  if (element != PE_IndicatorRadioButton) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  const QPalette& colours = option->palette;
  const bool enabled = option->state & State_Enabled;
  const bool on = option->state & State_On;
  const bool hovered = enabled && (option->state & State_MouseOver);
  const QColor accent =
      colours.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Highlight);
  QColor ring = on || hovered ? accent : colours.color(QPalette::PlaceholderText);
  if (!enabled) ring = colours.color(QPalette::Disabled, QPalette::Highlight);

  const qreal side = std::min(option->rect.width(), option->rect.height());
  const qreal pen = std::max<qreal>(1.5, side / 9);
  QRectF circle(0, 0, side - pen, side - pen);
  circle.moveCenter(QRectF(option->rect).center());
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(QPen(ring, pen));
  painter->setBrush(colours.color(QPalette::Base));
  painter->drawEllipse(circle);
  if (on) {
    const qreal inset = side * 0.22;
    painter->setPen(Qt::NoPen);
    painter->setBrush(accent);
    painter->drawEllipse(circle.adjusted(inset, inset, -inset, -inset));
  }
  painter->restore();
}

}  // namespace melko::ui
