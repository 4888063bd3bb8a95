#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>

#include "common/handover.h"
#include "common/runtime_folder.h"
#include "profiles/data_folder.h"

namespace melko::ui {
namespace {

// The request is one line: "show", then " token=..." and " startup-id=..." when the launch has
// them. The answer, once the request has been handled, is "done". Lines of melkoctl's hand-over
// (common/handover.h) go to their own handler.
constexpr char kShow[] = "show";
constexpr char kDone[] = "done\n";
constexpr std::size_t kLongestRequest = kLongestHandoverLine;
constexpr std::size_t kLongestValue = 400;
// A client that has not sent its request by then is dropped, and no more than this many wait.
constexpr int kClientPatienceMs = 5000;
constexpr std::size_t kMostClients = 16;

bool Address(const std::string& path, sockaddr_un& address) {
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool SendAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t sent = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    text.remove_prefix(std::size_t(sent));
  }
  return true;
}

// A value travels as it is: printable ASCII without spaces, quotes or backslashes, as tokens and
// startup ids are. Anything else is left out rather than passed on mangled.
bool Passable(const std::string& value) {
  if (value.empty() || value.size() > kLongestValue) return false;
  for (const char c : value) {
    if (c <= ' ' || c > '~' || c == '"' || c == '\\') return false;
  }
  return true;
}

std::string RequestLine(const LaunchActivation& activation) {
  std::string line = kShow;
  if (Passable(activation.token)) line += " token=" + activation.token;
  if (Passable(activation.startup_id)) line += " startup-id=" + activation.startup_id;
  return line + '\n';
}

// The activation of a request line; false for a line that is not a request.
bool ParseRequest(const std::string& line, LaunchActivation& activation) {
  std::istringstream words(line);
  std::string word;
  if (!(words >> word) || word != kShow) return false;
  while (words >> word) {
    const std::size_t equals = word.find('=');
    const std::string key = word.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : word.substr(equals + 1);
    if (!Passable(value)) continue;
    if (key == "token") activation.token = value;
    if (key == "startup-id") activation.startup_id = value;
  }
  return true;
}

// The second launch waits as long as the running copy takes: the user may leave a warning open.
bool AwaitDone(int fd) {
  std::string answer;
  char c = 0;
  while (answer.size() < sizeof kDone) {
    const ssize_t got = ::recv(fd, &c, 1, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    answer.push_back(c);
    if (c == '\n') return answer == kDone;
  }
  return false;
}

}  // namespace

struct SingleInstance::Client {
  int fd = -1;
  std::string received;
  bool handed_over = false;  // a hand-over request runs: only the client's hang-up is read
  std::unique_ptr<QSocketNotifier> readable;
  QTimer patience;
  ~Client() {
    readable.reset();
    ::close(fd);
  }
};

QString SingleInstance::RuntimeFolder() {
  return QString::fromStdString(PrivateRuntimeFolder());
}

SingleInstance::SingleInstance() {
  const QString folder = RuntimeFolder();
  if (folder.isEmpty()) return;
  const std::string base = folder.toStdString() + "/" + kDataFolderName;
  lock_path_ = base + ".lock";
  socket_path_ = base + ".socket";
}

SingleInstance::~SingleInstance() {
  clients_.clear();
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
  Listen();
  return true;
}

bool SingleInstance::Listen() {
  sockaddr_un address{};
  const auto fail = [this](const std::string& why) {
    error_ = QString::fromStdString("cannot listen on " + socket_path_ + ": " + why +
                                    "; a second launch cannot reach this copy");
    if (listen_fd_ >= 0) ::close(listen_fd_);
    listen_fd_ = -1;
    return false;
  };
  if (!Address(socket_path_, address)) return fail("the path is too long for a socket");
  // The lock is ours: a socket file left there belongs to a copy that is gone.
  ::unlink(socket_path_.c_str());
  listen_fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listen_fd_ < 0) return fail(std::strerror(errno));
  const mode_t mask = ::umask(077);
  const bool bound = ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  const int bind_errno = errno;
  ::umask(mask);
  if (!bound) return fail(std::strerror(bind_errno));
  if (::listen(listen_fd_, int(kMostClients)) != 0) return fail(std::strerror(errno));
  return true;
}

std::string SingleInstance::AskRunningCopyToShow(const LaunchActivation& activation) {
  sockaddr_un address{};
  if (!Address(socket_path_, address)) {
    return "another copy is running, but no socket path leads to it";
  }
  // The running copy opens its socket right after taking the lock: at most a moment to wait.
  int connect_errno = 0;
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::string("cannot make a socket: ") + std::strerror(errno);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      const bool done = SendAll(fd, RequestLine(activation)) && AwaitDone(fd);
      ::close(fd);
      return done ? std::string() : "the running copy did not answer";
    }
    connect_errno = errno;
    ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "another copy is running, but cannot be reached at " + socket_path_ + ": " +
         std::strerror(connect_errno);
}

