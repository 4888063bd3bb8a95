// What BlueZ's object manager lists, reduced to what finding the mouse needs: devices with their
// connection and identity, GATT services with their device, characteristics with their UUID,
// service and flags. Built from the property maps of GetManagedObjects and InterfacesAdded; a
// property of an unexpected type counts as missing.
#pragma once

#include <QDBusObjectPath>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

#include "bluez/modalias.h"

namespace melko::bluez {

using InterfaceMap = QMap<QString, QVariantMap>;             // a{sa{sv}}
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;  // a{oa{sa{sv}}}

// Makes the two maps above known to QtDBus; done once, from any thread.
void RegisterDbusTypes();

struct DeviceInfo {
  bool connected = false;
  std::optional<DeviceIds> ids;  // from Modalias
  // The vendor and product of the Bluetooth LE mouse.
  bool IsMouse() const;
};

struct ServiceInfo {
  QString device;  // the device's path
};

struct CharacteristicInfo {
  QString uuid;       // lower case
  QString service;    // the service's path
  QStringList flags;  // empty when BlueZ gave none
};

// Whether a characteristic's UUID begins with the eight hex digits of uuid_start, in any case.
bool UuidStartsWith(const QString& uuid, const QString& uuid_start);

// Takes Connected and Modalias from a property map into `device`; others are left alone.
void UpdateDevice(DeviceInfo& device, const QVariantMap& properties);

class ObjectSnapshot {
 public:
  // One object and the interfaces it has (or gained).
  void Add(const QString& path, const InterfaceMap& interfaces);

  const QMap<QString, DeviceInfo>& devices() const { return devices_; }

  // Paths of the characteristics whose UUID begins with `uuid_start` (the first 32 bits as eight
  // hex digits, any case) in services of the connected mouse, in path order, keeping those whose
  // flags name one of `usable_flags` (or that have no flags).
  QStringList MouseCharacteristics(const QString& uuid_start,
                                   const QStringList& usable_flags) const;

 private:
  QMap<QString, DeviceInfo> devices_;
  QMap<QString, ServiceInfo> services_;
  QMap<QString, CharacteristicInfo> characteristics_;
};

// Typed reads of a property map: nothing when the property is missing or of another type.
std::optional<QString> StringProperty(const QVariantMap& properties, const char* name);
std::optional<bool> BoolProperty(const QVariantMap& properties, const char* name);
std::optional<QString> PathProperty(const QVariantMap& properties, const char* name);
std::optional<QStringList> StringListProperty(const QVariantMap& properties, const char* name);
std::optional<QByteArray> BytesProperty(const QVariantMap& properties, const char* name);

}  // namespace melko::bluez
