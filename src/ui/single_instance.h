// One running copy per user. The first copy holds a lock file under the product's name in the
// user's runtime folder and listens on a local socket beside it; a second launch finds the lock
// taken, asks the running copy to show itself (as message 1037), handing over its desktop's
// activation, waits until that request has been handled (which may include the no-device warning
// the user must close) and ends. The lock of a copy that crashed is released with its process, so
// the next launch simply takes it over.
//
// The running copy serves requests from the event loop without ever waiting on a client: reads
// are non-blocking, a request runs once it is whole (never inside the socket's notifier) and is
// answered once handled, and a client that sends nothing is dropped after a while.
// Plain Unix sockets: a network library would cost start-up time for one line each way.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/launch_activation.h"

class QSocketNotifier;

namespace melko::ui {

class SingleInstance;

// The way back to a client whose hand-over request runs. Copies may outlive the client (and the
// server): sending to a client that is gone does nothing.
class InstanceReply {
 public:
  InstanceReply() = default;
  InstanceReply(SingleInstance* owner, int id) : owner_(owner), id_(id) {}
  // One line, with its newline; false when the client is gone.
  bool Send(const std::string& line) const;
  // The last line; the client is let go.
  void Finish(const std::string& line) const;

 private:
  QPointer<SingleInstance> owner_;
  int id_ = -1;
};

using HandoverHandler = std::function<void(const std::string& line, InstanceReply reply)>;

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  SingleInstance();
  ~SingleInstance() override;

  // Takes the lock and, holding it, opens the socket that second launches reach; needs no
  // QCoreApplication. False when another copy holds the lock. A problem with the runtime folder or
  // the socket is kept in error(), and the program runs on without that protection.
  bool TryLock();
  const QString& error() const { return error_; }

  // From a second launch: asks the running copy to show itself and waits until it has. The reason
  // when the running copy could not be reached, or nothing.
  std::string AskRunningCopyToShow(const LaunchActivation& activation);

  // In the running copy, once a QCoreApplication exists: serves second launches; on_request runs
  // on the event loop for each, with the launch's activation.
  void Serve(std::function<void(const LaunchActivation&)> on_request);

  // Lines of melkoctl's hand-over go to on_handover, on the event loop, with the way to answer.
  // The client is then no longer dropped for its silence: it waits while the request runs.
  void ServeHandover(HandoverHandler on_handover);

  // $XDG_RUNTIME_DIR, or a private folder (0700) of the user's in the temporary folder.
  static QString RuntimeFolder();
  const std::string& socket_path() const { return socket_path_; }

 private:
  struct Client;
  bool Listen();
  void StartAccepting();
  void AcceptClients();
  void ReadRequest(int id);
  void Answer(int id, const LaunchActivation& activation);
  void Drop(int id);
  friend class InstanceReply;
  bool SendLine(int id, const std::string& line, bool last);

  std::string lock_path_;
  std::string socket_path_;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
  QString error_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void(const LaunchActivation&)> on_request_;
  HandoverHandler on_handover_;
  std::map<int, std::unique_ptr<Client>> clients_;
  int next_client_ = 0;
};

}  // namespace melko::ui
