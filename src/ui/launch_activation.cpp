#include "ui/launch_activation.h"

#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QWindow>
#include <cstdlib>
#include <cstring>

namespace melko::ui {
namespace {

xcb_connection_t* X11Connection() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

// The root window of the connection's first screen, where startup messages go.
xcb_window_t Root(xcb_connection_t* connection) {
  return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

LaunchActivation LaunchActivation::FromEnvironment() {
  return {Variable("XDG_ACTIVATION_TOKEN"), Variable("DESKTOP_STARTUP_ID")};
}

void PrepareActivation(QWindow* window, const LaunchActivation& activation) {
  if (!activation.token.empty() && QGuiApplication::platformName() == QLatin1String("wayland")) {
    qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(activation.token));
  }
  xcb_connection_t* connection = X11Connection();
  if (!connection || !window || activation.startup_id.empty()) return;
  const xcb_atom_t property = Atom(connection, "_NET_STARTUP_ID");
  const xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), property,
                      utf8, 8, std::uint32_t(activation.startup_id.size()),
                      activation.startup_id.data());
  xcb_flush(connection);
}

void EndLaunchFeedback(const LaunchActivation& activation) {
  // A token that no activation took is not left for a later one.
  if (!activation.token.empty() &&
      qgetenv("XDG_ACTIVATION_TOKEN") == QByteArray::fromStdString(activation.token)) {
    qunsetenv("XDG_ACTIVATION_TOKEN");
  }
  xcb_connection_t* connection = X11Connection();
  if (!connection || activation.startup_id.empty()) return;
  // The startup-notification message, NUL included, in pieces of 20 bytes: the first as
  // _NET_STARTUP_INFO_BEGIN, the rest as _NET_STARTUP_INFO. The id holds no space or quote (the
  // request refuses them), so it needs no quoting.
  const std::string message = "remove: ID=" + activation.startup_id;
  const xcb_atom_t begin = Atom(connection, "_NET_STARTUP_INFO_BEGIN");
  const xcb_atom_t more = Atom(connection, "_NET_STARTUP_INFO");
  const xcb_window_t root = Root(connection);
  for (std::size_t sent = 0; sent < message.size() + 1; sent += 20) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 8;
    event.window = root;
    event.type = sent == 0 ? begin : more;
    std::memcpy(event.data.data8, message.c_str() + sent,
                std::min<std::size_t>(20, message.size() + 1 - sent));
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                   reinterpret_cast<const char*>(&event));
  }
  xcb_flush(connection);
}

}  // namespace melko::ui
