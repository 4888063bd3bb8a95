// Ends the event loop on every request to end the program: SIGINT, SIGTERM and SIGHUP (a shell, a
// test, the end of the desktop session) and the application's Quit event (the session manager's
// end of session, QCoreApplication::quit()). The loop is left with QCoreApplication::exit(), which
// no close handler can veto: Qt turns a Quit event into close events first, and a window that
// hides to the tray refuses them. What follows the loop in main ends the program in order.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace melko {

class QuitOnSignals : public QObject {
 public:
  // A QCoreApplication must exist.
  explicit QuitOnSignals(QObject* parent = nullptr);
  ~QuitOnSignals() override;

  bool ok() const { return notifier_ != nullptr; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace melko
