#include "bluez/bluez_ble_transport.h"

#include <QDBusPendingCallWatcher>
#include <utility>

#include "bluez/bluez_messages.h"
#include "bluez/bluez_names.h"

namespace melko::bluez {
namespace {

QString Latin1(const char* text) {
  return QString::fromLatin1(text);
}

std::string Describe(const QDBusMessage& reply) {
  if (reply.type() == QDBusMessage::ErrorMessage) {
    return (reply.errorName() + QStringLiteral(": ") + reply.errorMessage()).toStdString();
  }
  return "a reply of signature \"" + reply.signature().toStdString() + "\"";
}

const QStringList& WriteFlags() {
  static const QStringList flags{QStringLiteral("write"), QStringLiteral("write-without-response"),
                                 QStringLiteral("reliable-write")};
  return flags;
}

const QStringList& NotifyFlags() {
  static const QStringList flags{QStringLiteral("notify"), QStringLiteral("indicate")};
  return flags;
}

}  // namespace

BluezBleTransport::BluezBleTransport(QDBusConnection bus, BluezHandlers handlers,
                                     int call_timeout_ms)
    : bus_(std::move(bus)),
      handlers_(std::move(handlers)),
      call_timeout_ms_(call_timeout_ms),
      bluez_watcher_(Latin1(kService), bus_, QDBusServiceWatcher::WatchForOwnerChange) {
  RegisterDbusTypes();
  // Presence: objects added and removed, and devices that connect or disconnect. Signals go to
  // string-form slots taking the whole message, so that each reader checks the shape itself.
  bus_.connect(Latin1(kService), Latin1(kObjectManagerPath), Latin1(kObjectManagerInterface),
               QStringLiteral("InterfacesAdded"), this, SLOT(OnInterfacesAdded(QDBusMessage)));
  bus_.connect(Latin1(kService), Latin1(kObjectManagerPath), Latin1(kObjectManagerInterface),
               QStringLiteral("InterfacesRemoved"), this, SLOT(OnInterfacesRemoved(QDBusMessage)));
  bus_.connect(Latin1(kService), QString(), Latin1(kPropertiesInterface),
               QStringLiteral("PropertiesChanged"), QStringList{Latin1(kDeviceInterface)},
               QString(), this, SLOT(OnDevicePropertiesChanged(QDBusMessage)));
  // BlueZ itself going away takes the mouse with it; coming back, it is listed afresh.
  connect(&bluez_watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
          [this](const QString&, const QString& old_owner, const QString& new_owner) {
            if (!old_owner.isEmpty()) OnBluezVanished();
            if (!new_owner.isEmpty()) OnBluezAppeared();
          });
}

BluezBleTransport::~BluezBleTransport() = default;

void BluezBleTransport::SetMatch(const std::string& vendor_text, const std::string& product_text) {
  const bool attach = !vendor_text.empty() && !product_text.empty();
  std::lock_guard lock(mutex_);
  attached_ = attach;
  if (!attach) write_path_.clear();
}

std::int32_t BluezBleTransport::Write(std::span<const std::uint8_t> report) {
  QString path;
  {
    std::lock_guard lock(mutex_);
    if (!attached_) return 0;
    path = write_path_;
  }
  const QByteArray value(reinterpret_cast<const char*>(report.data()), qsizetype(report.size()));
  if (!path.isEmpty()) {
    const CallOutcome outcome = WriteValue(path, value);
    if (outcome == CallOutcome::kDone) return 1;
    ForgetWritePath(path);
    if (outcome == CallOutcome::kNoAnswer) return 0;
  }
  path = ResolveWritePath();
  if (path.isEmpty()) return 0;
  if (WriteValue(path, value) == CallOutcome::kDone) return 1;
  ForgetWritePath(path);
  return 0;
}

void BluezBleTransport::OpenNotifications() {
  {
    std::lock_guard lock(mutex_);
    if (!attached_) return;
  }
  const std::uint64_t generation = generation_;
  CallLater(Latin1(kObjectManagerPath), kObjectManagerInterface, "GetManagedObjects", {},
            [this, generation](const QDBusMessage& reply) {
              if (generation != generation_) return;
              if (const auto objects = ReadManagedObjects(reply)) {
                Subscribe(*objects);
              } else {
                Debug("bluez: GetManagedObjects: " + Describe(reply));
              }
            });
}

void BluezBleTransport::Subscribe(const ObjectSnapshot& objects) {
  {
    std::lock_guard lock(mutex_);
    if (!attached_) return;
  }
  const QStringList paths =
      objects.MouseCharacteristics(Latin1(kNotifyCharacteristicUuid), NotifyFlags());
  if (paths.isEmpty()) Debug("bluez: the mouse has no notify characteristic");
  const std::uint64_t generation = generation_;
  for (const QString& path : paths) {
    if (subscribed_.contains(path) || subscribing_.contains(path)) continue;
    // Listening first, so that no value between the answer and the connection is lost.
    ConnectCharacteristic(path, true);
    subscribing_ << path;
    CallLater(path, kGattCharacteristicInterface, "StartNotify", {},
              [this, path, generation](const QDBusMessage& reply) {
                const bool started = OutcomeOf(reply) == CallOutcome::kDone;
                if (generation != generation_ || subscribing_.removeAll(path) == 0) {
                  // Closed, or the mouse went, meanwhile: what was started is stopped again,
                  // unless a newer subscription to it is being made or held.
                  if (started && !subscribing_.contains(path) && !subscribed_.contains(path)) {
                    CallLater(path, kGattCharacteristicInterface, "StopNotify", {}, {});
                  }
                  return;
                }
                if (started) {
                  subscribed_ << path;
                  return;
                }
                ConnectCharacteristic(path, false);
                Debug("bluez: StartNotify on " + path.toStdString() + ": " + Describe(reply));
              });
  }
}

void BluezBleTransport::CloseNotifications() {
  ++generation_;
  for (const QString& path : std::exchange(subscribing_, QStringList())) {
    ConnectCharacteristic(path, false);
  }
  for (const QString& path : std::exchange(subscribed_, QStringList())) {
    ConnectCharacteristic(path, false);
    CallLater(path, kGattCharacteristicInterface, "StopNotify", {},
              [this, path](const QDBusMessage& reply) {
                if (OutcomeOf(reply) != CallOutcome::kDone) {
                  Debug("bluez: StopNotify on " + path.toStdString() + ": " + Describe(reply));
                }
              });
  }
}

bool BluezBleTransport::MousePresentNow() {
  if (const auto objects = ListObjects()) {
    watch_.Reset(*objects);
  } else {
    watch_.Clear();
  }
  return watch_.present();
}

QDBusMessage BluezBleTransport::MethodCall(const QString& path, const char* interface,
                                           const char* method, const QVariantList& arguments) {
  QDBusMessage message =
      QDBusMessage::createMethodCall(Latin1(kService), path, Latin1(interface), Latin1(method));
  message.setArguments(arguments);
  return message;
}

QDBusMessage BluezBleTransport::Call(const QString& path, const char* interface, const char* method,
                                     const QVariantList& arguments) const {
  return bus_.call(MethodCall(path, interface, method, arguments), QDBus::Block, call_timeout_ms_);
}

void BluezBleTransport::CallLater(const QString& path, const char* interface, const char* method,
                                  const QVariantList& arguments, ReplyHandler done) {
  auto* watcher = new QDBusPendingCallWatcher(
      bus_.asyncCall(MethodCall(path, interface, method, arguments), call_timeout_ms_), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done = std::move(done)] {
    watcher->deleteLater();
    if (done) done(watcher->reply());
  });
}

