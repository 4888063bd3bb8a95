// melko_fake_bluez ADDRESS: a BlueZ that misbehaves on request. It takes org.bluez on the bus at
// ADDRESS, prints "ready", then answers each command on standard input with one line:
//   listing good|unresolved|adapter-only|garbage|silent   GetManagedObjects (unresolved: no notify
//                                                         characteristic yet)
//   write answer|silent|refuse; notify answer|silent|late (StartNotify after 100 ms)
//   emit value HEX | odd | connected PATH | characteristic | resolved    signals, see Command()
//   count        "calls N writes M stops K"
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

using InterfaceMap = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;

const QString kDevice = QStringLiteral("/org/bluez/hci0/dev_11_22_33_44_55_66");
const QString kService = kDevice + QStringLiteral("/service0020");
const QString kWrite = kService + QStringLiteral("/char0021");
const QString kNotify = kService + QStringLiteral("/char0023");
const QString kNotifyUuid = QStringLiteral("0000FEE4-0000-1000-8000-00805F9B34FB");
const QString kCharacteristic1 = QStringLiteral("org.bluez.GattCharacteristic1");
const QString kDevice1 = QStringLiteral("org.bluez.Device1");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QVariant Path(const QString& path) {
  return QVariant::fromValue(QDBusObjectPath(path));
}

QVariantMap MouseProperties() {
  return {{"Connected", true}, {"Modalias", QStringLiteral("bluetooth:V045eP0040D0001")}};
}

QVariantMap Characteristic(const QString& uuid, const QString& service, const QString& flag) {
  return {{"UUID", uuid}, {"Service", Path(service)}, {"Flags", QStringList{flag}}};
}

class FakeBluez : public QDBusVirtualObject {
 public:
  explicit FakeBluez(QDBusConnection bus) : bus_(bus) {}

  std::string Command(const std::string& line) {
    const auto space = line.find(' ');
    const std::string word = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (word == "listing" || word == "write" || word == "notify") {
      (word == "listing" ? listing_ : word == "write" ? write_ : notify_) = rest;
    } else if (word == "count") {
      return "calls " + std::to_string(calls_) + " writes " + std::to_string(writes_) + " stops " +
             std::to_string(stops_);
    } else if (rest.starts_with("value ")) {
      const QByteArray value = QByteArray::fromHex(QByteArray::fromStdString(rest.substr(6)));
      Emit(kNotify, kProperties, "PropertiesChanged",
           {kCharacteristic1, QVariantMap{{"Value", value}}, QStringList()});
    } else if (rest == "odd") {
      EmitOdd();
    } else if (rest == "characteristic") {  // listed from then on
      listing_ = "good";
      Emit("/", "org.freedesktop.DBus.ObjectManager", "InterfacesAdded",
           {Path(kNotify),
            QVariant::fromValue(InterfaceMap{
                {kCharacteristic1, Characteristic(kNotifyUuid, kService, "notify")}})});
    } else if (rest == "resolved") {
      DeviceChanged(kDevice, {{"ServicesResolved", true}});
    } else if (rest.starts_with("connected ")) {
      DeviceChanged(QString::fromStdString(rest.substr(10)), {{"Connected", true}});
    } else {
      return "error: unknown command";
    }
    return "ok";
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    ++calls_;
    const QString member = message.member();
    QDBusMessage reply = message.createReply();
    if (member == QLatin1String("GetManagedObjects")) {
      if (listing_ == "silent") return true;
      reply = listing_ == "garbage" ? message.createReply(QStringLiteral("nonsense"))
                                    : message.createReply(QVariant::fromValue(Listing()));
    } else if (member == QLatin1String("GetAll")) {
      reply = message.createReply(QVariant::fromValue(MouseProperties()));
    } else if (member == QLatin1String("WriteValue")) {
      ++writes_;
      if (write_ == "silent") return true;
      if (write_ == "refuse") {
        reply = message.createErrorReply(QStringLiteral("org.bluez.Error.Failed"),
                                         QStringLiteral("Not connected"));
      }
    } else if (member == QLatin1String("StartNotify")) {
      if (notify_ == "silent") return true;
      if (notify_ == "late") {
        QDBusConnection later = connection;
        QTimer::singleShot(100, [later, reply]() mutable { later.send(reply); });
        return true;
      }
    } else if (member == QLatin1String("StopNotify")) {
      ++stops_;
    } else {
      reply = message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                                       member);
    }
    connection.send(reply);
    return true;
  }
  QString introspect(const QString&) const override { return {}; }

 private:
  void Emit(const QString& path, const QString& interface, const QString& name,
            const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(arguments);
    bus_.send(signal);
  }
  void DeviceChanged(const QString& path, const QVariantMap& changed) {
    Emit(path, kProperties, "PropertiesChanged", {kDevice1, changed, QStringList()});
  }
  // Objects added and removed in the wrong shapes, and the mouse "disconnecting" with a string or
  // without the changed properties (fuzz_ble_notifications has malformed notified values).
  void EmitOdd() {
    const QString manager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
    Emit("/", manager, "InterfacesAdded", {QStringLiteral("junk")});
    Emit("/", manager, "InterfacesAdded", {Path(kDevice), QStringLiteral("junk")});
    Emit("/", manager, "InterfacesRemoved", {Path(kDevice)});
    Emit("/", manager, "InterfacesRemoved", {kDevice, QStringList{kDevice1}});
    DeviceChanged(kDevice, {{"Connected", QStringLiteral("false")}});
    Emit(kDevice, kProperties, "PropertiesChanged", {kDevice1, QStringLiteral("Connected"), false});
  }
  ManagedObjects Listing() const {
    ManagedObjects objects;
    const auto add = [&](const QString& path, const QString& interface, const QVariantMap& values) {
      objects[QDBusObjectPath(path)] = {{interface, values}};
    };
    add("/org/bluez/hci0", "org.bluez.Adapter1", {{"Powered", true}});
    if (listing_ == "adapter-only") return objects;
    add(kDevice, kDevice1, MouseProperties());
    add(kService, "org.bluez.GattService1", {{"Device", Path(kDevice)}});
    add(kWrite, kCharacteristic1,
        Characteristic("0000FEE3-0000-1000-8000-00805F9B34FB", kService, "write-without-response"));
    if (listing_ != "unresolved")
      add(kNotify, kCharacteristic1, Characteristic(kNotifyUuid, kService, "notify"));
    return objects;
  }

  QDBusConnection bus_;
  std::string listing_ = "good", write_ = "answer", notify_ = "answer";
  int calls_ = 0, writes_ = 0, stops_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) return 2;  // the usage is above
  qDBusRegisterMetaType<InterfaceMap>();
  qDBusRegisterMetaType<ManagedObjects>();
  QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), "fake");
  FakeBluez fake(bus);
  if (!bus.registerVirtualObject("/", &fake, QDBusConnection::SubPath) ||
      !bus.registerService("org.bluez")) {
    std::fprintf(stderr, "melko_fake_bluez: cannot serve org.bluez\n");
    return 1;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each answer goes at once
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    std::string line;
    if (!std::getline(std::cin, line)) return app.quit();
    std::puts(fake.Command(line).c_str());
  });
  std::puts("ready");
  return app.exec();
}
