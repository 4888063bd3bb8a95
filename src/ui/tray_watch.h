// Whether a tray host shows the program's icon, learned when it changes rather than once at
// start: a panel may start after the program (at log-in), or go away and come back. Nothing is
// polled: on X11 XFixes reports every change of the tray selection's owner
// (_NET_SYSTEM_TRAY_S<screen>), and the session bus reports the StatusNotifierWatcher coming and
// going. (QSystemTrayIcon::isSystemTrayAvailable() keeps a tray window it found until Qt sees that
// window destroyed, so it may still answer yes just after a tray host went away.)
//
// Qt shows the icon through the StatusNotifierWatcher when one was on the bus as its first tray
// icon was made, and in the X11 tray otherwise, for the rest of the run; the watch, made right
// after the icon, follows the host that Qt chose.
//
// The X11 side has a connection of its own, read on the event loop's thread: Qt's connection hands
// its events over from a reader thread, and this needs none of them.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

class QDBusServiceWatcher;
class QSocketNotifier;
struct xcb_connection_t;

namespace melko::ui {

class TrayWatch final : public QObject {
 public:
  // changed runs on the event loop whenever the answer changes.
  explicit TrayWatch(std::function<void(bool available)> changed);
  ~TrayWatch() override;

  bool available() const { return available_; }

 private:
  void WatchX11Selection();
  void ReadX11Events();
  bool HostThere() const { return through_bus_ ? bus_host_ : x11_host_ != 0; }
  // Told on the event loop, after the event that changed it has been handled.
  void UpdateSoon();

  std::function<void(bool)> changed_;
  bool available_ = false;
  bool through_bus_ = false;
  bool bus_host_ = false;
  std::uint32_t x11_host_ = 0;        // the tray selection's owner
  std::uint32_t tray_selection_ = 0;  // its atom; 0 without X11
  std::uint8_t xfixes_first_event_ = 0;
  xcb_connection_t* x11_ = nullptr;
  std::unique_ptr<QSocketNotifier> x11_events_;
  std::unique_ptr<QDBusServiceWatcher> watcher_;
};

}  // namespace melko::ui