BluezBleTransport::CallOutcome BluezBleTransport::OutcomeOf(const QDBusMessage& reply) {
  if (reply.type() == QDBusMessage::ReplyMessage) return CallOutcome::kDone;
  const QString name = reply.errorName();
  if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
      name == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
      name == QLatin1String("org.freedesktop.DBus.Error.TimedOut")) {
    return CallOutcome::kNoAnswer;
  }
  return CallOutcome::kFailed;
}

std::optional<ObjectSnapshot> BluezBleTransport::ListObjects() const {
  const QDBusMessage reply =
      Call(Latin1(kObjectManagerPath), kObjectManagerInterface, "GetManagedObjects");
  auto objects = ReadManagedObjects(reply);
  if (!objects) Debug("bluez: GetManagedObjects: " + Describe(reply));
  return objects;
}

BluezBleTransport::CallOutcome BluezBleTransport::WriteValue(const QString& path,
                                                             const QByteArray& value) const {
  // No options: BlueZ picks the kind of write from the characteristic's flags, and a value
  // longer than one packet goes out as one long write.
  const QDBusMessage reply =
      Call(path, kGattCharacteristicInterface, "WriteValue", {value, QVariantMap()});
  const CallOutcome outcome = OutcomeOf(reply);
  if (outcome != CallOutcome::kDone) {
    Debug("bluez: WriteValue on " + path.toStdString() + ": " + Describe(reply));
  }
  return outcome;
}

QString BluezBleTransport::ResolveWritePath() {
  const auto objects = ListObjects();
  if (!objects) return {};
  const QStringList paths =
      objects->MouseCharacteristics(Latin1(kWriteCharacteristicUuid), WriteFlags());
  if (paths.isEmpty()) {
    Debug("bluez: no connected mouse with a write characteristic");
    return {};
  }
  std::lock_guard lock(mutex_);
  if (!attached_) return {};
  write_path_ = paths.front();
  return write_path_;
}

void BluezBleTransport::ForgetWritePath(const QString& path) {
  std::lock_guard lock(mutex_);
  if (path.isEmpty() || write_path_ == path) write_path_.clear();
}

void BluezBleTransport::Debug(const std::string& line) const {
  if (handlers_.on_debug) handlers_.on_debug(line);
}

