// A D-Bus daemon of the test's own (for the system or session bus), and a connection to it.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <atomic>
#include <filesystem>
#include <string>

#include "support/child_process.h"

namespace melko::testing {

class PrivateBus {
 public:
  explicit PrivateBus(const std::filesystem::path& folder)
      : daemon_({"/usr/bin/dbus-daemon", "--session", "--print-address=1", "--nofork"},
                folder / "dbus-daemon.err"),
        address_(daemon_.output().ReadLine().value_or("")) {}
  ~PrivateBus() {
    if (!connection_name_.isEmpty()) QDBusConnection::disconnectFromBus(connection_name_);
  }
  const std::string& address() const { return address_; }
  // Made on first use.
  QDBusConnection connection() {
    if (connection_name_.isEmpty()) {
      static std::atomic<int> counter{0};
      connection_name_ = QStringLiteral("melko-test-%1").arg(++counter);
      QDBusConnection::connectToBus(QString::fromStdString(address_), connection_name_);
    }
    return QDBusConnection(connection_name_);
  }
  // Ends the daemon: every connection to it is lost.
  void Kill() { daemon_.Stop(); }

 private:
  ChildProcess daemon_;
  std::string address_;
  QString connection_name_;
};

}  // namespace melko::testing
