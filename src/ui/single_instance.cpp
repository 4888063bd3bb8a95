#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "profiles/data_folder.h"

namespace melko::ui {
namespace {

constexpr const char* kRequest = "show\n";
constexpr const char* kDone = "done\n";

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
  const QString base = folder + QLatin1Char('/') + QString::fromLatin1(kDataFolderName);
  lock_path_ = base + QStringLiteral(".lock");
  socket_path_ = base + QStringLiteral(".socket");
}

SingleInstance::~SingleInstance() {
  server_.close();
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

bool SingleInstance::TryLock() {
  if (lock_path_.isEmpty()) {
    error_ = QStringLiteral("no private runtime folder to keep the single-instance lock in");
    return true;  // runs on, without protection against a second copy
  }
  lock_fd_ = ::open(lock_path_.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd_ < 0) {
    error_ = lock_path_ + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
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
  // The running copy may still be starting: its socket appears shortly after its lock.
  for (int attempt = 0; attempt < 50; ++attempt) {
    QLocalSocket socket;
    socket.connectToServer(socket_path_);
    if (!socket.waitForConnected(200)) {
      QThread::msleep(100);
      continue;
    }
    socket.write(kRequest);
    socket.waitForBytesWritten(1000);
    // Handling may take as long as the user leaves a warning open.
    while (!socket.canReadLine()) {
      if (!socket.waitForReadyRead(-1)) return false;
    }
    return socket.readLine() == kDone;
  }
  return false;
}

bool SingleInstance::Listen(std::function<void()> on_request) {
  if (socket_path_.isEmpty()) return false;
  on_request_ = std::move(on_request);
  // The lock is ours: a socket file left there belongs to a copy that is gone.
  QLocalServer::removeServer(socket_path_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Serve);
  return server_.listen(socket_path_);
}

void SingleInstance::Serve() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
      if (!socket->canReadLine()) return;
      if (socket->readLine() != kRequest) {
        socket->disconnectFromServer();
        return;
      }
      if (on_request_) on_request_();
      socket->write(kDone);
      socket->flush();
      socket->disconnectFromServer();
    });
  }
}

}  // namespace melko::ui
