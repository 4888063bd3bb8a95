#include "ui/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "profiles/data_folder.h"

namespace melko::ui {
namespace {

constexpr char kRequest[] = "show\n";
constexpr char kDone[] = "done\n";

bool Address(const std::string& path, sockaddr_un& address) {
  if (path.size() >= sizeof address.sun_path) return false;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool SendAll(int fd, const char* text) {
  std::size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t sent = ::send(fd, text, left, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    text += sent;
    left -= std::size_t(sent);
  }
  return true;
}

// Reads up to the first newline; the line with it, or nothing when the peer went away, sent more
// than 64 bytes or (timeout_ms not negative) took longer than timeout_ms for the whole line.
std::string ReadLine(int fd, int timeout_ms) {
  using std::chrono::steady_clock;
  const steady_clock::time_point deadline =
      steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string line;
  char c = 0;
  while (line.size() < 64) {
    int wait_ms = -1;
    if (timeout_ms >= 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - steady_clock::now());
      wait_ms = int(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }
    pollfd readable{fd, POLLIN, 0};
    if (::poll(&readable, 1, wait_ms) <= 0) return {};
    const ssize_t got = ::recv(fd, &c, 1, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return {};
    if (c == '\n') return line + '\n';
    line.push_back(c);
  }
  return {};
}

}  // namespace

QString SingleInstance::RuntimeFolder() {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  struct stat info {};
  if (!runtime.isEmpty() && runtime.startsWith('/') && ::stat(runtime.constData(), &info) == 0 &&
      S_ISDIR(info.st_mode)) {
    return QString::fromLocal8Bit(runtime);
  }
  // A folder of our own in the temporary folder, which only we may enter.
  const QByteArray temp = qgetenv("TMPDIR").isEmpty() ? QByteArray("/tmp") : qgetenv("TMPDIR");
  const QString folder =
      QString::fromLocal8Bit(temp) + QStringLiteral("/melko-") + QString::number(::getuid());
  const QByteArray path = folder.toLocal8Bit();
  ::mkdir(path.constData(), 0700);
  if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
      info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
    return {};  // someone else's, or open to others: not safe to use
  }
  return folder;
}

SingleInstance::SingleInstance() {
  const QString folder = RuntimeFolder();
  if (folder.isEmpty()) return;
  const std::string base = folder.toStdString() + "/" + kDataFolderName;
  lock_path_ = base + ".lock";
  socket_path_ = base + ".socket";
}

SingleInstance::~SingleInstance() {
  notifier_.reset();
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
    ::unlink(socket_path_.c_str());
  }
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

bool SingleInstance::TryLock() {
  if (lock_path_.empty()) {
    error_ = QStringLiteral("no private runtime folder to keep the single-instance lock in");
    return true;
  }
  lock_fd_ = ::open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd_ < 0) {
    error_ = QString::fromStdString(lock_path_ + ": " + std::strerror(errno));
    return true;
  }
  while (::flock(lock_fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    ::close(lock_fd_);
    lock_fd_ = -1;
    return false;
  }
  return true;
}

bool SingleInstance::AskRunningCopyToShow() {
  sockaddr_un address{};
  if (!Address(socket_path_, address)) return false;
  // The running copy may still be starting: its socket appears shortly after its lock.
  for (int attempt = 0; attempt < 50; ++attempt) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    // Handling may take as long as the user leaves a warning open.
    const bool done = SendAll(fd, kRequest) && ReadLine(fd, -1) == kDone;
    ::close(fd);
    return done;
  }
  return false;
}

bool SingleInstance::Listen(std::function<void()> on_request) {
  sockaddr_un address{};
  if (!Address(socket_path_, address)) return false;
  on_request_ = std::move(on_request);
  // The lock is ours: a socket file left there belongs to a copy that is gone.
  ::unlink(socket_path_.c_str());
  listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listen_fd_ < 0) return false;
  const mode_t mask = ::umask(077);
  const bool bound = ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::umask(mask);
  if (!bound || ::listen(listen_fd_, 4) != 0) {
    ::close(listen_fd_);
    listen_fd_ = -1;
    return false;
  }
  notifier_ = std::make_unique<QSocketNotifier>(listen_fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &SingleInstance::Serve);
  return true;
}

void SingleInstance::Serve() {
  for (;;) {
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    // A second launch writes its one line at once; one that does not is not waited for long.
    if (ReadLine(fd, 1000) == kRequest) {
      if (on_request_) on_request_();
      SendAll(fd, kDone);
    }
    ::close(fd);
  }
}

}  // namespace melko::ui
