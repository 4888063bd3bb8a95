// The driver-library socket: each library connects, says which link it is (hello wired or hello
// receiver), opens the device and writes feature reports; the mouse pushes status events and
// arrivals and removals to every connection of the link they belong to.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vmouse/link.h"
#include "vmouse/program/line_splitter.h"

class QLocalSocket;

namespace melko::vmouse {

class VirtualMouse;

class LibraryServer : public QObject {
  Q_OBJECT

 public:
  // Long enough for a whole macro report in hex, and far short of anything that could hurt.
  static constexpr std::size_t kMaxLineLength = 1024;
  // What may wait for a library that does not read: days of power events.
  static constexpr qint64 kMaxUnread = 1 << 20;

  explicit LibraryServer(VirtualMouse& mouse, QObject* parent = nullptr);
  ~LibraryServer() override;

  bool Listen(const QString& path, QString* error);

  void SendEvent(Link link, std::uint16_t event_word, std::uint16_t value);
  // The device of a link arrived or went: connect lines, and a removed device is closed.
  void DeviceChanged(Link link, bool present);

  // Called after every request, for the program to look at the mouse again.
  void SetAfterRequest(std::function<void()> after) { after_request_ = std::move(after); }

 private:
  struct Connection {
    QLocalSocket* socket = nullptr;
    LineSplitter lines{kMaxLineLength};
    std::optional<Link> link;  // set by hello
    bool open = false;
    bool closing = false;
  };

  void Accept();
  void Read(Connection& connection);
  void Handle(Connection& connection, const InputLine& line);
  void Hello(Connection& connection, const InputLine& line);
  void Send(Connection& connection, const std::string& line);
  void SendToLink(Link link, const std::string& line);
  void Drop(QLocalSocket* socket);

  VirtualMouse& mouse_;
  QLocalServer server_;
  std::vector<std::unique_ptr<Connection>> connections_;
  std::function<void()> after_request_;
  // While a request is answered, pushed lines wait so that they follow its answer.
  bool holding_ = false;
  std::vector<std::pair<Link, std::string>> held_;
};

}  // namespace melko::vmouse
