// Keyboard layouts from xkbcommon and the system's xkb data. Each key is asked what it types with
// no modifier held (xkb keycode = evdev code + 8), and the virtual-key codes follow from that as
// TypedTextLayout describes.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "input/keyboard_layout.h"

namespace melko {

// RMLVO names of a keymap, as /etc/default/keyboard and the XKB_DEFAULT_* variables give them.
// Empty fields take the defaults: model "pc105", no variant, no options.
struct XkbNames {
  std::string layout;
  std::string variant;
  std::string model;
  std::string options;
};

// The layout named so ("us", "fr", "de"), with rules "evdev"; null with a one-line reason in
// *error when the xkb data has no such layout. Only the first of comma-separated layouts counts.
std::unique_ptr<KeyboardLayout> LoadXkbLayout(const XkbNames& names, std::string* error = nullptr);

// The layout of the running session. In an X11 session, the X server's keymap and active group.
// In a Wayland session (WAYLAND_DISPLAY set), whose compositor does not hand its keymap to
// programs through any public interface, and without a display: the XKB_DEFAULT_LAYOUT family of
// variables when XKB_DEFAULT_LAYOUT is set; otherwise the GNOME desktop's first keyboard input
// source when gsettings is installed and has one; otherwise /etc/default/keyboard; otherwise "us".
std::unique_ptr<KeyboardLayout> LoadSessionLayout(std::string* error = nullptr);

// The XKBLAYOUT, XKBVARIANT, XKBMODEL and XKBOPTIONS assignments of a keyboard defaults file
// (shell syntax, values optionally quoted); fields it lacks stay empty.
XkbNames ParseKeyboardDefaults(std::string_view contents);

// The first keyboard layout of `gsettings get org.gnome.desktop.input-sources sources`
// ("[('xkb', 'de+nodeadkeys'), ('ibus', 'anthy')]": layout "de", variant "nodeadkeys"); empty
// names when it lists none.
XkbNames ParseInputSources(std::string_view gsettings_output);

}  // namespace melko
