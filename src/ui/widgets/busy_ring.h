// The small turning ring shown while an apply writes to the mouse. It animates only while visible.
#pragma once

#include <QTimer>
#include <QWidget>

namespace melko::ui {

class BusyRing : public QWidget {
  Q_OBJECT

 public:
  explicit BusyRing(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {20, 20}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QTimer timer_;
  int angle_ = 0;
};

}  // namespace melko::ui
