// The desktop's permission for a window to take the focus, as a launcher gives it to the program
// it starts: an activation token on Wayland (XDG_ACTIVATION_TOKEN), a startup id on X11
// (DESKTOP_STARTUP_ID). A second launch hands its own to the running copy, whose window it raises;
// desktops that prevent focus stealing let the window come forward only with them.
//
// What Qt 6.4 does with them: its xcb plugin reads DESKTOP_STARTUP_ID once, when it connects
// (and clears it), and ends that launch's startup sequence when its first window shows; it never
// puts a startup id on a window, and a later one has no way in, so that is done here. Its Wayland
// xdg-shell plugin presents XDG_ACTIVATION_TOKEN, when set, with the next activation request of a
// window, and clears it.
#pragma once

#include <string>

class QWindow;

namespace melko::ui {

struct LaunchActivation {
  std::string token;       // Wayland
  std::string startup_id;  // X11

  // This process's own, as its launcher gave them.
  static LaunchActivation FromEnvironment();
  bool empty() const { return token.empty() && startup_id.empty(); }
};

// Before the window asks for the focus: on X11 the startup id goes on it as _NET_STARTUP_ID (which
// a window manager checks when the window is activated), on Wayland the token goes where Qt takes
// it from for the next activation.
void PrepareActivation(QWindow* window, const LaunchActivation& activation);

// The launch is over: on X11 its startup sequence is removed, which ends the busy cursor; on
// Wayland a token that no activation took is dropped.
void EndLaunchFeedback(const LaunchActivation& activation);

}  // namespace melko::ui
