#include "ui/seen_watch.h"

#include <QEvent>

namespace melko::ui {

SeenWatch::SeenWatch(QWidget* window, std::function<void(bool)> changed)
    : window_(window), changed_(std::move(changed)) {
  window_->installEventFilter(this);
}

bool SeenWatch::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
    case QEvent::Expose:
      // The native window exists from the first show on; its exposure says whether it is mapped.
      if (!handle_ && watched == window_ && window_->windowHandle()) {
        handle_ = window_->windowHandle();
        handle_->installEventFilter(this);
      }
      Update();
      break;
    default:
      break;
  }
  return false;
}

void SeenWatch::Update() {
  const bool seen =
      window_->isVisible() && !window_->isMinimized() && handle_ && handle_->isExposed();
  if (seen == seen_) return;
  seen_ = seen;
  changed_(seen);
}

}  // namespace melko::ui
