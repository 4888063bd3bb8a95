#include "qt/quit_signals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace melko {
namespace {

int signal_fds[2] = {-1, -1};

extern "C" void OnQuitSignal(int) {
  const char byte = 1;
  const int saved = errno;
  [[maybe_unused]] const ssize_t written = ::write(signal_fds[0], &byte, 1);
  errno = saved;
}

}  // namespace

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signal_fds) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(signal_fds[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    char byte;
    [[maybe_unused]] const ssize_t read = ::read(signal_fds[1], &byte, 1);
    emit Quit();
  });
  struct sigaction action = {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

QuitOnSignals::~QuitOnSignals() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  notifier_.reset();
  for (int& fd : signal_fds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

}  // namespace melko
