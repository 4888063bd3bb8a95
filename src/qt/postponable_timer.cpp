#include "qt/postponable_timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace melko {

PostponableTimer::PostponableTimer(std::function<void()> on_timeout)
    : on_timeout_(std::move(on_timeout)) {
  fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (fd_ < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { OnReadable(); });
}

PostponableTimer::~PostponableTimer() {
  notifier_.reset();
  if (fd_ >= 0) close(fd_);
}

void PostponableTimer::Start(int period_ms) {
  std::lock_guard lock(mutex_);
  period_ms_ = std::max(period_ms, 1);  // a zeroed timerfd would be a stopped one
  started_ = true;
  Arm(period_ms_);
}

void PostponableTimer::Stop() {
  std::lock_guard lock(mutex_);
  started_ = false;
  Arm(0);
}

void PostponableTimer::Postpone() {
  std::lock_guard lock(mutex_);
  if (started_) Arm(period_ms_);
}

bool PostponableTimer::IsCounting() const {
  itimerspec now{};
  return fd_ >= 0 && timerfd_gettime(fd_, &now) == 0 &&
         (now.it_value.tv_sec != 0 || now.it_value.tv_nsec != 0);
}

bool PostponableTimer::IsStarted() const {
  std::lock_guard lock(mutex_);
  return started_;
}

void PostponableTimer::Arm(int period_ms) {
  if (fd_ < 0) return;
  itimerspec countdown{};
  countdown.it_value.tv_sec = period_ms / 1000;
  countdown.it_value.tv_nsec = long(period_ms % 1000) * 1'000'000;
  timerfd_settime(fd_, 0, &countdown, nullptr);
}

void PostponableTimer::OnReadable() {
  std::uint64_t expirations = 0;
  // Nothing to read: the timer was started again after it ran out, and counts down anew.
  if (read(fd_, &expirations, sizeof expirations) != sizeof expirations) return;
  on_timeout_();
  // Like a running QTimer: again after a period, unless it was stopped or postponed meanwhile.
  std::lock_guard lock(mutex_);
  if (started_ && !IsCounting()) Arm(period_ms_);
}

}  // namespace melko
