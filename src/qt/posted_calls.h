// Calls handed to the thread that owns the object, from that thread or any other: each runs there
// after the events already queued, in the order they were posted. Calls still waiting when the
// object goes are dropped with it.
//
// The calls wait in a queue of our own under a std::mutex, and each wakes the owner thread with a
// queued call of RunNext by name, whose event Qt makes and frees itself. What a call captured thus
// crosses threads under a lock the thread sanitizer sees. A functor queued with
// QMetaObject::invokeMethod, or an event allocated here (our event filters read every event), would
// cross under Qt's internal lock instead, which the system's uninstrumented Qt hides from it, so
// every such call would show as a race.
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace melko {

class PostedCalls final : public QObject {
  Q_OBJECT

 public:
  PostedCalls() = default;

  void Post(std::function<void()> call);
  // At once when called on the owner thread, posted otherwise.
  void RunOrPost(std::function<void()> call);

 private:
  // Runs the oldest call waiting; one queued per posted call.
  Q_INVOKABLE void RunNext();

  std::mutex mutex_;
  std::deque<std::function<void()>> calls_;
};

}  // namespace melko
