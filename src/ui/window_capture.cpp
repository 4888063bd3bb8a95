#include "ui/window_capture.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <cstdlib>
#include <memory>
#include <optional>

#include "input/keyboard_layout.h"
#include "platform/hook_abi.h"

namespace melko::ui {
namespace {

// X and Wayland number a key by its evdev code plus 8.
constexpr std::uint32_t kEvdevToXkbKeycode = 8;

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

struct CaptureSwitches {
  bool keys = false;
  bool mouse_buttons = false;
};
struct CapturedMessage {
  std::uintptr_t wparam;
  std::intptr_t lparam;
};

std::optional<CapturedMessage> ButtonMessage(Qt::MouseButton button, bool press) {
  const auto message = [press](std::uintptr_t down, std::uintptr_t up, std::intptr_t lparam = 0) {
    return CapturedMessage{press ? down : up, lparam};
  };
  switch (button) {
    case Qt::LeftButton:
      return message(MELKO_HOOK_LEFT_DOWN, MELKO_HOOK_LEFT_UP);
    case Qt::RightButton:
      return message(MELKO_HOOK_RIGHT_DOWN, MELKO_HOOK_RIGHT_UP);
    case Qt::MiddleButton:
      return message(MELKO_HOOK_MIDDLE_DOWN, MELKO_HOOK_MIDDLE_UP);
    case Qt::BackButton:
      return message(MELKO_HOOK_EXTRA_DOWN, MELKO_HOOK_EXTRA_UP, MELKO_HOOK_EXTRA_BACK);
    case Qt::ForwardButton:
      return message(MELKO_HOOK_EXTRA_DOWN, MELKO_HOOK_EXTRA_UP, MELKO_HOOK_EXTRA_FORWARD);
    default:
      return std::nullopt;
  }
}

// The hook message for an input event of one of the program's windows, as Hook.so would send it
// for the same key or button: keys by the virtual-key code of their key code on the current layout,
// a held key's repeats dropped; nothing for other events or kinds switched off.
std::optional<CapturedMessage> WindowEventMessage(const QEvent& event,
                                                  const CaptureSwitches& switches) {
  switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto& key = static_cast<const QKeyEvent&>(event);
      if (!switches.keys || key.isAutoRepeat() || key.nativeScanCode() <= kEvdevToXkbKeycode) {
        return std::nullopt;
      }
      const std::uint32_t virtual_key =
          CurrentKeyboardLayout().VirtualKeyOf(key.nativeScanCode() - kEvdevToXkbKeycode);
      if (virtual_key == 0) return std::nullopt;
      return CapturedMessage{virtual_key, event.type() == QEvent::KeyPress ? 0 : 1};
    }
    // A window gets a double click's second press as a press, and then the double click too:
    // that is no press of its own.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
      if (!switches.mouse_buttons) return std::nullopt;
      return ButtonMessage(static_cast<const QMouseEvent&>(event).button(),
                           event.type() != QEvent::MouseButtonRelease);
    default:
      return std::nullopt;
  }
}

// The capture behind the table's entry points. Between installhook and removehook an
// application-wide filter watches the input events as they reach each of the program's windows
// (the QWindow, once per event, before Qt hands them to a widget) and posts their messages to
// the target, as Hook.so posts from its thread; it never keeps an event from the windows.
class WindowCapture final : public QObject {
 public:
  static WindowCapture*& Running() {
    static WindowCapture* running = nullptr;
    return running;
  }
  static CaptureSwitches& Switches() {
    static CaptureSwitches switches;
    return switches;
  }

  explicit WindowCapture(MessageTarget* target) : target_(target) {
    QCoreApplication::instance()->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!watched->isWindowType()) return false;
    if (const auto message = WindowEventMessage(*event, Switches())) {
      target_->post(target_->context, MELKO_HOOK_MESSAGE, message->wparam, message->lparam);
    }
    return false;
  }

 private:
  MessageTarget* target_;
};

void RemoveCapture() {
  delete WindowCapture::Running();
  WindowCapture::Running() = nullptr;
}

void InstallCapture(MessageTarget* target) {
  RemoveCapture();
  if (target && QCoreApplication::instance()) WindowCapture::Running() = new WindowCapture(target);
}

}  // namespace

DisplaySession DisplaySession::Current() {
  return {QGuiApplication::platformName().toStdString() == "xcb" ? "xcb" : "other",
          Environment("DISPLAY"), Environment("WAYLAND_DISPLAY"), Environment("XDG_SESSION_TYPE")};
}

bool DesktopHookHearsAll(const DisplaySession& session) {
  return session.qt_platform == "xcb" && !session.x_display.empty() &&
         session.wayland_display.empty() && session.session_type != "wayland";
}

HookTable WindowCaptureTable() {
  HookTable table;
  table.window_only = true;
  table.install_mouse_hook = [] {};
  table.remove_mouse_hook = [] { WindowCapture::Switches().mouse_buttons = false; };
  table.enable_mouse_hook = [](int on) { WindowCapture::Switches().mouse_buttons = on != 0; };
  table.install_hook = InstallCapture;
  table.remove_hook = RemoveCapture;
  table.enable_hook = [](int on) { WindowCapture::Switches().keys = on != 0; };
  // The window's wheel turns are never steps.
  table.mouse_wheel_enable = [](int) {};
  return table;
}

HookTable LoadCaptureTable() {
  if (DesktopHookHearsAll(DisplaySession::Current())) {
    HookTable hook = LoadHookLibrary();
    if (hook.install_hook) return hook;
    UnloadHookLibrary(hook);  // a library without its capture would record nothing
  }
  return WindowCaptureTable();
}

}  // namespace melko::ui
