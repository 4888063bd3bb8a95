#include "ui/tray_watch.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>
#include <string>

namespace melko::ui {
namespace {

constexpr char kNotifierWatcher[] = "org.kde.StatusNotifierWatcher";

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
  x11_events_.reset();
  if (x11_) xcb_disconnect(x11_);
}

void TrayWatch::WatchX11Selection() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  int screen = 0;
  x11_ = xcb_connect(nullptr, &screen);
  if (xcb_connection_has_error(x11_) != 0) return;
  const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(x11_, &xcb_xfixes_id);
  if (!xfixes || !xfixes->present) return;
  std::free(xcb_xfixes_query_version_reply(
      x11_, xcb_xfixes_query_version(x11_, XCB_XFIXES_MAJOR_VERSION, 0), nullptr));
  const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      x11_, xcb_intern_atom(x11_, 0, std::uint16_t(name.size()), name.c_str()), nullptr);
  if (!atom) return;
  tray_selection_ = atom->atom;
  std::free(atom);
  xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(x11_));
  for (int skip = 0; skip < screen && roots.rem > 1; ++skip) xcb_screen_next(&roots);
  xfixes_first_event_ = xfixes->first_event;
  // Selected before the owner is asked for, so that no change falls between the two.
  xcb_xfixes_select_selection_input(x11_, roots.data->root, tray_selection_,
                                    XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                        XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(x11_, xcb_get_selection_owner(x11_, tray_selection_), nullptr);
  x11_host_ = owner ? owner->owner : 0;
  std::free(owner);
  x11_events_ =
      std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(x11_), QSocketNotifier::Read);
  connect(x11_events_.get(), &QSocketNotifier::activated, this, [this] { ReadX11Events(); });
  ReadX11Events();  // what arrived with the replies
}

void TrayWatch::ReadX11Events() {
  bool changed = false;
  while (xcb_generic_event_t* event = xcb_poll_for_event(x11_)) {
    if ((event->response_type & 0x7F) == xfixes_first_event_ + XCB_XFIXES_SELECTION_NOTIFY) {
      const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
      if (notify->selection == tray_selection_) {
        x11_host_ = notify->owner;  // none when the host let go or went away
        changed = true;
      }
    }
    std::free(event);
  }
  // A server that went away tells nothing more.
  if (xcb_connection_has_error(x11_) != 0) x11_events_->setEnabled(false);
  if (changed) UpdateSoon();
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
