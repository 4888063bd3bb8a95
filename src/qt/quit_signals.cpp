#include "qt/quit_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <cerrno>
#include <csignal>

namespace melko {
namespace {

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};

int signal_fds[2] = {-1, -1};

extern "C" void OnQuitSignal(int) {
  const char byte = 1;
  const int saved = errno;
  [[maybe_unused]] const ssize_t written = ::write(signal_fds[0], &byte, 1);
  errno = saved;
}

// Leaves every event loop, a modal dialog's too; a loop started afterwards returns at once.
void EndEventLoops() {
  QCoreApplication::exit(0);
}

}  // namespace

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent) {
  QCoreApplication::instance()->installEventFilter(this);
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signal_fds) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(signal_fds[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [] {
    char byte;
    [[maybe_unused]] const ssize_t read = ::read(signal_fds[1], &byte, 1);
    EndEventLoops();
  });
  struct sigaction action = {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal_number : kQuitSignals) sigaction(signal_number, &action, nullptr);
}

QuitOnSignals::~QuitOnSignals() {
  for (const int signal_number : kQuitSignals) std::signal(signal_number, SIG_DFL);
  notifier_.reset();
  for (int& fd : signal_fds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

bool QuitOnSignals::eventFilter(QObject* watched, QEvent* event) {
  if (watched != QCoreApplication::instance() || event->type() != QEvent::Quit) return false;
  EndEventLoops();
  return true;
}

}  // namespace melko
