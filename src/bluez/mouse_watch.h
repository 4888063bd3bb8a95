// Whether the Bluetooth LE mouse is connected, kept up to date from BlueZ's listing and signals:
// the mouse is any org.bluez.Device1 whose Modalias names its vendor and product and whose
// Connected is true. Plain bookkeeping, no bus: the adapter feeds it and compares present()
// before and after.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "bluez/object_snapshot.h"

namespace melko::bluez {

class MouseWatch {
 public:
  // Starts over from a full listing.
  void Reset(const ObjectSnapshot& snapshot) { devices_ = snapshot.devices(); }
  // BlueZ went away: no devices.
  void Clear() { devices_.clear(); }

  void InterfacesAdded(const QString& path, const InterfaceMap& interfaces);
  void InterfacesRemoved(const QString& path, const QStringList& interfaces);
  // Device1 properties of `path` changed. False when the device is not known: then its other
  // properties are needed too, and the caller hands them over with Learn once fetched.
  bool DeviceChanged(const QString& path, const QVariantMap& changed);
  void Learn(const QString& path, const QVariantMap& properties);
  bool present() const;

 private:
  QMap<QString, DeviceInfo> devices_;
};

}  // namespace melko::bluez
