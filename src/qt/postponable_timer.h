// A timer whose countdown any thread can start again without waking the thread that owns it: a
// Linux timerfd that the owner's event loop watches. Pushing a QTimer on from another thread would
// have to post to its thread, which is the wake-up this avoids. Like a running QTimer it fires
// every period until stopped.
#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>
#include <mutex>

namespace melko {

class PostponableTimer {
 public:
  // Made on the thread whose event loop runs on_timeout. Without a timerfd (which does not
  // happen on Linux) it never fires.
  explicit PostponableTimer(std::function<void()> on_timeout);
  ~PostponableTimer();
  PostponableTimer(const PostponableTimer&) = delete;
  PostponableTimer& operator=(const PostponableTimer&) = delete;

  // Any thread. Start restarts a running timer with the new period.
  void Start(int period_ms);
  void Stop();
  // Any thread: a started timer counts its whole period again from now; a stopped one stays
  // stopped.
  void Postpone();
  // Whether the countdown runs now. Within on_timeout it is false, unless another thread
  // postponed the timer after it ran out.
  bool IsCounting() const;
  bool IsStarted() const;

 private:
  void Arm(int period_ms);  // with mutex_ held; 0 disarms
  void OnReadable();

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void()> on_timeout_;
  mutable std::mutex mutex_;
  int period_ms_ = 0;
  bool started_ = false;
};

}  // namespace melko
