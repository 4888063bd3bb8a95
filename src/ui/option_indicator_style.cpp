#include "ui/option_indicator_style.h"

#include <QPainter>
#include <QPixmapCache>
#include <QStyleOption>
#include <algorithm>

namespace melko::ui {

OptionIndicatorStyle::OptionIndicatorStyle(QStyle* base) : QProxyStyle(base) {}

namespace {

// The ring's colour: the accent when on or under the mouse, the secondary text colour otherwise,
// and the disabled accent when disabled.
QColor RingColour(const QStyleOption& option) {
  const QPalette& colours = option.palette;
  const bool enabled = option.state & QStyle::State_Enabled;
  if (!enabled) return colours.color(QPalette::Disabled, QPalette::Highlight);
  const bool marked = option.state & (QStyle::State_On | QStyle::State_NoChange);
  return marked || (option.state & QStyle::State_MouseOver)
             ? colours.color(QPalette::Active, QPalette::Highlight)
             : colours.color(QPalette::PlaceholderText);
}

QColor AccentColour(const QStyleOption& option) {
  const bool enabled = option.state & QStyle::State_Enabled;
  return option.palette.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Highlight);
}

void DrawRadioButton(const QStyleOption& option, QPainter& painter, qreal side, qreal pen,
                     QRectF frame) {
  painter.setPen(QPen(RingColour(option), pen));
  painter.setBrush(option.palette.color(QPalette::Base));
  painter.drawEllipse(frame);
  if (option.state & QStyle::State_On) {
    const qreal inset = side * 0.22;
    painter.setPen(Qt::NoPen);
    painter.setBrush(AccentColour(option));
    painter.drawEllipse(frame.adjusted(inset, inset, -inset, -inset));
  }
}

// A check box: a rounded square, filled with the accent and crossed by a check (or, half
// checked, a dash) in the base colour when on.
void DrawCheckBox(const QStyleOption& option, QPainter& painter, qreal side, qreal pen,
                  QRectF frame) {
  const bool on = option.state & QStyle::State_On;
  const bool partly = option.state & QStyle::State_NoChange;
  const qreal radius = side * 0.18;
  painter.setPen(QPen(RingColour(option), pen));
  painter.setBrush(on || partly ? AccentColour(option) : option.palette.color(QPalette::Base));
  painter.drawRoundedRect(frame, radius, radius);
  if (!on && !partly) return;
  painter.setPen(QPen(option.palette.color(QPalette::Base), pen * 1.2, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  const QRectF inner = frame.adjusted(side * 0.22, side * 0.22, -side * 0.22, -side * 0.22);
  if (partly) {
    painter.drawLine(QPointF(inner.left(), inner.center().y()),
                     QPointF(inner.right(), inner.center().y()));
    return;
  }
  const QPointF check[] = {{inner.left(), inner.top() + inner.height() * 0.55},
                           {inner.left() + inner.width() * 0.38, inner.bottom()},
                           {inner.right(), inner.top() + inner.height() * 0.1}};
  painter.drawPolyline(check, 3);
}

}  // namespace

void OptionIndicatorStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                         QPainter* painter, const QWidget* widget) const {
  if (element != PE_IndicatorRadioButton && element != PE_IndicatorCheckBox) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  const qreal side = std::min(option->rect.width(), option->rect.height());
  const qreal pen = std::max<qreal>(1.5, side / 9);
  QRectF frame(0, 0, side - pen, side - pen);
  frame.moveCenter(QRectF(option->rect).center());
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  if (element == PE_IndicatorRadioButton) {
    DrawRadioButton(*option, *painter, side, pen, frame);
  } else {
    DrawCheckBox(*option, *painter, side, pen, frame);
  }
  painter->restore();
}

void OptionIndicatorStyle::drawControl(ControlElement element, const QStyleOption* option,
                                       QPainter* painter, const QWidget* widget) const {
  const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
  const qreal ratio = painter->device()->devicePixelRatioF();
  const bool cached = element == CE_ProgressBarGroove || element == CE_ProgressBarContents;
  if (!cached || !bar || bar->rect.isEmpty() || ratio <= 0) {
    QProxyStyle::drawControl(element, option, painter, widget);
    return;
  }
  const QString key = QStringLiteral("melko-bar%1-%2-%3-%4-%5x%6-%7-%8-%9-%10")
                          .arg(int(element))
                          .arg(bar->minimum)
                          .arg(bar->maximum)
                          .arg(bar->progress)
                          .arg(bar->rect.width())
                          .arg(bar->rect.height())
                          .arg(int(bar->state))
                          .arg(bar->palette.cacheKey())
                          .arg(int(bar->invertedAppearance))
                          .arg(ratio);
  QPixmap drawn;
  if (!QPixmapCache::find(key, &drawn)) {
    drawn = QPixmap((QSizeF(bar->rect.size()) * ratio).toSize());
    drawn.setDevicePixelRatio(ratio);
    drawn.fill(Qt::transparent);
    QStyleOptionProgressBar at_origin = *bar;
    at_origin.rect.moveTopLeft({0, 0});
    QPainter into(&drawn);
    QProxyStyle::drawControl(element, &at_origin, &into, widget);
    into.end();
    QPixmapCache::insert(key, drawn);
  }
  painter->drawPixmap(bar->rect.topLeft(), drawn);
}

}  // namespace melko::ui