void SingleInstance::Serve(std::function<void(const LaunchActivation&)> on_request) {
  on_request_ = std::move(on_request);
  StartAccepting();
}

void SingleInstance::StartAccepting() {
  if (listen_fd_ < 0 || notifier_) return;
  notifier_ = std::make_unique<QSocketNotifier>(listen_fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &SingleInstance::AcceptClients);
}

void SingleInstance::AcceptClients() {
  for (;;) {
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR) continue;
      if (errno == EMFILE || errno == ENFILE) {
        // Out of descriptors: the waiting client would wake the notifier again at once, so it
        // waits a second instead of the loop spinning.
        notifier_->setEnabled(false);
        QTimer::singleShot(1000, this, [this] { notifier_->setEnabled(true); });
      }
      return;  // none left (or a client gone before it was taken)
    }
    if (clients_.size() >= kMostClients) {
      ::close(fd);
      continue;
    }
    const int id = next_client_++;
    auto client = std::make_unique<Client>();
    client->fd = fd;
    client->readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(client->readable.get(), &QSocketNotifier::activated, this,
            [this, id] { ReadRequest(id); });
    client->patience.setSingleShot(true);
    connect(&client->patience, &QTimer::timeout, this, [this, id] { Drop(id); });
    client->patience.start(kClientPatienceMs);
    clients_[id] = std::move(client);
  }
}

void SingleInstance::ReadRequest(int id) {
  const auto found = clients_.find(id);
  if (found == clients_.end()) return;
  Client& client = *found->second;
  char chunk[256];
  for (;;) {
    const ssize_t got = ::recv(client.fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;  // the rest comes later
    if (got <= 0) return Drop(id);
    // While its request runs, a client says nothing more; reading on only notices it hang up.
    if (client.handed_over) continue;
    client.received.append(chunk, std::size_t(got));
    const std::size_t end = client.received.find('\n');
    if (end != std::string::npos) break;
    if (client.received.size() > kLongestRequest) {
      if (IsHandoverLine(client.received)) {
        const std::string answer =
            FormatHandoverAnswer({HandoverAnswerKind::kBadRequest, "the request is too long", {}});
        ::send(client.fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      }
      return Drop(id);
    }
  }
  const std::string line = client.received.substr(0, client.received.find('\n'));
  if (IsHandoverLine(line) && on_handover_) {
    client.handed_over = true;
    client.patience.stop();
    QMetaObject::invokeMethod(
        this, [this, id, line] { on_handover_(line, InstanceReply(this, id)); },
        Qt::QueuedConnection);
    return;
  }
  LaunchActivation activation;
  if (!ParseRequest(line, activation)) return Drop(id);
  // Handled on the event loop, not inside the notifier: the request may open a modal warning.
  client.readable->setEnabled(false);
  client.patience.stop();
  QMetaObject::invokeMethod(
      this, [this, id, activation] { Answer(id, activation); }, Qt::QueuedConnection);
}

void SingleInstance::Answer(int id, const LaunchActivation& activation) {
  if (on_request_) on_request_(activation);
  const auto found = clients_.find(id);
  if (found == clients_.end()) return;
  ::send(found->second->fd, kDone, sizeof kDone - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
  Drop(id);
}

void SingleInstance::ServeHandover(HandoverHandler on_handover) {
  on_handover_ = std::move(on_handover);
  StartAccepting();
}

bool SingleInstance::SendLine(int id, const std::string& line, bool last) {
  const auto found = clients_.find(id);
  if (found == clients_.end() || !found->second->handed_over) return false;
  // A few short lines: they fit the socket's buffer, so a client that does not read only loses
  // its answer, and nothing here waits for it.
  const ssize_t sent =
      ::send(found->second->fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (sent != ssize_t(line.size()) || last) {
    Drop(id);
    return false;
  }
  return true;
}

bool InstanceReply::Send(const std::string& line) const {
  return owner_ && owner_->SendLine(id_, line, false);
}

void InstanceReply::Finish(const std::string& line) const {
  if (owner_) owner_->SendLine(id_, line, true);
}

void SingleInstance::Drop(int id) {
  const auto found = clients_.find(id);
  if (found == clients_.end()) return;
  found->second->readable->setEnabled(false);
  found->second->patience.stop();
  // Gone on the next turn of the event loop: this may run inside the client's own notifier or
  // timer, which must not be deleted under it.
  QMetaObject::invokeMethod(
      this, [this, id] { clients_.erase(id); }, Qt::QueuedConnection);
}

}  // namespace melko::ui
