// Scrolling scrolls: a combo box, slider or spin box takes the mouse wheel only while it has the
// focus. Otherwise the wheel goes on to what holds it (the settings column scrolls), so that
// moving the wheel over a page of settings never changes one of them by accident. Installed on
// the application for every window while the object lives.
#pragma once

#include <QObject>

namespace melko::ui {

class WheelGuard final : public QObject {
 public:
  WheelGuard();
  ~WheelGuard() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace melko::ui
