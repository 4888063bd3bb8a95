#include "vmouse/program/bluez_mock.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QStringList>

namespace melko::vmouse {
namespace {

const QString kAdapter1 = QStringLiteral("org.bluez.Adapter1");
const QString kDevice1 = QStringLiteral("org.bluez.Device1");
const QString kGattService1 = QStringLiteral("org.bluez.GattService1");
const QString kGattCharacteristic1 = QStringLiteral("org.bluez.GattCharacteristic1");

// BlueZ lists these two with empty property maps on every object it manages.
InterfaceMap WithStandardInterfaces(InterfaceMap interfaces) {
  interfaces.insert(QStringLiteral("org.freedesktop.DBus.Introspectable"), {});
  interfaces.insert(QStringLiteral("org.freedesktop.DBus.Properties"), {});
  return interfaces;
}

InterfaceMap AdapterObject() {
  return WithStandardInterfaces({{kAdapter1,
                                  {{"Address", QStringLiteral("00:1A:7D:DA:71:13")},
                                   {"AddressType", QStringLiteral("public")},
                                   {"Name", QStringLiteral("melko-vmouse")},
                                   {"Alias", QStringLiteral("melko-vmouse")},
                                   {"Powered", true},
                                   {"Discoverable", false},
                                   {"Pairable", true},
                                   {"Discovering", false},
                                   {"UUIDs", QStringList()}}}});
}

InterfaceMap DeviceObject() {
  return WithStandardInterfaces(
      {{kDevice1,
        {{"Address", QString::fromLatin1(bluez::kDeviceAddress)},
         {"AddressType", QStringLiteral("random")},
         {"Name", QStringLiteral("Melko R7")},
         {"Alias", QStringLiteral("Melko R7")},
         {"Appearance", QVariant::fromValue<quint16>(0x03C2)},  // mouse
         {"Icon", QStringLiteral("input-mouse")},
         {"Adapter", QVariant::fromValue(QDBusObjectPath(bluez::kAdapterPath))},
         {"Modalias", QString::fromLatin1(bluez::kModalias)},
         {"UUIDs", QStringList{QStringLiteral("00001812-0000-1000-8000-00805f9b34fb"),
                               QString::fromLatin1(bluez::kServiceUuid)}},
         {"Paired", true},
         {"Bonded", true},
         {"Trusted", true},
         {"Blocked", false},
         {"Connected", true},
         {"ServicesResolved", true}}}});
}

InterfaceMap ServiceObject() {
  return WithStandardInterfaces(
      {{kGattService1,
        {{"UUID", QString::fromLatin1(bluez::kServiceUuid)},
         {"Primary", true},
         {"Device", QVariant::fromValue(QDBusObjectPath(bluez::kDevicePath))}}}});
}

InterfaceMap CharacteristicObject(const char* uuid, const QStringList& flags, bool notify) {
  QVariantMap properties{{"UUID", QString::fromLatin1(uuid)},
                         {"Service", QVariant::fromValue(QDBusObjectPath(bluez::kServicePath))},
                         {"Value", QByteArray()},
                         {"Flags", flags}};
  if (notify) properties.insert("Notifying", false);
  return WithStandardInterfaces({{kGattCharacteristic1, properties}});
}

const char* const kAdapterMethodsXml =
    "    <method name=\"StartDiscovery\"/>\n"
    "    <method name=\"StopDiscovery\"/>\n";

const char* const kCharacteristicMethodsXml =
    "    <method name=\"ReadValue\"><arg name=\"options\" type=\"a{sv}\" direction=\"in\"/>"
    "<arg name=\"value\" type=\"ay\" direction=\"out\"/></method>\n"
    "    <method name=\"WriteValue\"><arg name=\"value\" type=\"ay\" direction=\"in\"/>"
    "<arg name=\"options\" type=\"a{sv}\" direction=\"in\"/></method>\n"
    "    <method name=\"StartNotify\"/>\n"
    "    <method name=\"StopNotify\"/>\n";

QDBusMessage NotPermitted(const QDBusMessage& call, const QString& text) {
  return ErrorReply(call, "org.bluez.Error.NotPermitted", text);
}

}  // namespace

BluezMock::BluezMock(QDBusConnection bus, WriteHandler on_write, QObject* parent)
    : DbusObjectTree(bus, parent),
      on_write_(std::move(on_write)),
      watcher_(QString(), bus, QDBusServiceWatcher::WatchForUnregistration) {
  DescribeMethods(kAdapter1, QLatin1String(kAdapterMethodsXml));
  DescribeMethods(kGattCharacteristic1, QLatin1String(kCharacteristicMethodsXml));
  // A client that leaves the bus loses its subscription, as with BlueZ.
  QObject::connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, this,
                   [this](const QString& client) { Unsubscribe(client); });
  Add(bluez::kAdapterPath, AdapterObject());
}

