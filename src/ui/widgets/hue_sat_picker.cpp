#include "ui/widgets/hue_sat_picker.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace melko::ui {
namespace {

constexpr double kInset = 1.5;  // room for the frame

double Clamped(double value) {
  return std::clamp(value, 0.0, 1.0);
}

}  // namespace

HueSatPicker::HueSatPicker(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::CrossCursor);
}

QColor HueSatPicker::colour() const {
  // Both edges of the field are red; hue 1 would leave QColor's range.
  return QColor::fromHsvF(float(hue_ >= 1 ? 0 : hue_), float(saturation_), 1.0f);
}

void HueSatPicker::setColour(const QColor& colour) {
  const QColor hsv = colour.toHsv();
  if (hsv.hsvHueF() >= 0) hue_ = hsv.hsvHueF();  // negative for greys: no hue to show
  saturation_ = Clamped(hsv.hsvSaturationF());
  update();
}

QRectF HueSatPicker::Field() const {
  return QRectF(rect()).adjusted(kInset, kInset, -kInset, -kInset);
}

QPointF HueSatPicker::MarkerAt() const {
  const QRectF field = Field();
  return {field.left() + hue_ * field.width(), field.top() + (1 - saturation_) * field.height()};
}

bool HueSatPicker::SelectAt(const QPointF& pos) {
  const QRectF field = Field();
  if (field.width() <= 0 || field.height() <= 0) return false;
  const QColor before = colour();
  hue_ = Clamped((pos.x() - field.left()) / field.width());
  saturation_ = 1 - Clamped((pos.y() - field.top()) / field.height());
  update();
  return colour() != before;
}

void HueSatPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF field = Field();

  QLinearGradient hues(field.topLeft(), field.topRight());
  for (int step = 0; step <= 6; ++step) {
    hues.setColorAt(step / 6.0, QColor::fromHsvF(float(step % 6) / 6.0f, 1.0f, 1.0f));
  }
  QLinearGradient whites(field.topLeft(), field.bottomLeft());
  whites.setColorAt(0, QColor(255, 255, 255, 0));
  whites.setColorAt(1, QColor(255, 255, 255, 255));
  painter.setPen(Qt::NoPen);
  painter.setBrush(hues);
  painter.drawRoundedRect(field, 3, 3);
  painter.setBrush(whites);
  painter.drawRoundedRect(field, 3, 3);

  painter.setBrush(Qt::NoBrush);
  const bool focused = hasFocus();
  painter.setPen(QPen(palette().color(focused ? QPalette::Highlight : QPalette::Mid), 1.5));
  painter.drawRoundedRect(field, 3, 3);

  // A white ring inside a dark one reads on every colour of the field.
  const QPointF marker = MarkerAt();
  painter.setPen(QPen(QColor(0, 0, 0, 170), 3));
  painter.drawEllipse(marker, 6, 6);
  painter.setPen(QPen(Qt::white, 1.5));
  painter.drawEllipse(marker, 6, 6);
}

void HueSatPicker::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  dragging_ = true;
  SelectAt(event->position());
  emit colourChanged(colour());
}

void HueSatPicker::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return QWidget::mouseMoveEvent(event);
  if (SelectAt(event->position())) emit colourChanged(colour());
}

void HueSatPicker::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  dragging_ = false;
  SelectAt(event->position());
  emit colourReleased(colour());
}

void HueSatPicker::keyPressEvent(QKeyEvent* event) {
  const QRectF field = Field();
  const double steps = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
  QPointF to = MarkerAt();
  switch (event->key()) {
    case Qt::Key_Left:
      to.rx() -= steps;
      break;
    case Qt::Key_Right:
      to.rx() += steps;
      break;
    case Qt::Key_Up:
      to.ry() -= steps;
      break;
    case Qt::Key_Down:
      to.ry() += steps;
      break;
    default:
      return QWidget::keyPressEvent(event);
  }
  to.setX(std::clamp(to.x(), field.left(), field.right()));
  to.setY(std::clamp(to.y(), field.top(), field.bottom()));
  if (SelectAt(to)) emit colourChanged(colour());
}

}  // namespace melko::ui
