#include "vmouse_backend.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace melko::hiddriver {
namespace {

// A connected stream socket, or -1. Writes time out so that a mouse that stops reading cannot
// hold the caller for ever.
int ConnectUnix(const std::string& path, std::chrono::milliseconds send_timeout) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.data(), path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  timeval tv{};
  tv.tv_sec = send_timeout.count() / 1000;
  tv.tv_usec = (send_timeout.count() % 1000) * 1000;
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

VmouseBackend::VmouseBackend(std::string socket_path, std::string link,
                             std::chrono::milliseconds timeout)
    : socket_path_(std::move(socket_path)), link_(std::move(link)), timeout_(timeout) {}

VmouseBackend::~VmouseBackend() {
  sink_.Clear();
  Disconnect();
}

void VmouseBackend::OpenMonitor(DeviceIds, const MessageRoute& route) {
  sink_.Set(route);
  monitor_open_ = true;
  EnsureConnected();
}

void VmouseBackend::CloseMonitor() {
  sink_.Clear();
  monitor_open_ = false;
  if (!device_open_) Disconnect();
}

bool VmouseBackend::OpenDevice(DeviceIds) {
  device_open_ = false;
  if (!EnsureConnected()) return false;
  const auto answer = Request("open");
  device_open_ = answer && answer->kind == MouseLine::kOpen && answer->first == 1;
  return device_open_;
}

void VmouseBackend::CloseDevice() {
  if (device_open_ && socket_fd_ >= 0) SendLine("close");
  device_open_ = false;
  if (!monitor_open_) Disconnect();
}

bool VmouseBackend::SetFeature(std::span<const std::uint8_t> report) {
  // Keeps the line within what the mouse reads.
  if (!device_open_ || report.empty() || report.size() > (LineSplitter::kMaxLine - 8) / 2) {
    return false;
  }
  const auto answer = Request(FeatureLine(report));
  return answer && answer->kind == MouseLine::kResult && answer->first == 1;
}

bool VmouseBackend::EnsureConnected() {
  {
    std::lock_guard lock(answer_mutex_);
    if (socket_fd_ >= 0 && !connection_lost_) return true;
  }
  Disconnect();
  socket_fd_ = ConnectUnix(socket_path_, timeout_);
  if (socket_fd_ < 0) return false;
  {
    std::lock_guard lock(answer_mutex_);
    connection_lost_ = false;
    requests_sent_ = 0;
    answers_received_ = 0;
  }
  splitter_.Reset();
  if (!reader_.Start(socket_fd_, [this] { return OnReadable(); })) {
    Disconnect();
    return false;
  }
  const auto answer = Request("hello " + link_);
  if (!answer || answer->kind != MouseLine::kOk) {
    Disconnect();
    return false;
  }
  return true;
}

void VmouseBackend::Disconnect() {
  reader_.Stop();
  if (socket_fd_ >= 0) {
    close(socket_fd_);
    socket_fd_ = -1;
  }
  std::lock_guard lock(answer_mutex_);
  connection_lost_ = true;
}

bool VmouseBackend::SendLine(const std::string& line) {
  if (socket_fd_ < 0) return false;
  const std::string bytes = line + '\n';
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(socket_fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // Part of a line may have gone out: the stream cannot be trusted any more.
      std::lock_guard lock(answer_mutex_);
      connection_lost_ = true;
      return false;
    }
    sent += std::size_t(n);
  }
  return true;
}

std::optional<MouseLine> VmouseBackend::Request(const std::string& line) {
  std::uint64_t index = 0;
  {
    std::lock_guard lock(answer_mutex_);
    if (connection_lost_) return std::nullopt;
    index = requests_sent_++;
  }
  if (!SendLine(line)) return std::nullopt;
  std::unique_lock lock(answer_mutex_);
  answer_ready_.wait_for(lock, timeout_,
                         [&] { return answers_received_ > index || connection_lost_; });
  if (answers_received_ != index + 1) return std::nullopt;
  return last_answer_;
}

bool VmouseBackend::OnReadable() {
  char buffer[4096];
  const ssize_t n = recv(socket_fd_, buffer, sizeof buffer, 0);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  if (n > 0) {
    splitter_.Feed({buffer, std::size_t(n)}, [this](std::string_view line) { OnLine(line); });
    return true;
  }
  // The mouse went away: waiting requests fail, and an open device counts as removed.
  {
    std::lock_guard lock(answer_mutex_);
    connection_lost_ = true;
  }
  answer_ready_.notify_all();
  if (device_open_) sink_.PostConnect(false);
  return false;
}

void VmouseBackend::OnLine(std::string_view text) {
  const MouseLine line = ParseMouseLine(text);
  if (line.kind == MouseLine::kEvent) {
    sink_.PostData(line.first, line.second);
  } else if (line.kind == MouseLine::kConnect) {
    sink_.PostConnect(line.first == 1);
  } else if (line.is_answer()) {
    {
      std::lock_guard lock(answer_mutex_);
      last_answer_ = line;
      ++answers_received_;
    }
    answer_ready_.notify_all();
  }
}

}  // namespace melko::hiddriver