bool BluezMock::Start(QString* error) {
  if (!Register(error)) return false;
  if (!bus().registerService(bluez::kService)) {
    if (error) *error = "cannot take the name org.bluez: " + bus().lastError().message();
    return false;
  }
  return true;
}

void BluezMock::SetConnected(bool connected) {
  if (connected == this->connected()) return;
  if (connected) {
    Add(bluez::kDevicePath, DeviceObject());
    Add(bluez::kServicePath, ServiceObject());
    Add(bluez::kWritePath,
        CharacteristicObject(bluez::kWriteUuid, {"write", "write-without-response"}, false));
    Add(bluez::kNotifyPath, CharacteristicObject(bluez::kNotifyUuid, {"notify"}, true));
    return;
  }
  SetProperties(bluez::kDevicePath, kDevice1, {{"Connected", false}, {"ServicesResolved", false}});
  for (const QString& client : std::as_const(subscribers_)) watcher_.removeWatchedService(client);
  subscribers_.clear();
  Remove(bluez::kNotifyPath);
  Remove(bluez::kWritePath);
  Remove(bluez::kServicePath);
  Remove(bluez::kDevicePath);
}

void BluezMock::Notify(const std::array<std::uint8_t, 4>& value) {
  if (!connected()) return;
  const QByteArray bytes(reinterpret_cast<const char*>(value.data()), qsizetype(value.size()));
  SetProperties(bluez::kNotifyPath, kGattCharacteristic1, {{"Value", bytes}}, notifying());
}

QDBusMessage BluezMock::HandleMethod(const QDBusMessage& message) {
  const QString path = message.path();
  const QString interface = message.interface();
  const QString member = message.member();
  const bool characteristic =
      path == QLatin1String(bluez::kWritePath) || path == QLatin1String(bluez::kNotifyPath);
  if (characteristic && (interface == kGattCharacteristic1 || interface.isEmpty())) {
    if (member == QLatin1String("WriteValue")) return WriteValue(message);
    if (member == QLatin1String("ReadValue")) return NotPermitted(message, "Read not permitted");
    if (member == QLatin1String("StartNotify")) return StartNotify(message);
    if (member == QLatin1String("StopNotify")) return StopNotify(message);
  }
  if (path == QLatin1String(bluez::kAdapterPath) &&
      (interface == kAdapter1 || interface.isEmpty()) &&
      (member == QLatin1String("StartDiscovery") || member == QLatin1String("StopDiscovery"))) {
    return message.createReply();
  }
  return DbusObjectTree::HandleMethod(message);
}

QDBusMessage BluezMock::WriteValue(const QDBusMessage& message) {
  if (message.signature() != QLatin1String("aya{sv}")) {
    return ErrorReply(message, "org.bluez.Error.InvalidArguments",
                      "WriteValue takes (ay value, a{sv} options)");
  }
  if (message.path() != QLatin1String(bluez::kWritePath)) {
    return NotPermitted(message, "Write not permitted");
  }
  const QByteArray value = message.arguments().at(0).toByteArray();
  if (value.size() > bluez::kMaxValueLength) {
    return ErrorReply(message, "org.bluez.Error.InvalidValueLength", "Invalid Length");
  }
  on_write_({value.begin(), value.end()});
  return message.createReply();
}

QDBusMessage BluezMock::StartNotify(const QDBusMessage& message) {
  if (message.path() != QLatin1String(bluez::kNotifyPath)) {
    return ErrorReply(message, "org.bluez.Error.NotSupported", "Operation is not supported");
  }
  const bool was_notifying = notifying();
  const QString client = message.service();
  if (!subscribers_.contains(client)) {
    subscribers_.insert(client);
    watcher_.addWatchedService(client);
  }
  AnnounceNotifying(was_notifying);
  return message.createReply();
}

QDBusMessage BluezMock::StopNotify(const QDBusMessage& message) {
  if (message.path() != QLatin1String(bluez::kNotifyPath)) {
    return ErrorReply(message, "org.bluez.Error.NotSupported", "Operation is not supported");
  }
  if (!subscribers_.contains(message.service())) {
    return ErrorReply(message, "org.bluez.Error.Failed", "No notify session started");
  }
  Unsubscribe(message.service());
  return message.createReply();
}

void BluezMock::Unsubscribe(const QString& client) {
  if (!subscribers_.contains(client)) return;
  const bool was_notifying = notifying();
  subscribers_.remove(client);
  watcher_.removeWatchedService(client);
  AnnounceNotifying(was_notifying);
}

void BluezMock::AnnounceNotifying(bool was_notifying) {
  if (notifying() == was_notifying) return;
  SetProperties(bluez::kNotifyPath, kGattCharacteristic1, {{"Notifying", notifying()}});
}

}  // namespace melko::vmouse
