// Reading BlueZ's replies and signals. Each reader checks the message's D-Bus signature first and
// gives nothing for an error reply or a message of another shape, so that a malformed message is
// passed over instead of read as something it is not.
#pragma once

#include <QDBusMessage>
#include <optional>

#include "bluez/object_snapshot.h"

namespace melko::bluez {

// The reply of ObjectManager.GetManagedObjects: a{oa{sa{sv}}}.
std::optional<ObjectSnapshot> ReadManagedObjects(const QDBusMessage& reply);

// The reply of Properties.GetAll: a{sv}.
std::optional<QVariantMap> ReadProperties(const QDBusMessage& reply);

struct InterfacesAdded {
  QString path;
  InterfaceMap interfaces;
};
// ObjectManager.InterfacesAdded: oa{sa{sv}}.
std::optional<InterfacesAdded> ReadInterfacesAdded(const QDBusMessage& signal);

struct InterfacesRemoved {
  QString path;
  QStringList interfaces;
};
// ObjectManager.InterfacesRemoved: oas.
std::optional<InterfacesRemoved> ReadInterfacesRemoved(const QDBusMessage& signal);

struct PropertiesChanged {
  QString interface;
  QVariantMap changed;
  QStringList invalidated;
};
// Properties.PropertiesChanged: sa{sv}as.
std::optional<PropertiesChanged> ReadPropertiesChanged(const QDBusMessage& signal);

// A characteristic's PropertiesChanged: its new Value (ay), bytes unchanged; nothing when the
// signal is of another interface or carries no Value of that type.
std::optional<QByteArray> ReadNotifiedValue(const QDBusMessage& signal);

}  // namespace melko::bluez
