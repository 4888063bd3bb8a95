#include "ui/tray_watch.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QtGui/qguiapplication_platform.h>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <string>

namespace melko::ui {
namespace {

constexpr char kNotifierWatcher[] = "org.kde.StatusNotifierWatcher";

// The screen number the connection was opened for, from $DISPLAY (":0.1" is screen 1).
int ScreenNumber() {
  const char* display = std::getenv("DISPLAY");
  const std::string name = display ? display : "";
  const std::size_t colon = name.rfind(':');
  const std::size_t dot = name.find('.', colon == std::string::npos ? 0 : colon);
  return dot == std::string::npos ? 0 : std::atoi(name.c_str() + dot + 1);
}

}  // namespace

TrayWatch::TrayWatch(std::function<void(bool)> changed) : changed_(std::move(changed)) {
  WatchX11Selection();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    const QString name = QString::fromLatin1(kNotifierWatcher);
    watcher_ =
        std::make_unique<QDBusServiceWatcher>(name, bus, QDBusServiceWatcher::WatchForOwnerChange);
    connect(watcher_.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& new_owner) {
              bus_host_ = !new_owner.isEmpty();
              UpdateSoon();
            });
    bus_host_ = bus.interface() && bus.interface()->isServiceRegistered(name);
  }
  through_bus_ = bus_host_;
  available_ = HostThere();
}

TrayWatch::~TrayWatch() {
  if (tray_selection_ != 0) QCoreApplication::instance()->removeNativeEventFilter(this);
}

void TrayWatch::WatchX11Selection() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return;
  const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
  if (!xfixes || !xfixes->present) return;
  std::free(xcb_xfixes_query_version_reply(
      connection, xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, 0), nullptr));
  const int screen = ScreenNumber();
  const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, std::uint16_t(name.size()), name.c_str()),
      nullptr);
  if (!atom) return;
  tray_selection_ = atom->atom;
  std::free(atom);
  xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int skip = 0; skip < screen && roots.rem > 1; ++skip) xcb_screen_next(&roots);
  xfixes_first_event_ = xfixes->first_event;
  // Selected before the owner is asked for, so that no change falls between the two.
  xcb_xfixes_select_selection_input(connection, roots.data->root, tray_selection_,
                                    XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, tray_selection_), nullptr);
  x11_host_ = owner ? owner->owner : 0;
  std::free(owner);
  QCoreApplication::instance()->installNativeEventFilter(this);
}

bool TrayWatch::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (type != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != xfixes_first_event_ + XCB_XFIXES_SELECTION_NOTIFY) {
    return false;
  }
  const auto* notify = static_cast<const xcb_xfixes_selection_notify_event_t*>(message);
  if (notify->selection != tray_selection_) return false;
  x11_host_ = notify->owner;  // none when the host let go or went away
  UpdateSoon();
  return false;  // Qt sees it too
}

void TrayWatch::UpdateSoon() {
  QTimer::singleShot(0, this, [this] {
    const bool now = HostThere();
    if (now == available_) return;
    available_ = now;
    if (changed_) changed_(now);
  });
}

}  // namespace melko::ui
