// The mouse on Bluetooth LE, as BlueZ would show it on D-Bus: an adapter, and while the mouse is
// connected its device with one GATT service holding the write characteristic (reports in) and
// the notify characteristic (status events out). Takes the name org.bluez on the bus it is given.
#pragma once

#include <QDBusServiceWatcher>
#include <QSet>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "vmouse/program/dbus_object_tree.h"

namespace melko::vmouse {

namespace bluez {
inline constexpr const char* kService = "org.bluez";
inline constexpr const char* kAdapterPath = "/org/bluez/hci0";
inline constexpr const char* kDeviceAddress = "F4:5E:AB:04:5E:40";
inline constexpr const char* kDevicePath = "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40";
inline constexpr const char* kServicePath = "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40/service0010";
inline constexpr const char* kWritePath =
    "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40/service0010/char0011";
inline constexpr const char* kNotifyPath =
    "/org/bluez/hci0/dev_F4_5E_AB_04_5E_40/service0010/char0013";
inline constexpr const char* kServiceUuid = "0000fee0-0000-1000-8000-00805f9b34fb";
inline constexpr const char* kWriteUuid = "0000fee3-0000-1000-8000-00805f9b34fb";
inline constexpr const char* kNotifyUuid = "0000fee4-0000-1000-8000-00805f9b34fb";
// Vendor 0x045E, product 0x0040, version 0x0001, in the form BlueZ gives device IDs.
inline constexpr const char* kModalias = "usb:v045Ep0040d0001";
// The longest value one write may carry, as on an LE link.
inline constexpr int kMaxValueLength = 512;
}  // namespace bluez

class BluezMock : public DbusObjectTree {
 public:
  using WriteHandler = std::function<void(const std::vector<std::uint8_t>& value)>;

  BluezMock(QDBusConnection bus, WriteHandler on_write, QObject* parent = nullptr);

  // Serves the objects and takes the name org.bluez.
  bool Start(QString* error);

  // Connected: the device, its service and characteristics appear. Disconnected: Connected goes
  // false, then they are removed.
  void SetConnected(bool connected);
  bool connected() const { return Has(bluez::kDevicePath); }

  // A status event as a notification: the new Value, announced while someone is subscribed.
  void Notify(const std::array<std::uint8_t, 4>& value);
  bool notifying() const { return !subscribers_.isEmpty(); }

 protected:
  QDBusMessage HandleMethod(const QDBusMessage& message) override;

 private:
  QDBusMessage WriteValue(const QDBusMessage& message);
  QDBusMessage StartNotify(const QDBusMessage& message);
  QDBusMessage StopNotify(const QDBusMessage& message);
  void Unsubscribe(const QString& client);
  void AnnounceNotifying(bool was_notifying);

  WriteHandler on_write_;
  QDBusServiceWatcher watcher_;
  QSet<QString> subscribers_;  // unique bus names of the clients that called StartNotify
};

}  // namespace melko::vmouse
