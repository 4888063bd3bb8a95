// Turns SIGINT and SIGTERM into a quit on the event loop, so that a program stopped by a shell, a
// test or the end of the desktop session ends in order: sockets closed, stores saved.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace melko {

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

}  // namespace melko
