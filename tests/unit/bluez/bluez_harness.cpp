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

extern char** environ;

namespace melko::bluez::test {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? int(left.count()) : 0;
}

bool WaitReadable(int fd, int timeout_ms) {
  pollfd entry{fd, POLLIN, 0};
  int result;
  do {
    result = ::poll(&entry, 1, timeout_ms);
  } while (result < 0 && errno == EINTR);
  return result > 0;
}

// This process's environment with `changes` made: NAME=VALUE entries, ready for execve.
std::vector<std::string> Environment(const std::map<std::string, std::string>& changes) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (!changes.contains(text.substr(0, text.find('=')))) entries.push_back(text);
  }
  for (const auto& [name, value] : changes) {
    if (!value.empty()) entries.push_back(name + "=" + value);
  }
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
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

bool LineReader::Fill(Clock::time_point deadline) {
  if (ended_ || !WaitReadable(fd_, MsLeft(deadline))) return false;
  char chunk[4096];
  const ssize_t count = ::read(fd_, chunk, sizeof chunk);
  if (count <= 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(chunk, std::size_t(count));
  return true;
}

std::optional<std::string> LineReader::ReadLine(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const std::size_t newline = buffer_.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffer_.substr(0, newline);
      buffer_.erase(0, newline + 1);
      return line;
    }
    if (!Fill(deadline)) return std::nullopt;
  }
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::filesystem::path& error_file,
                           const std::map<std::string, std::string>& env) {
  // Everything the child needs is made before fork: other threads may hold the allocator.
  std::vector<std::string> args = argv;
  std::vector<std::string> environment = Environment(env);
  std::vector<char*> arg_pointers = Pointers(args);
  std::vector<char*> env_pointers = Pointers(environment);
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const int errors = ::open(error_file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    ::dup2(errors, 2);
    ::execve(arg_pointers[0], arg_pointers.data(), env_pointers.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(errors);
  input_ = in[1];
  output_ = LineReader(out[0]);
  pidfd_ = int(::syscall(SYS_pidfd_open, pid_, 0));
}

ChildProcess::~ChildProcess() {
  if (running()) Stop();
  if (input_ >= 0) ::close(input_);
  if (output_.fd() >= 0) ::close(output_.fd());
  if (pidfd_ >= 0) ::close(pidfd_);
}

void ChildProcess::WriteLine(std::string_view line) {
  const std::string text = std::string(line) + "\n";
  // A child that is gone must not take the test with it.
  ::signal(SIGPIPE, SIG_IGN);
  [[maybe_unused]] const ssize_t written = ::write(input_, text.data(), text.size());
}

std::string ChildProcess::Ask(std::string_view line) {
  WriteLine(line);
  return output_.ReadLine().value_or("(no answer)");
}

std::optional<int> ChildProcess::WaitExit(int timeout_ms) {
  if (status_) return status_;
  if (pid_ <= 0 || !WaitReadable(pidfd_, timeout_ms)) return std::nullopt;
  int status = 0;
  ::waitpid(pid_, &status, 0);
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return status_;
}

int ChildProcess::Stop(int timeout_ms) {
  if (!running()) return status_.value_or(-1);
  ::kill(pid_, SIGTERM);
  if (auto status = WaitExit(timeout_ms)) return *status;
  ::kill(pid_, SIGKILL);
  return WaitExit(timeout_ms).value_or(-1);
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