void BluezBleTransport::ConnectCharacteristic(const QString& path, bool on) {
  const QStringList match{Latin1(kGattCharacteristicInterface)};
  if (on) {
    bus_.connect(Latin1(kService), path, Latin1(kPropertiesInterface),
                 QStringLiteral("PropertiesChanged"), match, QString(), this,
                 SLOT(OnCharacteristicPropertiesChanged(QDBusMessage)));
  } else {
    bus_.disconnect(Latin1(kService), path, Latin1(kPropertiesInterface),
                    QStringLiteral("PropertiesChanged"), match, QString(), this,
                    SLOT(OnCharacteristicPropertiesChanged(QDBusMessage)));
  }
}

void BluezBleTransport::DropSubscription(const QString& path) {
  if (subscribed_.removeAll(path) + subscribing_.removeAll(path) > 0) {
    ConnectCharacteristic(path, false);
  }
}

void BluezBleTransport::DropAllSubscriptions() {
  ++generation_;
  for (const QString& path :
       std::exchange(subscribed_, QStringList()) + std::exchange(subscribing_, QStringList())) {
    ConnectCharacteristic(path, false);
  }
}

void BluezBleTransport::AnnouncePresence(bool was_present) {
  const bool present = watch_.present();
  if (present == was_present) return;
  if (present) {
    if (handlers_.on_mouse_arrived) handlers_.on_mouse_arrived();
    return;
  }
  // The device's objects and subscriptions went with it.
  ForgetWritePath(QString());
  DropAllSubscriptions();
  if (handlers_.on_mouse_gone) handlers_.on_mouse_gone();
}

void BluezBleTransport::OnBluezAppeared() {
  CallLater(Latin1(kObjectManagerPath), kObjectManagerInterface, "GetManagedObjects", {},
            [this](const QDBusMessage& reply) {
              const auto objects = ReadManagedObjects(reply);
              if (!objects) {
                Debug("bluez: GetManagedObjects: " + Describe(reply));
                return;
              }
              const bool was_present = watch_.present();
              watch_.Reset(*objects);
              AnnouncePresence(was_present);
            });
}

void BluezBleTransport::OnBluezVanished() {
  const bool was_present = watch_.present();
  watch_.Clear();
  ForgetWritePath(QString());
  DropAllSubscriptions();
  AnnouncePresence(was_present);
}

void BluezBleTransport::OnInterfacesAdded(const QDBusMessage& message) {
  const auto added = ReadInterfacesAdded(message);
  if (!added) return;
  const bool was_present = watch_.present();
  watch_.InterfacesAdded(added->path, added->interfaces);
  AnnouncePresence(was_present);
  // BlueZ resolves the GATT services some time after the connection (and after the start's
  // subscription may have found none): a notify characteristic that appears is subscribed now.
  const auto characteristic = added->interfaces.constFind(Latin1(kGattCharacteristicInterface));
  if (characteristic != added->interfaces.constEnd() &&
      UuidStartsWith(StringProperty(*characteristic, "UUID").value_or(QString()),
                     Latin1(kNotifyCharacteristicUuid))) {
    OpenNotifications();
  }
}

void BluezBleTransport::OnInterfacesRemoved(const QDBusMessage& message) {
  const auto removed = ReadInterfacesRemoved(message);
  if (!removed) return;
  if (removed->interfaces.contains(Latin1(kGattCharacteristicInterface))) {
    DropSubscription(removed->path);
    ForgetWritePath(removed->path);
  }
  const bool was_present = watch_.present();
  watch_.InterfacesRemoved(removed->path, removed->interfaces);
  AnnouncePresence(was_present);
}

void BluezBleTransport::OnDevicePropertiesChanged(const QDBusMessage& message) {
  const auto changed = ReadPropertiesChanged(message);
  if (!changed || changed->interface != Latin1(kDeviceInterface)) return;
  const QString path = message.path();
  // Services resolved: the characteristics are listed now, whatever was missing before.
  if (BoolProperty(changed->changed, "ServicesResolved").value_or(false)) OpenNotifications();
  const bool was_present = watch_.present();
  if (watch_.DeviceChanged(path, changed->changed)) {
    AnnouncePresence(was_present);
    return;
  }
  if (!changed->changed.contains(QStringLiteral("Connected")) &&
      !changed->changed.contains(QStringLiteral("Modalias"))) {
    return;
  }
  // A device not listed yet: its identity is needed too.
  CallLater(path, kPropertiesInterface, "GetAll", {Latin1(kDeviceInterface)},
            [this, path](const QDBusMessage& reply) {
              const auto properties = ReadProperties(reply);
              if (!properties) {
                Debug("bluez: GetAll on " + path.toStdString() + ": " + Describe(reply));
                return;
              }
              const bool was = watch_.present();
              watch_.Learn(path, *properties);
              AnnouncePresence(was);
            });
}

void BluezBleTransport::OnCharacteristicPropertiesChanged(const QDBusMessage& message) {
  const QString path = message.path();
  if (!subscribed_.contains(path) && !subscribing_.contains(path)) return;
  const auto value = ReadNotifiedValue(message);
  if (!value || !handlers_.on_notification) return;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(value->constData());
  handlers_.on_notification(std::vector<std::uint8_t>(bytes, bytes + value->size()));
}

}  // namespace melko::bluez
