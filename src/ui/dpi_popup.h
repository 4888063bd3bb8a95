// The small window that shows the DPI the mouse switched to (DPImsg.ui): near the lower right
// corner of the screen that holds the pointer, or on Wayland where the compositor places it. It
// asks for no focus and stays above other windows; built on first use.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "shell/shell_ports.h"

namespace melko::ui {

class QtDpiPopup final : public DpiPopup {
 public:
  QtDpiPopup() = default;
  QtDpiPopup(const QtDpiPopup&) = delete;
  QtDpiPopup& operator=(const QtDpiPopup&) = delete;
  // The popup is a window of its own, with no parent to delete it.
  ~QtDpiPopup() override { delete window_; }

  void ShowText(const std::string& text) override;
  void Close() override;

  QWidget* window() const { return window_; }
  bool visible() const;
  QString text() const;

 private:
  QPointer<QWidget> window_;
};

}  // namespace melko::ui
