// The small window near the lower right corner of the screen that shows the DPI the mouse switched
// to (DPImsg.ui). It never takes the focus and stays above other windows; built on first use.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "shell/shell_ports.h"

namespace melko::ui {

class QtDpiPopup final : public DpiPopup {
 public:
  void ShowText(const std::string& text) override;
  void Close() override;

  QWidget* window() const { return window_; }
  bool visible() const;
  QString text() const;

 private:
  QPointer<QWidget> window_;
};

}  // namespace melko::ui
