#include "qt/qt_event_ports.h"

namespace melko {

QtTimers::QtTimers(std::function<void(int)> on_timeout, int postponable_id)
    : on_timeout_(std::move(on_timeout)),
      postponable_id_(postponable_id),
      postponable_([this] { on_timeout_(postponable_id_); }) {}

QtTimers::~QtTimers() = default;

void QtTimers::Start(int timer_id, int period_ms) {
  context_.RunOrPost([this, timer_id, period_ms] { StartHere(timer_id, period_ms, true); });
}

void QtTimers::KeepRunning(int timer_id, int period_ms) {
  context_.RunOrPost([this, timer_id, period_ms] { StartHere(timer_id, period_ms, false); });
}

void QtTimers::Stop(int timer_id) {
  context_.RunOrPost([this, timer_id] { StopHere(timer_id); });
}

void QtTimers::Postpone() {
  postponable_.Postpone();
}

QtTimers::Entry& QtTimers::EntryFor(int timer_id) {
  Entry& entry = timers_[timer_id];
  if (!entry.timer) {
    entry.timer = std::make_unique<QTimer>();
    // On time, not within Qt's default 5 %: the popup's two seconds and the watchdog's six are
    // what the user and the mouse count on.
    entry.timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(entry.timer.get(), &QTimer::timeout, &context_,
                     [this, timer_id] { on_timeout_(timer_id); });
  }
  return entry;
}

void QtTimers::StartHere(int timer_id, int period_ms, bool restart) {
  if (timer_id == postponable_id_) {
    if (restart || !postponable_.IsStarted()) postponable_.Start(period_ms);
    return;
  }
  Entry& entry = EntryFor(timer_id);
  const bool in_step = entry.wanted && entry.period_ms == period_ms;
  entry.wanted = true;
  entry.period_ms = period_ms;
  if (entry.held || (in_step && !restart)) return;
  entry.timer->start(period_ms);  // restarts a running timer
}

void QtTimers::StopHere(int timer_id) {
  if (timer_id == postponable_id_) return postponable_.Stop();
  const auto found = timers_.find(timer_id);
  if (found == timers_.end()) return;
  found->second.wanted = false;
  found->second.timer->stop();
}

void QtTimers::Hold(int timer_id, bool held) {
  Entry& entry = EntryFor(timer_id);
  if (entry.held == held) return;
  entry.held = held;
  if (held) {
    entry.timer->stop();
  } else if (entry.wanted) {
    entry.timer->start(entry.period_ms);
    on_timeout_(timer_id);
  }
}

bool QtTimers::IsActive(int timer_id) const {
  if (timer_id == postponable_id_) return postponable_.IsCounting();
  const auto found = timers_.find(timer_id);
  return found != timers_.end() && found->second.timer->isActive();
}

QtMessageQueue::QtMessageQueue(Handler handler)
    : handler_(std::move(handler)), target_{this, &QtMessageQueue::PostFromLibrary} {}

void QtMessageQueue::Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  // Always queued, also on the owner thread: a posted message is handled after the current one,
  // as a window's message queue would.
  context_.Post([this, message, wparam, lparam] { handler_(message, wparam, lparam); });
}

void QtMessageQueue::PostFromLibrary(void* context, std::uint32_t message, std::uintptr_t wparam,
                                     std::intptr_t lparam) {
  static_cast<QtMessageQueue*>(context)->Post(message, wparam, lparam);
}

}  // namespace melko
