// The mouse's tab in the title area: selected (index 0) while a mouse is present, unselected and
// dimmed (index -1) while none is.
#pragma once

#include <QPushButton>

namespace melko::ui {

class DeviceSwitch : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex)

 public:
  explicit DeviceSwitch(QWidget* parent = nullptr);
  int currentIndex() const { return isChecked() ? 0 : -1; }
  void setCurrentIndex(int index);
};

}  // namespace melko::ui
