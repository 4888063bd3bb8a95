#include "bluez/object_snapshot.h"

#include <QDBusMetaType>
#include <mutex>

#include "bluez/bluez_names.h"
#include "device/ble_transport.h"

namespace melko::bluez {
namespace {

template <class T>
std::optional<T> Typed(const QVariantMap& properties, const char* name) {
  const auto found = properties.constFind(QLatin1String(name));
  if (found == properties.constEnd() || found->metaType() != QMetaType::fromType<T>()) {
    return std::nullopt;
  }
  return found->value<T>();
}

// The parent of an object path: "/a/b" for "/a/b/c".
QString ParentPath(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash > 0 ? path.left(slash) : QString();
}

}  // namespace

void RegisterDbusTypes() {
  static std::once_flag once;
  std::call_once(once, [] {
    qDBusRegisterMetaType<InterfaceMap>();
    qDBusRegisterMetaType<ManagedObjects>();
  });
}

std::optional<QString> StringProperty(const QVariantMap& properties, const char* name) {
  return Typed<QString>(properties, name);
}

std::optional<bool> BoolProperty(const QVariantMap& properties, const char* name) {
  return Typed<bool>(properties, name);
}

std::optional<QString> PathProperty(const QVariantMap& properties, const char* name) {
  const auto path = Typed<QDBusObjectPath>(properties, name);
  if (!path) return std::nullopt;
  return path->path();
}

std::optional<QStringList> StringListProperty(const QVariantMap& properties, const char* name) {
  return Typed<QStringList>(properties, name);
}

std::optional<QByteArray> BytesProperty(const QVariantMap& properties, const char* name) {
  return Typed<QByteArray>(properties, name);
}

bool DeviceInfo::IsMouse() const {
  return ids && ids->vendor == kBleMouseVendorId && ids->product == kBleMouseProductId;
}

void UpdateDevice(DeviceInfo& device, const QVariantMap& properties) {
  if (const auto connected = BoolProperty(properties, "Connected")) device.connected = *connected;
  if (properties.contains(QStringLiteral("Modalias"))) {
    const auto modalias = StringProperty(properties, "Modalias");
    device.ids = modalias ? ParseModalias(modalias->toStdString()) : std::nullopt;
  }
}

void ObjectSnapshot::Add(const QString& path, const InterfaceMap& interfaces) {
  for (auto it = interfaces.constBegin(); it != interfaces.constEnd(); ++it) {
    const QVariantMap& properties = it.value();
    if (it.key() == QLatin1String(kDeviceInterface)) {
      UpdateDevice(devices_[path], properties);
    } else if (it.key() == QLatin1String(kGattServiceInterface)) {
      // BlueZ names the device; a service without that is taken to sit under its device's path.
      services_[path].device = PathProperty(properties, "Device").value_or(ParentPath(path));
    } else if (it.key() == QLatin1String(kGattCharacteristicInterface)) {
      CharacteristicInfo& characteristic = characteristics_[path];
      characteristic.uuid = StringProperty(properties, "UUID").value_or(QString()).toLower();
      characteristic.service = PathProperty(properties, "Service").value_or(ParentPath(path));
      characteristic.flags = StringListProperty(properties, "Flags").value_or(QStringList());
    }
  }
}

bool UuidStartsWith(const QString& uuid, const QString& uuid_start) {
  return uuid.size() >= uuid_start.size() && uuid.startsWith(uuid_start, Qt::CaseInsensitive) &&
         (uuid.size() == uuid_start.size() || uuid[uuid_start.size()] == QLatin1Char('-'));
}

QStringList ObjectSnapshot::MouseCharacteristics(const QString& uuid_start,
                                                 const QStringList& usable_flags) const {
  QStringList paths;
  for (auto it = characteristics_.constBegin(); it != characteristics_.constEnd(); ++it) {
    const CharacteristicInfo& characteristic = it.value();
    if (!UuidStartsWith(characteristic.uuid, uuid_start)) continue;
    const auto service = services_.constFind(characteristic.service);
    if (service == services_.constEnd()) continue;
    const auto device = devices_.constFind(service->device);
    if (device == devices_.constEnd() || !device->connected || !device->IsMouse()) continue;
    bool usable = characteristic.flags.isEmpty();
    for (const QString& flag : usable_flags) usable = usable || characteristic.flags.contains(flag);
    if (usable) paths << it.key();
  }
  return paths;
}

}  // namespace melko::bluez
