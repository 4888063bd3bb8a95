// Turns SIGINT and SIGTERM into a quit on the event loop, so that the program closes its sockets
// (and removes their files) when a test or a shell stops it.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace melko::vmouse {

class QuitOnSignals : public QObject {
  Q_OBJECT

 public:
  explicit QuitOnSignals(QObject* parent = nullptr);
  ~QuitOnSignals() override;

  bool ok() const { return notifier_ != nullptr; }

 signals:
  void Quit();

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace melko::vmouse
