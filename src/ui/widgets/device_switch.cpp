#include "ui/widgets/device_switch.h"

namespace melko::ui {

DeviceSwitch::DeviceSwitch(QWidget* parent) : QPushButton(parent) {
  setCheckable(true);
  setFocusPolicy(Qt::NoFocus);
  // Only the program selects it: clicking changes nothing.
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DeviceSwitch::setCurrentIndex(int index) {
  setChecked(index == 0);
  setEnabled(index == 0);
}

}  // namespace melko::ui
