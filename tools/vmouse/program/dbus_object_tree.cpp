#include "vmouse/program/dbus_object_tree.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <QSet>

namespace melko::vmouse {
namespace {

const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");

const char* const kIntrospectableXml =
    "  <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
    "    <method name=\"Introspect\"><arg name=\"xml\" type=\"s\" direction=\"out\"/></method>\n"
    "  </interface>\n";

const char* const kPropertiesXml =
    "  <interface name=\"org.freedesktop.DBus.Properties\">\n"
    "    <method name=\"Get\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
    "<arg name=\"name\" type=\"s\" direction=\"in\"/>"
    "<arg name=\"value\" type=\"v\" direction=\"out\"/></method>\n"
    "    <method name=\"Set\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
    "<arg name=\"name\" type=\"s\" direction=\"in\"/>"
    "<arg name=\"value\" type=\"v\" direction=\"in\"/></method>\n"
    "    <method name=\"GetAll\"><arg name=\"interface\" type=\"s\" direction=\"in\"/>"
    "<arg name=\"properties\" type=\"a{sv}\" direction=\"out\"/></method>\n"
    "    <signal name=\"PropertiesChanged\"><arg name=\"interface\" type=\"s\"/>"
    "<arg name=\"changed\" type=\"a{sv}\"/><arg name=\"invalidated\" type=\"as\"/></signal>\n"
    "  </interface>\n";

const char* const kObjectManagerXml =
    "  <interface name=\"org.freedesktop.DBus.ObjectManager\">\n"
    "    <method name=\"GetManagedObjects\">"
    "<arg name=\"objects\" type=\"a{oa{sa{sv}}}\" direction=\"out\"/></method>\n"
    "    <signal name=\"InterfacesAdded\"><arg name=\"object\" type=\"o\"/>"
    "<arg name=\"interfaces\" type=\"a{sa{sv}}\"/></signal>\n"
    "    <signal name=\"InterfacesRemoved\"><arg name=\"object\" type=\"o\"/>"
    "<arg name=\"interfaces\" type=\"as\"/></signal>\n"
    "  </interface>\n";

// The interfaces every object has, described once by the tree itself.
bool IsStandard(const QString& interface) {
  return interface.startsWith(QLatin1String("org.freedesktop.DBus."));
}

// Names of the nodes one level below `path`.
QStringList Children(const QString& path, const QList<QString>& objects) {
  const QString prefix = path == QLatin1String("/") ? path : path + QLatin1Char('/');
  QStringList children;
  for (const QString& object : objects) {
    if (!object.startsWith(prefix) || object.size() == prefix.size()) continue;
    const QString child = object.mid(prefix.size()).section(QLatin1Char('/'), 0, 0);
    if (!children.contains(child)) children.append(child);
  }
  return children;
}

}  // namespace

void RegisterDbusMapTypes() {
  qDBusRegisterMetaType<InterfaceMap>();
  qDBusRegisterMetaType<ManagedObjects>();
}

QDBusMessage ErrorReply(const QDBusMessage& call, const QString& name, const QString& text) {
  return call.createErrorReply(name, text);
}

DbusObjectTree::DbusObjectTree(QDBusConnection bus, QObject* parent)
    : QDBusVirtualObject(parent), bus_(std::move(bus)) {
  RegisterDbusMapTypes();
}

DbusObjectTree::~DbusObjectTree() {
  if (registered_) bus_.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
}

bool DbusObjectTree::Register(QString* error) {
  registered_ = bus_.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath);
  if (!registered_ && error) *error = QStringLiteral("cannot serve objects at /");
  return registered_;
}

void DbusObjectTree::DescribeMethods(const QString& interface, const QString& xml) {
  method_xml_[interface] = xml;
}

void DbusObjectTree::Add(const QString& path, const InterfaceMap& interfaces) {
  InterfaceMap& object = objects_[path];
  for (auto it = interfaces.begin(); it != interfaces.end(); ++it) object[it.key()] = it.value();
  QDBusMessage signal =
      QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager, "InterfacesAdded");
  signal << QVariant::fromValue(QDBusObjectPath(path)) << QVariant::fromValue(interfaces);
  bus_.send(signal);
}

void DbusObjectTree::Remove(const QString& path) {
  const auto found = objects_.constFind(path);
  if (found == objects_.constEnd()) return;
  const QStringList interfaces = found->keys();
  objects_.erase(found);
  QDBusMessage signal =
      QDBusMessage::createSignal(QStringLiteral("/"), kObjectManager, "InterfacesRemoved");
  signal << QVariant::fromValue(QDBusObjectPath(path)) << interfaces;
  bus_.send(signal);
}

QVariant DbusObjectTree::Property(const QString& path, const QString& interface,
                                  const QString& name) const {
  return objects_.value(path).value(interface).value(name);
}

