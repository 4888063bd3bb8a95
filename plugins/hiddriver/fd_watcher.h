// A thread that sleeps in poll() on one descriptor and calls a handler whenever it can be read
// (or has reached its end or failed, which the handler's read then finds).
// Stop() wakes it through an eventfd, so stopping is immediate and nothing spins.
#pragma once

#include <functional>
#include <thread>

namespace melko::hiddriver {

class FdWatcher {
 public:
  // Returns false to end the thread (the descriptor failed or reached its end).
  using Handler = std::function<bool()>;

  FdWatcher() = default;
  FdWatcher(const FdWatcher&) = delete;
  FdWatcher& operator=(const FdWatcher&) = delete;
  ~FdWatcher() { Stop(); }

  // Watches fd (which stays owned by the caller) until Stop(); false if the thread could not
  // be started.
  bool Start(int fd, Handler on_readable);
  // Ends the thread and waits for it; the handler is not running when this returns.
  void Stop();
  bool started() const { return thread_.joinable(); }

 private:
  void Run(int fd, const Handler& on_readable) const;

  int wake_fd_ = -1;
  std::thread thread_;
};

}  // namespace melko::hiddriver
