#include "ui/widgets/busy_ring.h"

#include <QPainter>

namespace melko::ui {

BusyRing::BusyRing(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(16);
  connect(&timer_, &QTimer::timeout, this, [this] {
    angle_ = (angle_ + 8) % 360;
    update();
  });
}

void BusyRing::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal side = qMin(width(), height()) - 4.0;
  const QRectF ring((width() - side) / 2, (height() - side) / 2, side, side);
  QPen track(palette().color(QPalette::Mid), 2.5);
  painter.setPen(track);
  painter.drawEllipse(ring);
  QPen arc(palette().color(QPalette::Highlight), 2.5, Qt::SolidLine, Qt::RoundCap);
  painter.setPen(arc);
  painter.drawArc(ring, -angle_ * 16, 100 * 16);
}

void BusyRing::showEvent(QShowEvent*) {
  timer_.start();
}

void BusyRing::hideEvent(QHideEvent*) {
  timer_.stop();
}

}  // namespace melko::ui
