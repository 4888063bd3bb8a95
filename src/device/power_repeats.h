// The mouse repeats its power event every 2 s on each library link that hears it, almost always
// unchanged. Handling a power word sets the page from the word alone, the same from either
// library, so once a word has been handled and nothing else has happened since, the same word
// again changes nothing but the receiver's watchdog. Yet each one wakes the user-interface thread,
// and those wake-ups were most of what the program cost while it waited in the tray.
//
// This filter stands between the driver libraries and the event loop. On a library's thread it
// keeps such a repeat back and restarts the receiver's watchdog there (on_repeat), as handling it
// would have, so that the mouse still counts as asleep exactly when it has been silent for the
// watchdog's time.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "device/ui_ports.h"
#include "platform/driver_abi.h"

namespace melko {

class PowerRepeatFilter {
 public:
  // Messages that go through are posted to `next`, whose handler calls Handled() after each;
  // on_repeat runs on the library's thread for each repeat kept back.
  PowerRepeatFilter(MessagePoster& next, std::function<void()> on_repeat);
  PowerRepeatFilter(const PowerRepeatFilter&) = delete;
  PowerRepeatFilter& operator=(const PowerRepeatFilter&) = delete;

  // What the driver libraries post to. Any thread.
  MessageTarget* target() { return &target_; }
  // Off at first: every message goes through (melkoctl's watch prints each one). Set before the
  // libraries are opened.
  void KeepBackRepeats(bool on) { enabled_ = on; }

  // The event loop has handled a message that went through. After a power word with no other
  // message of the libraries still queued, repeats of that word are kept back. Event-loop thread.
  void Handled(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  // Something else is about to change what the page shows: the next power word goes through.
  // Any thread. Every repeat kept back has had its on_repeat by then; one decided later goes
  // through.
  void Unsettle();

 private:
  static void PostFromLibrary(void* context, std::uint32_t message, std::uintptr_t wparam,
                              std::intptr_t lparam);
  bool KeepBack(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);

  MessagePoster& next_;
  std::function<void()> on_repeat_;
  MessageTarget target_;
  std::atomic<bool> enabled_ = false;
  // One word for both, so that a check and a change are one atomic step: the settled power word
  // (bits 0-31), whether it is settled (bit 32), and how many messages went through (bits 33-63,
  // wrapping).
  std::atomic<std::uint64_t> state_ = 0;
  std::uint64_t handled_ = 0;  // messages that went through and were handled; event-loop thread
};

}  // namespace melko
