// Whether anyone can see a top-level window: shown, not minimised, and mapped on screen (exposed).
// Follows the window's own events (show, hide, state changes, exposure); nothing is polled. A
// window merely covered by others still counts as seen where the window system does not say
// otherwise (X11 does not).
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace melko::ui {

class SeenWatch final : public QObject {
 public:
  // changed runs with the new state each time it changes.
  SeenWatch(QWidget* window, std::function<void(bool seen)> changed);

  bool seen() const { return seen_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Update();

  QWidget* window_;
  QPointer<QWindow> handle_;  // watched for exposure once the window has one
  std::function<void(bool)> changed_;
  bool seen_ = false;
};

}  // namespace melko::ui
