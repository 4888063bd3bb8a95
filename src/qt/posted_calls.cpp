#include "qt/posted_calls.h"

#include <QThread>

namespace melko {

void PostedCalls::Post(std::function<void()> call) {
  {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  QMetaObject::invokeMethod(this, "RunNext", Qt::QueuedConnection);
}

void PostedCalls::RunOrPost(std::function<void()> call) {
  if (QThread::currentThread() == thread()) {
    call();
  } else {
    Post(std::move(call));
  }
}

void PostedCalls::RunNext() {
  std::function<void()> call;
  {
    std::lock_guard lock(mutex_);
    if (calls_.empty()) return;
    call = std::move(calls_.front());
    calls_.pop_front();
  }
  call();
}

}  // namespace melko
