#include "cli/handover_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace melko::cli {
namespace {

using Clock = std::chrono::steady_clock;

// A running program answers "accepted" from its event loop at once; one that does not within this
// is not taken as having the request.
constexpr std::chrono::milliseconds kAcceptLimit(5000);

class Connection {
 public:
  explicit Connection(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) return;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // Non-blocking: a full backlog of a program that does not accept is no reason to hang.
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      Close();
    }
  }
  ~Connection() { Close(); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool open() const { return fd_ >= 0; }

  bool Send(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
      if (!Await(POLLOUT, Clock::now() + kAcceptLimit)) return false;
      const ssize_t sent = ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
      if (sent < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (sent <= 0) return false;
      done += std::size_t(sent);
    }
    return true;
  }

  // The next line without its newline; nothing at the end of the stream, on an error, for a line
  // too long, or when the deadline passes.
  std::optional<std::string> ReadLine(Clock::time_point deadline) {
    for (;;) {
      const std::size_t end = buffered_.find('\n');
      if (end != std::string::npos) {
        std::string line = buffered_.substr(0, end);
        buffered_.erase(0, end + 1);
        return line;
      }
      if (buffered_.size() >= kLongestHandoverLine) return std::nullopt;
      if (!Await(POLLIN, deadline)) return std::nullopt;
      char chunk[512];
      const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0) return std::nullopt;
      buffered_.append(chunk, std::size_t(got));
    }
  }

 private:
  bool Await(short events, Clock::time_point deadline) {
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return false;
      pollfd watched{fd_, events, 0};
      const int ready = ::poll(&watched, 1, int(std::min<long long>(left.count(), 60000)));
      if (ready < 0 && errno == EINTR) continue;
      if (ready < 0) return false;
      if (ready > 0) return true;
    }
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  int fd_ = -1;
  std::string buffered_;
};

}  // namespace

std::optional<HandoverAnswer> HandOver(const std::string& socket_path,
                                       const HandoverRequest& request,
                                       const std::function<void(const std::string&)>& on_report,
                                       std::chrono::milliseconds answer_limit) {
  Connection connection(socket_path);
  if (!connection.open() || !connection.Send(FormatHandoverRequest(request))) return std::nullopt;
  // Until "accepted", the program has done nothing: any other outcome leaves melkoctl alone.
  const auto first = connection.ReadLine(Clock::now() + kAcceptLimit);
  const auto accepted = first ? ParseHandoverAnswer(*first) : std::nullopt;
  if (!accepted || accepted->kind != HandoverAnswerKind::kAccepted) return std::nullopt;
  const HandoverAnswer unfinished{HandoverAnswerKind::kUnfinished, {}, {}};
  const Clock::time_point deadline = Clock::now() + answer_limit;
  for (;;) {
    const auto line = connection.ReadLine(deadline);
    if (!line) return unfinished;
    const auto answer = ParseHandoverAnswer(*line);
    if (!answer || answer->kind == HandoverAnswerKind::kAccepted) return unfinished;
    if (answer->kind != HandoverAnswerKind::kReport) return answer;
    if (on_report) on_report(answer->first);
  }
}

}  // namespace melko::cli
