#include "unit/bluez/bluez_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <stdexcept>

namespace melko::bluez::test {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? int(left.count()) : 0;
}

}  // namespace

bool SpinUntil(const std::function<bool()>& done, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    const int left = MsLeft(deadline);
    if (left == 0) break;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, std::min(left, 20));
  }
  return done();
}

void SpinFor(int ms) {
  SpinUntil([] { return false; }, ms);
}

bool OpenAndWait(BluezBleTransport& transport, int count) {
  transport.OpenNotifications();
  return SpinUntil([&] { return transport.subscribed().size() == count; });
}

std::string BinPath(const std::string& name) {
  return std::string(MELKO_BIN_DIR) + "/" + name;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

BluezHandlers Recorder::Handlers() {
  BluezHandlers handlers;
  handlers.on_notification = [this](std::vector<std::uint8_t> value) {
    values.push_back(std::move(value));
  };
  handlers.on_mouse_arrived = [this] { ++arrived; };
  handlers.on_mouse_gone = [this] { ++gone; };
  return handlers;
}

std::vector<std::string> Recorder::EventValues() const {
  std::vector<std::string> hex;
  for (const auto& value : values) {
    if (value.size() >= 2 && value[0] == 0x10 && value[1] == 0x40) continue;
    hex.push_back(Hex(value));
  }
  return hex;
}

PrivateBus::PrivateBus(const std::filesystem::path& folder)
    : daemon_({"/usr/bin/dbus-daemon", "--session", "--print-address=1", "--nofork"},
              folder / "dbus-daemon.err") {
  address_ = daemon_.output().ReadLine().value_or("");
}

PrivateBus::~PrivateBus() {
  if (!connection_name_.isEmpty()) QDBusConnection::disconnectFromBus(connection_name_);
}

QDBusConnection PrivateBus::connection() {
  if (connection_name_.isEmpty()) {
    static std::atomic<int> counter{0};
    connection_name_ = QStringLiteral("melko-test-%1").arg(++counter);
    QDBusConnection::connectToBus(QString::fromStdString(address_), connection_name_);
  }
  return QDBusConnection(connection_name_);
}

Vmouse::Vmouse(const std::filesystem::path& folder, const std::string& bus,
               const std::vector<std::string>& options)
    : folder_(folder) {
  std::vector<std::string> argv{BinPath("melko-vmouse"),
                                "--socket",
                                socket_path(),
                                "--log",
                                (folder_ / "writes.log").string(),
                                "--bluez-bus",
                                bus};
  argv.insert(argv.end(), options.begin(), options.end());
  process_ = std::make_unique<ChildProcess>(argv, folder_ / "vmouse.err");
  // Answering on standard input means the sockets and the mock BlueZ are up.
  started_ = Command("state").starts_with("{");
}

Vmouse::~Vmouse() {
  process_->Stop();
}

std::vector<std::string> Vmouse::LogLines() const {
  std::ifstream in(folder_ / "writes.log");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Vmouse::BleWrites() const {
  std::vector<std::string> hex;
  for (const std::string& line : LogLines()) {
    if (line.find("\"link\":\"ble\"") == std::string::npos) continue;
    const std::string key = "\"hex\":\"";
    const std::size_t start = line.find(key);
    if (start == std::string::npos) continue;
    const std::size_t end = line.find('"', start + key.size());
    hex.push_back(line.substr(start + key.size(), end - start - key.size()));
  }
  return hex;
}

}  // namespace melko::bluez::test
