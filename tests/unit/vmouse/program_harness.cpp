#include "unit/vmouse/program_harness.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace melko::vmouse::test {

LineSocket::LineSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
  reader_ = LineReader(fd);
}

LineSocket::~LineSocket() {
  if (fd_ >= 0) ::close(fd_);
}

void LineSocket::SendRaw(std::string_view bytes) {
  [[maybe_unused]] const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

std::unique_ptr<LineSocket> Library(const VmouseProcess& mouse, std::string_view link) {
  auto socket = std::make_unique<LineSocket>(mouse.socket_path());
  if (!socket->connected()) return nullptr;
  socket->Send("hello " + std::string(link));
  return socket->ReadLine() == "ok" ? std::move(socket) : nullptr;
}

}  // namespace melko::vmouse::test
