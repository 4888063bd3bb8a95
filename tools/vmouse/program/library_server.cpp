#include "vmouse/program/library_server.h"

#include <QLocalSocket>
#include <algorithm>
#include <utility>

#include "vmouse/program/library_requests.h"
#include "vmouse/program/local_listen.h"
#include "vmouse/program/virtual_mouse.h"

namespace melko::vmouse {

LibraryServer::LibraryServer(VirtualMouse& mouse, QObject* parent)
    : QObject(parent), mouse_(mouse) {
  connect(&server_, &QLocalServer::newConnection, this, &LibraryServer::Accept);
}

LibraryServer::~LibraryServer() {
  for (auto& connection : connections_) {
    connection->socket->disconnect(this);
    connection->socket->abort();
  }
  server_.close();
}

bool LibraryServer::Listen(const QString& path, QString* error) {
  return ListenAt(server_, path, error);
}

void LibraryServer::Accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    auto connection = std::make_unique<Connection>();
    connection->socket = socket;
    Connection* raw = connection.get();
    connections_.push_back(std::move(connection));
    connect(socket, &QLocalSocket::readyRead, this, [this, raw] { Read(*raw); });
    // Queued: a write that finds the peer gone must not delete the connection under its caller.
    connect(
        socket, &QLocalSocket::disconnected, this, [this, socket] { Drop(socket); },
        Qt::QueuedConnection);
  }
}

void LibraryServer::Drop(QLocalSocket* socket) {
  std::erase_if(connections_, [socket](const auto& c) { return c->socket == socket; });
  socket->deleteLater();
}

void LibraryServer::Read(Connection& connection) {
  const QByteArray bytes = connection.socket->readAll();
  for (const InputLine& line : connection.lines.Feed({bytes.constData(), size_t(bytes.size())})) {
    if (connection.closing) return;
    holding_ = true;
    Handle(connection, line);
    holding_ = false;
    for (const auto& [link, held] : std::exchange(held_, {})) SendToLink(link, held);
    if (after_request_) after_request_();
  }
}

void LibraryServer::Handle(Connection& connection, const InputLine& line) {
  if (!connection.link) {
    Hello(connection, line);
    return;
  }
  if (line.too_long) {
    Send(connection, "error: line longer than " + std::to_string(kMaxLineLength) + " bytes");
    return;
  }
  const ParsedRequest parsed = ParseLibraryRequest(line.text);
  if (!parsed.request) {
    Send(connection, "error: " + parsed.error);
    return;
  }
  const LibraryRequest& request = *parsed.request;
  const Link link = *connection.link;
  switch (request.kind) {
    case RequestKind::kHello:
      Send(connection, "error: hello was already said");
      break;
    case RequestKind::kOpen:
      connection.open = mouse_.present(link);
      Send(connection, OpenLine(connection.open));
      break;
    case RequestKind::kClose:
      connection.open = false;
      break;
    case RequestKind::kFeature: {
      const bool written = connection.open && mouse_.Write(link, request.bytes);
      Send(connection, ResultLine(written));
      break;
    }
  }
}

void LibraryServer::Hello(Connection& connection, const InputLine& line) {
  const ParsedRequest parsed = line.too_long ? ParsedRequest{} : ParseLibraryRequest(line.text);
  if (parsed.request && parsed.request->kind == RequestKind::kHello) {
    connection.link = parsed.request->link;
    Send(connection, "ok");
    return;
  }
  Send(connection, "error: the first line must be hello wired or hello receiver");
  connection.closing = true;
  connection.socket->disconnectFromServer();  // after the answer has gone out
}

void LibraryServer::Send(Connection& connection, const std::string& line) {
  if (connection.closing) return;
  if (connection.socket->bytesToWrite() > kMaxUnread) {
    // A library that stopped reading would have the mouse hold its events forever.
    connection.closing = true;
    connection.socket->abort();
    return;
  }
  connection.socket->write(line.data(), qint64(line.size()));
  connection.socket->write("\n", 1);
  connection.socket->flush();
}

void LibraryServer::SendToLink(Link link, const std::string& line) {
  if (holding_) {
    held_.emplace_back(link, line);
    return;
  }
  for (auto& connection : connections_) {
    if (connection->link == link) Send(*connection, line);
  }
}

void LibraryServer::SendEvent(Link link, std::uint16_t event_word, std::uint16_t value) {
  SendToLink(link, EventLine(event_word, value));
}

void LibraryServer::DeviceChanged(Link link, bool present) {
  // A removed device takes its open handles with it; the library opens it again on arrival.
  if (!present) {
    for (auto& connection : connections_) {
      if (connection->link == link) connection->open = false;
    }
  }
  SendToLink(link, ConnectLine(present));
}

}  // namespace melko::vmouse
