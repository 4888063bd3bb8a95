#include "fd_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace melko::hiddriver {

bool FdWatcher::Start(int fd, Handler on_readable) {
  Stop();
  if (fd < 0) return false;
  wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_fd_ < 0) return false;
  try {
    thread_ = std::thread([this, fd, handler = std::move(on_readable)] { Run(fd, handler); });
  } catch (const std::system_error&) {
    close(wake_fd_);
    wake_fd_ = -1;
    return false;
  }
  return true;
}

void FdWatcher::Stop() {
  if (thread_.joinable()) {
    const std::uint64_t one = 1;
    // An eventfd write of 1 only fails when the counter is full, and then it is readable anyway.
    [[maybe_unused]] const ssize_t written = write(wake_fd_, &one, sizeof one);
    thread_.join();
  }
  if (wake_fd_ >= 0) {
    close(wake_fd_);
    wake_fd_ = -1;
  }
}

void FdWatcher::Run(int fd, const Handler& on_readable) const {
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    if (fds[0].revents & POLLNVAL) return;
    // A hang-up or error is handed over too: the handler's read sees the end and says so.
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !on_readable()) return;
  }
}

}  // namespace melko::hiddriver
