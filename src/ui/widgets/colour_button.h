// A button that shows a colour: the stage colours and the light colour open the colour dialog.
#pragma once

#include <QColor>
#include <QPushButton>

namespace melko::ui {

class ColourButton : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QColor colour READ colour WRITE setColour)

 public:
  explicit ColourButton(QWidget* parent = nullptr);
  QColor colour() const { return colour_; }
  void setColour(const QColor& colour);
  QSize sizeHint() const override { return {22, 22}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_ = Qt::black;
};

}  // namespace melko::ui
