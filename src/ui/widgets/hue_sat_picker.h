// The colour dialog's palette: a field of every hue (left to right) and saturation (full at the
// top, none at the bottom) at full brightness, with a marker on the selected colour. Dragging
// reports colourChanged at each step and colourReleased when the button is let go; the arrow
// keys move the marker (Shift: ten steps at a time).
#pragma once

#include <QColor>
#include <QWidget>

namespace melko::ui {

class HueSatPicker : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor colour READ colour WRITE setColour)

 public:
  explicit HueSatPicker(QWidget* parent = nullptr);

  // The colour under the marker (full brightness, opaque).
  QColor colour() const;
  // Puts the marker on the colour's hue and saturation, the nearest point for a colour the field
  // lacks (black goes to the bottom edge; a grey keeps the hue). Emits nothing.
  void setColour(const QColor& colour);

  QSize sizeHint() const override { return {256, 100}; }
  QSize minimumSizeHint() const override { return {120, 60}; }

 signals:
  void colourChanged(const QColor& colour);
  void colourReleased(const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QRectF Field() const;
  QPointF MarkerAt() const;
  // Selects the point nearest to pos; true when the colour changed.
  bool SelectAt(const QPointF& pos);

  double hue_ = 0;         // 0 to 1 across the field
  double saturation_ = 1;  // 1 at the top, 0 at the bottom
  bool dragging_ = false;
};

}  // namespace melko::ui
