// A D-Bus daemon of the test's own (for the system or session bus), a connection to it, and the
// Qt event loop run while its peers answer.
#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QString>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

#include "support/child_process.h"

namespace melko::testing {

// Runs the Qt event loop until done() holds or the time is up; returns done().
inline bool SpinUntil(const std::function<bool()>& done, int timeout_ms = 5000) {
  const QDeadlineTimer deadline(timeout_ms);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                    int(std::min<qint64>(deadline.remainingTime() + 1, 20)));
  }
  return done();
}

// Runs the Qt event loop for a while (to see that something does not happen).
inline void SpinFor(int ms) {
  SpinUntil([] { return false; }, ms);
}

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
