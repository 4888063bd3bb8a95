// Where commands come in: the control socket (PATH.ctl, one command per line, each answered with
// one line) and standard input (answers on standard output).
#pragma once

#include <QLocalServer>
#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vmouse/program/line_splitter.h"
#include "vmouse/program/virtual_mouse.h"

class QLocalSocket;
class QSocketNotifier;

namespace melko::vmouse {

class ControlServer : public QObject {
  Q_OBJECT

 public:
  static constexpr std::size_t kMaxLineLength = 256;

  using Handler = std::function<CommandAnswer(std::string_view line)>;

  explicit ControlServer(Handler handler, QObject* parent = nullptr);
  ~ControlServer() override;

  bool Listen(const QString& path, QString* error);
  // Reads commands from file descriptor 0 until it ends.
  void ReadStandardInput();

 signals:
  // A quit command was answered.
  void QuitRequested();

 private:
  struct Client {
    QLocalSocket* socket = nullptr;
    LineSplitter lines{kMaxLineLength};
  };

  void Accept();
  void ReadClient(Client& client);
  void ReadStdin();
  // The answers to the complete lines among `bytes`; true when one of them was quit.
  bool Answer(LineSplitter& lines, std::string_view bytes,
              const std::function<void(const std::string&)>& reply);

  Handler handler_;
  QLocalServer server_;
  std::vector<std::unique_ptr<Client>> clients_;
  std::unique_ptr<QSocketNotifier> stdin_notifier_;
  LineSplitter stdin_lines_{kMaxLineLength};
};

}  // namespace melko::vmouse
