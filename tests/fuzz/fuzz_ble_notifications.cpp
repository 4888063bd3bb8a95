// Bluetooth LE status notifications as they arrive: each input is a characteristic's
// PropertiesChanged signal, sent over a private D-Bus peer connection so that it is read from the
// wire as BlueZ's would be, then read as the adapter reads it and handed, as the runtime does, to
// the notification handler of a page whose ports do nothing and to the status word.
//
// The first byte shapes the signal: bits 0-1 pick its interface argument, bits 2-4 the type of
// its Value, bit 5 adds a second changed property, bit 6 leaves the invalidated list out (a
// signal of another signature); the rest is the value.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDBusVariant>
#include <QEventLoop>
#include <cstdlib>
#include <optional>

#include "bluez/bluez_messages.h"
#include "bluez/bluez_names.h"
#include "device/ble_notification.h"
#include "null_ports.h"

namespace {

// A peer connection whose server side takes every PropertiesChanged signal the client sends.
class Peer final : public QObject {
  Q_OBJECT

 public:
  Peer() {
    connect(&server, &QDBusServer::newConnection, [this](const QDBusConnection& connection) {
      served = connection;
      served->connect({}, {}, "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                      SLOT(Take(QDBusMessage)));
    });
    client = QDBusConnection::connectToPeer(server.address(), "melko-fuzz-ble");
    while (!served) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }

  QDBusServer server{QStringLiteral("unix:tmpdir=/tmp")};
  std::optional<QDBusConnection> served, client;
  std::optional<QDBusMessage> received;  // a signal lost on the way hangs: libFuzzer's timeout

 public slots:
  void Take(const QDBusMessage& message) { received = message; }
};

QVariant ValueOfType(int type, const QByteArray& bytes) {
  if (type < 3) return bytes;  // ay, as BlueZ sends it
  if (type == 3) return QString::fromUtf8(bytes);
  if (type == 4) return bytes.isEmpty() ? 0u : unsigned(std::uint8_t(bytes[0]));
  if (type == 5) return QVariant::fromValue(QDBusVariant(bytes));
  if (type == 6) return QStringList{QString::fromLatin1(bytes)};
  return !bytes.isEmpty();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 64) return 0;
  const std::uint8_t shape = data[0];
  const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
  static const QString kInterfaces[] = {melko::bluez::kGattCharacteristicInterface,
                                        melko::bluez::kGattCharacteristicInterface,
                                        melko::bluez::kDeviceInterface, QString()};
  QVariantMap changed{{QStringLiteral("Value"), ValueOfType(shape >> 2 & 7, bytes)}};
  if (shape & 0x20) changed.insert(QStringLiteral("Notifying"), true);
  QDBusMessage signal =
      QDBusMessage::createSignal("/org/bluez/hci0/dev_AA/service0010/char0011",
                                 "org.freedesktop.DBus.Properties", "PropertiesChanged");
  signal << kInterfaces[shape & 3] << changed;
  if (!(shape & 0x40)) signal << QStringList();

  static Peer* peer = new Peer;
  peer->received.reset();
  if (!peer->client->send(signal)) return 0;
  // Delivery takes a moment on the connection's thread.
  while (!peer->received) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

  const auto value = melko::bluez::ReadNotifiedValue(*peer->received);
  const bool expected = (shape & 3) < 2 && (shape >> 2 & 7) < 3 && !(shape & 0x40);
  if (value.has_value() != expected || (value && *value != bytes)) std::abort();
  if (!value) return 0;

  // The handler of the running program, on one page and session for the whole run: a fresh
  // session's first save would cost more than the rest of the input.
  static melko::fuzz::NullDevice device(melko::fuzz::PrivateFolder());
  const std::span<const std::uint8_t> notified(reinterpret_cast<const std::uint8_t*>(value->data()),
                                               std::size_t(value->size()));
  melko::OnBleNotification(device.ctx, notified);
  if (melko::BleStatusWord(notified).has_value() != (notified.size() >= 4)) std::abort();
  return 0;
}

#include "fuzz_ble_notifications.moc"
