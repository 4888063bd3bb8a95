// The state behind the library's entry points: where messages go, which kinds go out, and the
// capture that feeds them. The entry points may be called from any thread; the capture thread
// reads the switches and the target while it runs.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "input/keyboard_layout.h"
#include "platform/hook_abi.h"
#include "record_capture.h"

namespace melko::hook {

class DesktopHook {
 public:
  DesktopHook() = default;
  // Stops a capture still running when the library is unloaded.
  ~DesktopHook() { Remove(); }
  DesktopHook(const DesktopHook&) = delete;
  DesktopHook& operator=(const DesktopHook&) = delete;

  // Messages go to `target` from now on; starts the capture when it is not running.
  void Install(MessageTarget* target);
  // Stops the capture and forgets the target: nothing is posted once it returns.
  void Remove();

  void EnableKeys(bool on) { keys_ = on; }
  void EnableMouseButtons(bool on) { mouse_buttons_ = on; }
  void EnableWheel(bool on) { wheel_ = on; }

 private:
  void StartCapture();
  // On the capture thread: one recorded event to the target, when its kind is switched on.
  void Deliver(int x_event_type, unsigned detail);

  std::atomic<bool> keys_{false};
  std::atomic<bool> mouse_buttons_{false};
  std::atomic<bool> wheel_{false};

  // Serialises Install and Remove.
  std::mutex lifecycle_mutex_;
  std::unique_ptr<RecordCapture> capture_;
  // Loaded before the capture thread starts and kept until it has ended.
  std::unique_ptr<KeyboardLayout> layout_;
  bool told_capture_is_off_ = false;

  // Held while posting, so that a replaced or removed target gets nothing more.
  std::mutex target_mutex_;
  MessageTarget* target_ = nullptr;
};

}  // namespace melko::hook
