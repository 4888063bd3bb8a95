// Key and mouse-button capture for the macro editor and the shortcut fields. Hook.so hears every
// program only through an X server that every program talks to: in an X11 session. In a Wayland
// session (whose X server, if any, hears only the programs that use it) or without an X display,
// the program takes instead what is typed and clicked in its own windows, behind the same seven
// entry points and the same messages, so that recording and key capture work one way.
#pragma once

#include <string_view>

#include "platform/hook_library.h"

namespace melko::ui {

// Where the program runs: its Qt platform ("xcb", "wayland") and the session's display variables.
struct DisplaySession {
  std::string_view qt_platform;
  std::string_view x_display;        // DISPLAY
  std::string_view wayland_display;  // WAYLAND_DISPLAY
  std::string_view session_type;     // XDG_SESSION_TYPE
  static DisplaySession Current();
};

// Hook.so hears every program: the program talks to an X server and the session is not Wayland.
bool DesktopHookHearsAll(const DisplaySession& session);

// The capture the program uses: Hook.so where it hears every program and is found, else the
// program's own windows (HookTable::window_only).
HookTable LoadCaptureTable();
HookTable WindowCaptureTable();

}  // namespace melko::ui
