#include "desktop_hook.h"

#include <cstdio>
#include <string>

#include "hook_messages.h"
#include "input/xkb/xkb_layout.h"

namespace melko::hook {

void DesktopHook::Install(MessageTarget* target) {
  std::lock_guard lifecycle(lifecycle_mutex_);
  {
    std::lock_guard lock(target_mutex_);
    target_ = target;
  }
  if (capture_ && capture_->recording()) return;
  // A capture whose server went away is closed before a new one starts.
  capture_.reset();
  StartCapture();
}

void DesktopHook::Remove() {
  std::lock_guard lifecycle(lifecycle_mutex_);
  capture_.reset();
  layout_.reset();
  std::lock_guard lock(target_mutex_);
  target_ = nullptr;
}

void DesktopHook::StartCapture() {
  std::string reason;
  std::unique_ptr<RecordCapture> capture = RecordCapture::Connect(&reason);
  if (capture) {
    // Keys are named on the layout the session has now.
    layout_ = LoadSessionLayout();
    if (!layout_) layout_ = std::make_unique<NoKeyboardLayout>();
    if (capture->Begin([this](int type, unsigned detail) { Deliver(type, detail); })) {
      capture_ = std::move(capture);
      return;
    }
    capture.reset();
    reason = "the X server does not start recording";
  }
  // Said once: the program asks again each time a capture starts.
  if (!told_capture_is_off_) {
    std::fprintf(stderr, "Hook.so: %s; desktop-wide key capture is off\n", reason.c_str());
    told_capture_is_off_ = true;
  }
}

void DesktopHook::Deliver(int x_event_type, unsigned detail) {
  const DeliveryFlags flags{keys_, mouse_buttons_, wheel_};
  const auto message = TranslateDeviceEvent(x_event_type, detail, flags, *layout_);
  if (!message) return;
  std::lock_guard lock(target_mutex_);
  if (target_ != nullptr && target_->post != nullptr) {
    target_->post(target_->context, MELKO_HOOK_MESSAGE, message->wparam, message->lparam);
  }
}

}  // namespace melko::hook
