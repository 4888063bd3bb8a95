// The event-loop ports on Qt: the main window's timers and messages posted to it. Both accept calls
// from any thread and carry them out on the thread that owns the object (the user-interface
// thread, or the command line's event loop).
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "device/ui_ports.h"
#include "platform/driver_abi.h"
#include "qt/posted_calls.h"
#include "qt/postponable_timer.h"

namespace melko {

class QtTimers final : public Timers {
 public:
  // on_timeout runs on the owner thread with the id of the timer that fired. The timer
  // postponable_id can be postponed from any thread.
  QtTimers(std::function<void(int timer_id)> on_timeout, int postponable_id);
  ~QtTimers() override;

  void Start(int timer_id, int period_ms) override;
  void KeepRunning(int timer_id, int period_ms) override;
  void Stop(int timer_id) override;

  // Holds a timer that only draws, while nobody can see what it draws: it is started and stopped
  // as before, but does not run. Released, a timer that would be running runs again and fires at
  // once, so that the drawing is current before it is seen. Owner thread.
  void Hold(int timer_id, bool held);
  // Whether the timer is running now (not merely wanted while held). For the postponable timer,
  // whether it counts down: within its own timeout only when it was postponed after running out.
  // Owner thread.
  bool IsActive(int timer_id) const;
  // Any thread, without waking the owner thread: the postponable timer, if it runs, counts its
  // whole period again from now.
  void Postpone();

 private:
  struct Entry {
    std::unique_ptr<QTimer> timer;
    int period_ms = 0;
    bool wanted = false;  // started and not stopped since
    bool held = false;
  };
  void StartHere(int timer_id, int period_ms, bool restart);
  void StopHere(int timer_id);
  Entry& EntryFor(int timer_id);

  std::function<void(int)> on_timeout_;
  PostedCalls context_;
  std::map<int, Entry> timers_;  // owner thread only
  const int postponable_id_;
  PostponableTimer postponable_;
};

// Messages to the main window: posted from any thread, handled in order on the owner thread. It
// is also the MessageTarget the driver libraries post to from their monitor threads.
class QtMessageQueue final : public MessagePoster {
 public:
  using Handler = std::function<void(std::uint32_t, std::uintptr_t, std::intptr_t)>;
  explicit QtMessageQueue(Handler handler);

  void Post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;
  MessageTarget* target() { return &target_; }

 private:
  static void PostFromLibrary(void* context, std::uint32_t message, std::uintptr_t wparam,
                              std::intptr_t lparam);

  Handler handler_;
  PostedCalls context_;
  MessageTarget target_;
};

}  // namespace melko
