// Bluetooth LE over BlueZ: the mouse is a connected org.bluez.Device1 whose Modalias names vendor
// 0x045E and product 0x0040. Reports are written as one WriteValue to its characteristic 0xFEE3;
// status events come as PropertiesChanged of Value on its characteristic 0xFEE4 once StartNotify
// was called; BlueZ's InterfacesAdded, InterfacesRemoved and Connected changes tell when the mouse
// comes and goes.
//
// Threads: the object lives on the thread that creates it (the user-interface thread, with an
// event loop), and every handler runs there. That thread never waits for BlueZ, except in
// MousePresentNow (one call, at start): subscribing, unsubscribing and following BlueZ use
// asynchronous calls whose answers come back through the event loop. Write may be called from any
// thread; it uses blocking calls and a path cached under a mutex. Every call has a timeout.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "bluez/mouse_watch.h"
#include "bluez/object_snapshot.h"
#include "device/ble_transport.h"

namespace melko::bluez {

struct BluezHandlers {
  // Each changed value of the notify characteristic, bytes unchanged.
  std::function<void(std::vector<std::uint8_t>)> on_notification;
  // The mouse became connected / stopped being connected (or BlueZ went away). Called only on a
  // change.
  std::function<void()> on_mouse_arrived;
  std::function<void()> on_mouse_gone;
  // Why something did not work, one line each; may be called from the writing thread.
  std::function<void(const std::string&)> on_debug;
};

class BluezBleTransport final : public QObject, public BleTransport {
  Q_OBJECT

 public:
  static constexpr int kDefaultCallTimeoutMs = 2000;

  BluezBleTransport(QDBusConnection bus, BluezHandlers handlers,
                    int call_timeout_ms = kDefaultCallTimeoutMs);
  ~BluezBleTransport() override;

  // Empty texts detach: writes return 0 and subscriptions are not made, without a bus call.
  // Any other texts attach to the mouse as identified above.
  void SetMatch(const std::string& vendor_text, const std::string& product_text) override;
  // One WriteValue on the cached characteristic path. The path is looked up (GetManagedObjects)
  // when none is cached, and again, with one more write, when the cached one fails for a reason
  // other than a timeout (after a timeout the value may have arrived; it is not sent twice).
  std::int32_t Write(std::span<const std::uint8_t> report) override;
  // Lists BlueZ's objects, then StartNotify on every notify characteristic of the mouse not yet
  // subscribed; returns at once, the subscriptions are made as the answers come.
  void OpenNotifications() override;
  // Disconnects the values' signals, StopNotify on each subscribed characteristic (without
  // waiting), and forgets subscriptions still being made (stopping them if they succeed).
  void CloseNotifications() override;

  // Lists BlueZ's objects and takes them as the known state, without calling a handler: true
  // when the mouse is connected now.
  bool MousePresentNow();

  // The characteristics subscribed to now (StartNotify answered).
  QStringList subscribed() const { return subscribed_; }

 private slots:
  void OnInterfacesAdded(const QDBusMessage& message);
  void OnInterfacesRemoved(const QDBusMessage& message);
  void OnDevicePropertiesChanged(const QDBusMessage& message);
  void OnCharacteristicPropertiesChanged(const QDBusMessage& message);

 private:
  enum class CallOutcome { kDone, kNoAnswer, kFailed };

  using ReplyHandler = std::function<void(const QDBusMessage& reply)>;

  static QDBusMessage MethodCall(const QString& path, const char* interface, const char* method,
                                 const QVariantList& arguments = {});
  // A blocking method call on org.bluez with the timeout; safe from any thread.
  QDBusMessage Call(const QString& path, const char* interface, const char* method,
                    const QVariantList& arguments = {}) const;
  // The same without waiting: `done` runs on the owner thread with the reply or the error (also
  // the timeout's), unless this object is gone by then.
  void CallLater(const QString& path, const char* interface, const char* method,
                 const QVariantList& arguments, ReplyHandler done);
  void Subscribe(const ObjectSnapshot& objects);
  static CallOutcome OutcomeOf(const QDBusMessage& reply);
  std::optional<ObjectSnapshot> ListObjects() const;
  CallOutcome WriteValue(const QString& path, const QByteArray& value) const;
  // Looks the write characteristic up and caches it while attached; empty when there is none.
  QString ResolveWritePath();
  void ForgetWritePath(const QString& path);
  void Debug(const std::string& line) const;

  void ConnectCharacteristic(const QString& path, bool on);
  void DropSubscription(const QString& path);
  void DropAllSubscriptions();
  // Calls the presence handlers when the watch's verdict differs from `was_present`.
  void AnnouncePresence(bool was_present);
  void OnBluezAppeared();
  void OnBluezVanished();

  QDBusConnection bus_;
  BluezHandlers handlers_;
  const int call_timeout_ms_;

  std::mutex mutex_;  // guards attached_ and write_path_, used from the writing thread
  bool attached_ = false;
  QString write_path_;

  // Owner thread only.
  MouseWatch watch_;
  QStringList subscribed_;
  QStringList subscribing_;  // StartNotify sent, not answered yet
  // Counts CloseNotifications and the mouse going: answers to requests made before are stale.
  std::uint64_t generation_ = 0;
  QDBusServiceWatcher bluez_watcher_;
};

}  // namespace melko::bluez
