#include "bluez/mouse_watch.h"

#include "bluez/bluez_names.h"

namespace melko::bluez {

void MouseWatch::InterfacesAdded(const QString& path, const InterfaceMap& interfaces) {
  const auto device = interfaces.constFind(QLatin1String(kDeviceInterface));
  if (device != interfaces.constEnd()) UpdateDevice(devices_[path], device.value());
}

void MouseWatch::InterfacesRemoved(const QString& path, const QStringList& interfaces) {
  if (interfaces.contains(QLatin1String(kDeviceInterface))) devices_.remove(path);
}

bool MouseWatch::DeviceChanged(const QString& path, const QVariantMap& changed) {
  const auto device = devices_.find(path);
  if (device == devices_.end()) return false;
  UpdateDevice(device.value(), changed);
  return true;
}

void MouseWatch::Learn(const QString& path, const QVariantMap& properties) {
  UpdateDevice(devices_[path], properties);
}

bool MouseWatch::present() const {
  for (const DeviceInfo& device : devices_) {
    if (device.connected && device.IsMouse()) return true;
  }
  return false;
}

}  // namespace melko::bluez
