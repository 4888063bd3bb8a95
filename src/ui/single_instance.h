// One running copy per user. The first copy holds a lock file under the product's name in the
// user's runtime folder and listens on a local socket beside it; a second launch finds the lock
// taken, asks the running copy to show itself (as message 1037), waits until that request has been
// handled (which may include the no-device warning the user must close) and ends. The lock of a
// copy that crashed is released with its process, so the next launch simply takes it over.
// Plain Unix sockets: a network library would cost start-up time for one line each way.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <memory>

namespace melko::ui {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  SingleInstance();
  ~SingleInstance() override;

  // Takes the lock; false when another copy holds it. A problem with the runtime folder is kept
  // in error() and the program runs on without the protection.
  bool TryLock();
  const QString& error() const { return error_; }

  // From a second launch: asks the running copy to show itself and waits until it has. False
  // when the running copy could not be reached.
  bool AskRunningCopyToShow();

  // In the running copy: serves second launches; on_request runs for each on the event loop.
  bool Listen(std::function<void()> on_request);

  // $XDG_RUNTIME_DIR, or a private folder (0700) of the user's in the temporary folder.
  static QString RuntimeFolder();

 private:
  void Serve();

  std::string lock_path_;
  std::string socket_path_;
  int lock_fd_ = -1;
  int listen_fd_ = -1;
  QString error_;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void()> on_request_;
};

}  // namespace melko::ui
