#include "input/xkb/xkb_layout.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

#include "input/typed_text_layout.h"

namespace melko {
namespace {

// Owners of the xkbcommon and xcb handles.
struct ContextDeleter {
  void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapDeleter {
  void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
struct StateDeleter {
  void operator()(xkb_state* state) const { xkb_state_unref(state); }
};
struct ConnectionDeleter {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Context = std::unique_ptr<xkb_context, ContextDeleter>;
using Keymap = std::unique_ptr<xkb_keymap, KeymapDeleter>;
using State = std::unique_ptr<xkb_state, StateDeleter>;
using Connection = std::unique_ptr<xcb_connection_t, ConnectionDeleter>;

// A context that reads no XKB_DEFAULT_* variables (names are always given in full) and keeps its
// complaints about missing files to itself; failures are reported by our callers.
Context NewContext() {
  Context context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
  if (context) {
    xkb_context_set_log_fn(context.get(), [](xkb_context*, xkb_log_level, const char*, va_list) {});
  }
  return context;
}

// A dead key types nothing by itself; its name is the accent it puts on the next letter.
std::string DeadKeyText(xkb_keysym_t keysym) {
  static constexpr std::pair<xkb_keysym_t, const char*> kAccents[] = {
      {XKB_KEY_dead_grave, "`"},          {XKB_KEY_dead_acute, "\u00B4"},
      {XKB_KEY_dead_circumflex, "^"},     {XKB_KEY_dead_tilde, "~"},
      {XKB_KEY_dead_diaeresis, "\u00A8"}, {XKB_KEY_dead_abovering, "\u00B0"},
      {XKB_KEY_dead_cedilla, "\u00B8"},   {XKB_KEY_dead_caron, "\u02C7"},
  };
  for (const auto& [dead_key, accent] : kAccents) {
    if (dead_key == keysym) return accent;
  }
  return {};
}

// What each key types in the given group with no modifier held.
std::unique_ptr<KeyboardLayout> LayoutFromKeymap(xkb_keymap* keymap, xkb_layout_index_t group) {
  State state(xkb_state_new(keymap));
  if (!state) return nullptr;
  xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, group);
  return std::make_unique<TypedTextLayout>([&](std::uint32_t scan_code) {
    const xkb_keycode_t keycode = scan_code + 8;
    char text[64];
    const int length = xkb_state_key_get_utf8(state.get(), keycode, text, sizeof text);
    if (length > 0 && std::size_t(length) < sizeof text)
      return std::string(text, std::size_t(length));
    return DeadKeyText(xkb_state_key_get_one_sym(state.get(), keycode));
  });
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The X server's keymap, or null when there is no display or it lacks the XKB extension.
std::unique_ptr<KeyboardLayout> LoadX11Layout() {
  if (EnvironmentValue("DISPLAY").empty()) return nullptr;
  Connection connection(xcb_connect(nullptr, nullptr));
  if (xcb_connection_has_error(connection.get())) return nullptr;
  if (!xkb_x11_setup_xkb_extension(
          connection.get(), XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
          XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
    return nullptr;
  }
  const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection.get());
  if (device == -1) return nullptr;
  const Context context = NewContext();
  if (!context) return nullptr;
  const Keymap keymap(xkb_x11_keymap_new_from_device(context.get(), connection.get(), device,
                                                     XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return nullptr;
  // The session's active group is its current layout; its modifiers do not matter here.
  const State session_state(xkb_x11_state_new_from_device(keymap.get(), connection.get(), device));
  const xkb_layout_index_t group =
      session_state ? xkb_state_serialize_layout(session_state.get(), XKB_STATE_LAYOUT_EFFECTIVE)
                    : 0;
  return LayoutFromKeymap(keymap.get(), group);
}

std::string Unquote(std::string value) {
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) {
    value.pop_back();
  }
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The output of a program run without a shell, its errors dropped; empty when it cannot run.
std::string OutputOf(const char* command) {
  std::string output;
  if (FILE* pipe = popen(command, "r")) {
    char buffer[512];
    while (std::size_t length = std::fread(buffer, 1, sizeof buffer, pipe)) {
      output.append(buffer, length);
    }
    pclose(pipe);
  }
  return output;
}

// GNOME keeps its keyboard layouts in its settings, not in the system's keyboard file; other
// desktops are not asked (their settings have no common reader).
XkbNames DesktopNames() {
  constexpr const char* kGsettings = "/usr/bin/gsettings";
  if (access(kGsettings, X_OK) != 0) return {};
  return ParseInputSources(
      OutputOf("/usr/bin/gsettings get org.gnome.desktop.input-sources sources 2>/dev/null"));
}

}  // namespace

std::unique_ptr<KeyboardLayout> LoadXkbLayout(const XkbNames& names, std::string* error) {
  const auto fail = [&](const std::string& reason) -> std::unique_ptr<KeyboardLayout> {
    if (error) *error = reason;
    return nullptr;
  };
  if (names.layout.empty()) return fail("a keyboard layout name is missing");
  const Context context = NewContext();
  if (!context) return fail("cannot start xkbcommon");
  const std::string model = names.model.empty() ? "pc105" : names.model;
  const xkb_rule_names rule_names{"evdev", model.c_str(), names.layout.c_str(),
                                  names.variant.c_str(), names.options.c_str()};
  const Keymap keymap(
      xkb_keymap_new_from_names(context.get(), &rule_names, XKB_KEYMAP_COMPILE_NO_FLAGS));
  if (!keymap) return fail("no keyboard layout named \"" + names.layout + "\" in the xkb data");
  std::unique_ptr<KeyboardLayout> layout = LayoutFromKeymap(keymap.get(), 0);
  if (!layout) return fail("cannot use the keyboard layout \"" + names.layout + "\"");
  return layout;
}

std::unique_ptr<KeyboardLayout> LoadSessionLayout(std::string* error) {
  // A Wayland session's X server, where there is one, only mirrors the compositor's keymap for
  // the X programs, and some desktops start it only when a program connects.
  if (EnvironmentValue("WAYLAND_DISPLAY").empty()) {
    if (std::unique_ptr<KeyboardLayout> layout = LoadX11Layout()) return layout;
  }
  XkbNames names;
  if (!EnvironmentValue("XKB_DEFAULT_LAYOUT").empty()) {
    names = {EnvironmentValue("XKB_DEFAULT_LAYOUT"), EnvironmentValue("XKB_DEFAULT_VARIANT"),
             EnvironmentValue("XKB_DEFAULT_MODEL"), EnvironmentValue("XKB_DEFAULT_OPTIONS")};
  }
  if (names.layout.empty()) names = DesktopNames();
  if (names.layout.empty()) {
    std::ifstream file("/etc/default/keyboard");
    std::stringstream contents;
    contents << file.rdbuf();
    names = ParseKeyboardDefaults(contents.str());
  }
  if (names.layout.empty()) names = {"us", "", "", ""};
  return LoadXkbLayout(names, error);
}

XkbNames ParseInputSources(std::string_view gsettings_output) {
  // The first ('xkb', 'LAYOUT[+VARIANT]') pair; other kinds of sources (input methods) name no
  // layout.
  constexpr std::string_view kXkbSource = "('xkb', '";
  const std::size_t start = gsettings_output.find(kXkbSource);
  if (start == std::string_view::npos) return {};
  const std::string_view rest = gsettings_output.substr(start + kXkbSource.size());
  const std::string_view source = rest.substr(0, rest.find('\''));
  if (source.size() == rest.size()) return {};  // cut off before its closing quote
  const std::size_t plus = source.find('+');
  XkbNames names;
  names.layout = std::string(source.substr(0, plus));
  if (plus != std::string_view::npos) names.variant = std::string(source.substr(plus + 1));
  return names;
}

XkbNames ParseKeyboardDefaults(std::string_view contents) {
  XkbNames names;
  std::istringstream lines{std::string(contents)};
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    const std::size_t equals = line.find('=', start);
    if (equals == std::string::npos) continue;
    const std::string name = line.substr(start, equals - start);
    const std::string value = Unquote(line.substr(equals + 1));
    if (name == "XKBLAYOUT") names.layout = value;
    if (name == "XKBVARIANT") names.variant = value;
    if (name == "XKBMODEL") names.model = value;
    if (name == "XKBOPTIONS") names.options = value;
  }
  return names;
}

}  // namespace melko
