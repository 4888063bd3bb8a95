// A tree of D-Bus objects with read-only properties, served from one virtual object at "/" the
// way a daemon with an object manager serves them: org.freedesktop.DBus.ObjectManager at "/",
// org.freedesktop.DBus.Properties and Introspectable on every path, and the signals that go with
// adding, removing and changing objects. Other methods go to HandleMethod.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QMap>
#include <QString>
#include <QVariantMap>

namespace melko::vmouse {

using InterfaceMap = QMap<QString, QVariantMap>;             // a{sa{sv}}
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;  // a{oa{sa{sv}}}

// Makes the two maps above known to QtDBus; needed before they are sent or received.
void RegisterDbusMapTypes();

class DbusObjectTree : public QDBusVirtualObject {
 public:
  explicit DbusObjectTree(QDBusConnection bus, QObject* parent = nullptr);
  ~DbusObjectTree() override;

  // Serves the tree at "/" on the bus.
  bool Register(QString* error);

  // The introspection XML of an interface's methods and signals (its properties are written
  // from their values), e.g. "<method name=\"Foo\"/>".
  void DescribeMethods(const QString& interface, const QString& xml);

  // Adds an object, or interfaces to one, announcing them with InterfacesAdded.
  void Add(const QString& path, const InterfaceMap& interfaces);
  // Removes an object with InterfacesRemoved.
  void Remove(const QString& path);
  bool Has(const QString& path) const { return objects_.contains(path); }

  QVariant Property(const QString& path, const QString& interface, const QString& name) const;
  // Changes properties; announces the change with PropertiesChanged when `announce`.
  void SetProperties(const QString& path, const QString& interface, const QVariantMap& changed,
                     bool announce = true);

  ManagedObjects Managed() const;

  QDBusConnection& bus() { return bus_; }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
  QString introspect(const QString& path) const override;

 protected:
  // A method of an object's own interfaces, on a path that exists. Returns the reply or error.
  virtual QDBusMessage HandleMethod(const QDBusMessage& message);

 private:
  QDBusMessage HandleProperties(const QDBusMessage& message) const;
  QString InterfaceXml(const QString& interface, const QVariantMap& properties) const;
  QString IntrospectionXml(const QString& path) const;

  QDBusConnection bus_;
  bool registered_ = false;
  QMap<QString, InterfaceMap> objects_;
  QMap<QString, QString> method_xml_;
};

// Error replies in the D-Bus and BlueZ styles.
QDBusMessage ErrorReply(const QDBusMessage& call, const QString& name, const QString& text);

}  // namespace melko::vmouse
