#include "qt/dbus_notifier.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace melko {

void DbusNotifier::Notify(const std::string& title, const std::string& body) {
  if (!bus_.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // app name, id to replace (none), icon, summary, body, actions, hints, timeout (the server's).
  call << app_name_ << 0u << app_icon_ << QString::fromStdString(title)
       << QString::fromStdString(body) << QStringList() << QVariantMap() << -1;
  // No answer is awaited; an error (no service) is dropped with it.
  call.setAutoStartService(true);
  bus_.send(call);
}

}  // namespace melko