void DbusObjectTree::SetProperties(const QString& path, const QString& interface,
                                   const QVariantMap& changed, bool announce) {
  auto object = objects_.find(path);
  if (object == objects_.end() || !object->contains(interface)) return;
  QVariantMap& properties = (*object)[interface];
  for (auto it = changed.begin(); it != changed.end(); ++it) properties[it.key()] = it.value();
  if (!announce) return;
  QDBusMessage signal = QDBusMessage::createSignal(path, kProperties, "PropertiesChanged");
  signal << interface << changed << QStringList();
  bus_.send(signal);
}

ManagedObjects DbusObjectTree::Managed() const {
  ManagedObjects managed;
  for (auto it = objects_.begin(); it != objects_.end(); ++it) {
    managed.insert(QDBusObjectPath(it.key()), it.value());
  }
  return managed;
}

bool DbusObjectTree::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  if (message.type() != QDBusMessage::MethodCallMessage) return false;
  const QString path = message.path();
  const QString interface = message.interface();
  const QString member = message.member();
  QDBusMessage reply;
  if (member == QLatin1String("Introspect") &&
      (interface.isEmpty() || interface == kIntrospectable)) {
    reply = message.createReply(IntrospectionXml(path));
  } else if (path == QLatin1String("/") && interface == kObjectManager &&
             member == QLatin1String("GetManagedObjects")) {
    reply = message.createReply(QVariant::fromValue(Managed()));
  } else if (!objects_.contains(path)) {
    reply = ErrorReply(message, "org.freedesktop.DBus.Error.UnknownObject", "No object at " + path);
  } else if (interface == kProperties) {
    reply = HandleProperties(message);
  } else {
    reply = HandleMethod(message);
  }
  if (message.isReplyRequired()) connection.send(reply);
  return true;
}

QDBusMessage DbusObjectTree::HandleMethod(const QDBusMessage& message) {
  return ErrorReply(message, "org.freedesktop.DBus.Error.UnknownMethod",
                    "No method " + message.member() + " on " + message.interface());
}

QDBusMessage DbusObjectTree::HandleProperties(const QDBusMessage& message) const {
  const InterfaceMap& object = objects_[message.path()];
  const QString member = message.member();
  const QList<QVariant> args = message.arguments();
  const QString signature = message.signature();
  if (member == QLatin1String("Set")) {
    return ErrorReply(message, "org.freedesktop.DBus.Error.PropertyReadOnly",
                      "The properties of this object are read-only");
  }
  const bool get = member == QLatin1String("Get") && signature == QLatin1String("ss");
  const bool get_all = member == QLatin1String("GetAll") && signature == QLatin1String("s");
  if (!get && !get_all) {
    return ErrorReply(message, "org.freedesktop.DBus.Error.InvalidArgs",
                      "Expected Get(ss), GetAll(s) or Set(ssv)");
  }
  const QString interface = args[0].toString();
  const auto found = object.constFind(interface);
  if (found == object.constEnd()) {
    return ErrorReply(message, "org.freedesktop.DBus.Error.UnknownInterface",
                      "No interface " + interface + " at " + message.path());
  }
  if (get_all) return message.createReply(QVariant::fromValue(*found));
  const QString name = args[1].toString();
  if (!found->contains(name)) {
    return ErrorReply(message, "org.freedesktop.DBus.Error.UnknownProperty",
                      "No property " + name + " on " + interface);
  }
  return message.createReply(QVariant::fromValue(QDBusVariant(found->value(name))));
}

QString DbusObjectTree::InterfaceXml(const QString& interface,
                                     const QVariantMap& properties) const {
  QString xml = "  <interface name=\"" + interface + "\">\n";
  xml += method_xml_.value(interface);
  for (auto it = properties.begin(); it != properties.end(); ++it) {
    const char* type = QDBusMetaType::typeToSignature(it.value().metaType());
    xml += "    <property name=\"" + it.key() + "\" type=\"" + QLatin1String(type ? type : "v") +
           "\" access=\"read\"/>\n";
  }
  return xml + "  </interface>\n";
}

QString DbusObjectTree::IntrospectionXml(const QString& path) const {
  QString xml = QStringLiteral(
      "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
      "\"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>\n");
  xml += QLatin1String(kIntrospectableXml);
  if (path == QLatin1String("/")) xml += QLatin1String(kObjectManagerXml);
  const auto object = objects_.constFind(path);
  if (object != objects_.constEnd()) {
    xml += QLatin1String(kPropertiesXml);
    for (auto it = object->begin(); it != object->end(); ++it) {
      if (!IsStandard(it.key())) xml += InterfaceXml(it.key(), it.value());
    }
  }
  for (const QString& child : Children(path, objects_.keys())) {
    xml += "  <node name=\"" + child + "\"/>\n";
  }
  return xml + "</node>\n";
}

QString DbusObjectTree::introspect(const QString& path) const {
  // Only the interfaces: the caller wraps them in the node.
  QString xml;
  const auto object = objects_.constFind(path);
  if (object == objects_.constEnd()) return xml;
  for (auto it = object->begin(); it != object->end(); ++it) {
    if (!IsStandard(it.key())) xml += InterfaceXml(it.key(), it.value());
  }
  return xml;
}

}  // namespace melko::vmouse
