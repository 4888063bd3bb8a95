#include "vmouse/program/control_server.h"

#include <fcntl.h>
#include <unistd.h>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>

#include "vmouse/program/local_listen.h"

namespace melko::vmouse {

ControlServer::ControlServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
  connect(&server_, &QLocalServer::newConnection, this, &ControlServer::Accept);
}

ControlServer::~ControlServer() {
  for (auto& client : clients_) {
    client->socket->disconnect(this);
    client->socket->abort();
  }
  server_.close();
}

bool ControlServer::Listen(const QString& path, QString* error) {
  return ListenAt(server_, path, error);
}

void ControlServer::Accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    auto client = std::make_unique<Client>();
    client->socket = socket;
    Client* raw = client.get();
    clients_.push_back(std::move(client));
    connect(socket, &QLocalSocket::readyRead, this, [this, raw] { ReadClient(*raw); });
    connect(
        socket, &QLocalSocket::disconnected, this,
        [this, socket] {
          std::erase_if(clients_, [socket](const auto& c) { return c->socket == socket; });
          socket->deleteLater();
        },
        Qt::QueuedConnection);
  }
}

bool ControlServer::Answer(LineSplitter& lines, std::string_view bytes,
                           const std::function<void(const std::string&)>& reply) {
  for (const InputLine& line : lines.Feed(bytes)) {
    if (line.too_long) {
      reply("error: command longer than " + std::to_string(kMaxLineLength) + " bytes");
      continue;
    }
    const CommandAnswer answer = handler_(line.text);
    reply(answer.text);
    if (answer.quit) return true;
  }
  return false;
}

void ControlServer::ReadClient(Client& client) {
  QLocalSocket* socket = client.socket;
  const QByteArray bytes = socket->readAll();
  const bool quit = Answer(client.lines, {bytes.constData(), size_t(bytes.size())},
                           [socket](const std::string& text) {
                             socket->write(text.data(), qint64(text.size()));
                             socket->write("\n", 1);
                             socket->flush();
                           });
  if (quit) emit QuitRequested();
}

void ControlServer::ReadStandardInput() {
  if (::fcntl(STDIN_FILENO, F_GETFD) < 0) return;  // started without one
  // Started in the background of a shell, reading the terminal must fail rather than stop us.
  std::signal(SIGTTIN, SIG_IGN);
  stdin_notifier_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
  connect(stdin_notifier_.get(), &QSocketNotifier::activated, this, &ControlServer::ReadStdin);
}

void ControlServer::ReadStdin() {
  char buffer[4096];
  const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
  if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (count <= 0) {
    // Standard input ended, or is a terminal the program runs in the background of (EIO, as
    // SIGTTIN is ignored): the control socket still takes commands.
    stdin_notifier_->setEnabled(false);
    return;
  }
  const bool quit = Answer(stdin_lines_, {buffer, size_t(count)}, [](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  });
  if (quit) emit QuitRequested();
}

}  // namespace melko::vmouse
