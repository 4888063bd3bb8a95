#include "bluez/bluez_messages.h"

#include <QDBusArgument>
#include <QDBusObjectPath>

#include "bluez/bluez_names.h"

namespace melko::bluez {
namespace {

// An argument as QtDBus hands it over: simple types and string lists already converted,
// containers still to be read from their QDBusArgument. The caller has checked the signature.
template <class T>
std::optional<T> Argument(const QVariant& argument) {
  if (argument.metaType() == QMetaType::fromType<T>()) return argument.value<T>();
  if (argument.metaType() == QMetaType::fromType<QDBusArgument>()) {
    return qdbus_cast<T>(argument.value<QDBusArgument>());
  }
  return std::nullopt;
}

bool Shaped(const QDBusMessage& message, QDBusMessage::MessageType type, const char* signature,
            qsizetype arguments) {
  return message.type() == type && message.signature() == QLatin1String(signature) &&
         message.arguments().size() == arguments;
}

}  // namespace

std::optional<ObjectSnapshot> ReadManagedObjects(const QDBusMessage& reply) {
  RegisterDbusTypes();
  if (!Shaped(reply, QDBusMessage::ReplyMessage, "a{oa{sa{sv}}}", 1)) return std::nullopt;
  const auto objects = Argument<ManagedObjects>(reply.arguments().at(0));
  if (!objects) return std::nullopt;
  ObjectSnapshot snapshot;
  for (auto it = objects->constBegin(); it != objects->constEnd(); ++it) {
    snapshot.Add(it.key().path(), it.value());
  }
  return snapshot;
}

std::optional<QVariantMap> ReadProperties(const QDBusMessage& reply) {
  if (!Shaped(reply, QDBusMessage::ReplyMessage, "a{sv}", 1)) return std::nullopt;
  return Argument<QVariantMap>(reply.arguments().at(0));
}

std::optional<InterfacesAdded> ReadInterfacesAdded(const QDBusMessage& signal) {
  RegisterDbusTypes();
  if (!Shaped(signal, QDBusMessage::SignalMessage, "oa{sa{sv}}", 2)) return std::nullopt;
  const auto path = Argument<QDBusObjectPath>(signal.arguments().at(0));
  const auto interfaces = Argument<InterfaceMap>(signal.arguments().at(1));
  if (!path || !interfaces) return std::nullopt;
  return InterfacesAdded{path->path(), *interfaces};
}

std::optional<InterfacesRemoved> ReadInterfacesRemoved(const QDBusMessage& signal) {
  if (!Shaped(signal, QDBusMessage::SignalMessage, "oas", 2)) return std::nullopt;
  const auto path = Argument<QDBusObjectPath>(signal.arguments().at(0));
  const auto interfaces = Argument<QStringList>(signal.arguments().at(1));
  if (!path || !interfaces) return std::nullopt;
  return InterfacesRemoved{path->path(), *interfaces};
}

std::optional<PropertiesChanged> ReadPropertiesChanged(const QDBusMessage& signal) {
  if (!Shaped(signal, QDBusMessage::SignalMessage, "sa{sv}as", 3)) return std::nullopt;
  const auto interface = Argument<QString>(signal.arguments().at(0));
  const auto changed = Argument<QVariantMap>(signal.arguments().at(1));
  const auto invalidated = Argument<QStringList>(signal.arguments().at(2));
  if (!interface || !changed || !invalidated) return std::nullopt;
  return PropertiesChanged{*interface, *changed, *invalidated};
}

std::optional<QByteArray> ReadNotifiedValue(const QDBusMessage& signal) {
  const auto changed = ReadPropertiesChanged(signal);
  if (!changed || changed->interface != QLatin1String(kGattCharacteristicInterface)) {
    return std::nullopt;
  }
  return BytesProperty(changed->changed, "Value");
}

}  // namespace melko::bluez
