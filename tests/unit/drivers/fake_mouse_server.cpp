#include "fake_mouse_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace melko::testing {

FakeMouseServer::Script FakeMouseServer::Answering(bool present) {
  return [present](const std::string& line) -> std::vector<std::string> {
    if (line.starts_with("hello ")) return {"ok"};
    if (line == "open") return {present ? "open 1" : "open 0"};
    if (line.starts_with("feature ")) return {present ? "result 1" : "result 0"};
    return {};
  };
}

FakeMouseServer::Script FakeMouseServer::SilentAfterHello() {
  return [](const std::string& line) -> std::vector<std::string> {
    if (line.starts_with("hello ")) return {"ok"};
    return {};
  };
}

FakeMouseServer::FakeMouseServer(Script script) : script_(std::move(script)) {
  char dir_template[] = "/tmp/melko-drv-XXXXXX";
  if (mkdtemp(dir_template) == nullptr) throw std::runtime_error("mkdtemp");
  dir_ = dir_template;
  path_ = dir_ + "/mouse.sock";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
  listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  wake_fd_ = eventfd(0, EFD_CLOEXEC);
  if (listen_fd_ < 0 || wake_fd_ < 0 ||
      bind(listen_fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(listen_fd_, 4) != 0) {
    throw std::runtime_error("fake mouse socket");
  }
  thread_ = std::thread([this] { Run(); });
}

FakeMouseServer::~FakeMouseServer() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(wake_fd_, &one, sizeof one);
  thread_.join();
  {
    std::lock_guard lock(mutex_);
    CloseClient();
  }
  close(listen_fd_);
  close(wake_fd_);
  unlink(path_.c_str());
  rmdir(dir_.c_str());
}

bool FakeMouseServer::WaitForLines(std::size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return lines_.size() >= count; });
}

std::vector<std::string> FakeMouseServer::lines() {
  std::lock_guard lock(mutex_);
  return lines_;
}

int FakeMouseServer::connections() {
  std::lock_guard lock(mutex_);
  return connections_;
}

void FakeMouseServer::Send(const std::string& bytes) {
  std::lock_guard lock(mutex_);
  if (client_fd_ < 0) return;
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(client_fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += std::size_t(n);
  }
}

// The server's thread sees the end of the connection and closes it.
void FakeMouseServer::DropClient() {
  std::lock_guard lock(mutex_);
  if (client_fd_ >= 0) shutdown(client_fd_, SHUT_RDWR);
}

void FakeMouseServer::CloseClient() {
  if (client_fd_ >= 0) close(client_fd_);
  client_fd_ = -1;
  pending_.clear();
}

void FakeMouseServer::Run() {
  for (;;) {
    int client = -1;
    {
      std::lock_guard lock(mutex_);
      client = client_fd_;
    }
    pollfd fds[3] = {{wake_fd_, POLLIN, 0}, {listen_fd_, POLLIN, 0}, {client, POLLIN, 0}};
    if (poll(fds, client >= 0 ? 3 : 2, -1) < 0 && errno != EINTR) return;
    if (fds[0].revents != 0) return;
    if (fds[1].revents & POLLIN) {
      const int accepted = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (accepted >= 0) {
        std::lock_guard lock(mutex_);
        CloseClient();
        client_fd_ = accepted;
        ++connections_;
        changed_.notify_all();
      }
      continue;
    }
    if (client >= 0 && fds[2].revents != 0) {
      char buffer[8192];
      std::lock_guard lock(mutex_);
      if (client != client_fd_) continue;
      const ssize_t n = recv(client, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) {
        OnBytes(buffer, std::size_t(n));
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        CloseClient();
      }
    }
  }
}

// With mutex_ held.
void FakeMouseServer::OnBytes(const char* data, std::size_t size) {
  pending_.append(data, size);
  std::size_t end = 0;
  while ((end = pending_.find('\n')) != std::string::npos) {
    const std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    lines_.push_back(line);
    for (const auto& answer : script_(line)) {
      const std::string bytes = answer + '\n';
      [[maybe_unused]] const ssize_t n = send(client_fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
  }
  changed_.notify_all();
}

}  // namespace melko::testing
